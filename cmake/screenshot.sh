#!/bin/sh
# Takes docs/dialog.png, docs/morning.png, docs/dialog-de.png,
# docs/dialog-ja.png, docs/notice.png and docs/menu.png: the configuration
# dialog, its Morning group (cut from the same picture), the dialog in
# German and in Japanese, the notice and the player's menu with the
# Nightfold submenu open, as the test host shows them inside Wine's
# virtual desktop. Runs
# under xvfb-run (make screenshot), in a Wine prefix of its own in the build
# tree, apart from the tests' one.
set -e
: "${WINEPREFIX:?}"
export WINEDEBUG=-all
top=$(pwd)
build=$top/build/win
rect=$build/screenshot-rect.txt
part=$build/screenshot-part.txt
shot=$build/screenshot-root.png

sh cmake/wineprefix.sh

# Opens the window of the host's case $1 and waits for the host to report
# where it stands.
open_window() {
    rm -f "$rect" "$part"
    NIGHTFOLD_SHOT_RECT="Z:$(echo "$rect" | tr / '\\')" NIGHTFOLD_SHOT_PART="Z:$(echo "$part" | tr / '\\')" \
        NIGHTFOLD_SHOT_SECONDS=20 \
        wine explorer /desktop=nightfold,840x600 "$build/nfhost.exe" "$1" \
        "Z:$top/dist/gen_nightfold.dll" >/dev/null 2>&1 &
    tries=0
    while [ ! -s "$rect" ] && [ $tries -lt 200 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    [ -s "$rect" ]
}

# Takes docs/$2, the window of the host's case $1.
shoot() {
    attempt=1
    until open_window "$1"; do
        wineserver -k
        if [ $attempt -ge 3 ]; then
            echo "screenshot: the window of $1 did not appear" >&2
            exit 1
        fi
        attempt=$((attempt + 1))
    done
    sleep 2   # let it paint
    read -r x y width height <"$rect"
    mkdir -p docs
    import -window root "$shot"
    import -window root -crop "${width}x${height}+${x}+${y}" +repage "docs/$2"
    echo "screenshot: docs/$2, ${width}x${height} at ${x},${y}"
    wineserver -k
    wait || true
}

shoot screenshot dialog.png
read -r x y width height <"$part"
convert "$shot" -crop "${width}x${height}+${x}+${y}" +repage docs/morning.png
echo "screenshot: docs/morning.png, ${width}x${height} at ${x},${y}"
# The dialog in German and in Japanese (on this Western code page, its
# glyphs linked in as Windows does).
for language in de ja; do
    export NIGHTFOLD_SHOT_LANGUAGE=$language
    shoot screenshot "dialog-$language.png"
done
unset NIGHTFOLD_SHOT_LANGUAGE
shoot screenshot_notice notice.png
shoot screenshot_menu menu.png
