#!/bin/sh
# Takes docs/dialog.png, docs/morning.png, docs/notice.png and docs/menu.png:
# the configuration dialog, its Morning group (cut from the same picture),
# the notice and the player's menu with the Nightfold submenu open,
# as the test host shows them inside Wine's virtual desktop. Runs
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
# The prefix registers Wine's own fonts (MS Sans Serif, Marlett for the
# caption buttons) in C:\windows\Fonts, but this Wine does not put them
# there: copy them from fonts-wine, or the dialog is drawn in stand-ins.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ ! -f "$fonts/marlett.ttf" ]; then
    cp /usr/share/wine/fonts/* "$fonts/"
    wineserver -k
    sh cmake/wineprefix.sh
fi

# Opens the window of the host's case $1 and waits for the host to report
# where it stands.
open_window() {
    rm -f "$rect" "$part"
    NIGHTFOLD_SHOT_RECT="Z:$(echo "$rect" | tr / '\\')" NIGHTFOLD_SHOT_PART="Z:$(echo "$part" | tr / '\\')" \
        NIGHTFOLD_SHOT_SECONDS=20 \
        wine explorer /desktop=nightfold,640x760 "$build/nfhost.exe" "$1" \
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
shoot screenshot_notice notice.png
shoot screenshot_menu menu.png
