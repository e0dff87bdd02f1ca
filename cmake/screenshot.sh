#!/bin/sh
# Takes docs/dialog.png: the configuration dialog as the test host opens it
# inside Wine's virtual desktop. Runs under xvfb-run (make screenshot), in
# the build tree's own Wine prefix.
set -e
: "${WINEPREFIX:?}"
export WINEDEBUG=-all
top=$(pwd)
build=$top/build/win
rect=$build/screenshot-rect.txt
shot=$build/screenshot-root.png

sh cmake/wineprefix.sh
# The prefix registers Wine's own fonts (MS Sans Serif, Marlett for the
# caption buttons) in C:\windows\Fonts, but this Wine does not put them
# there: copy them from fonts-wine, or the dialog is drawn in a stand-in.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ ! -f "$fonts/marlett.ttf" ]; then
    cp /usr/share/wine/fonts/* "$fonts/"
    wineserver -k
    sh cmake/wineprefix.sh
fi
rm -f "$rect"
export NIGHTFOLD_SHOT_RECT="Z:$(echo "$rect" | tr / '\\')"
export NIGHTFOLD_SHOT_SECONDS=20
wine explorer /desktop=nightfold,640x480 "$build/nfhost.exe" screenshot "Z:$top/dist/gen_nightfold.dll" \
    >/dev/null 2>&1 &
wine=$!

tries=0
while [ ! -s "$rect" ] && [ $tries -lt 300 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
if [ ! -s "$rect" ]; then
    echo "screenshot: the dialog did not appear" >&2
    wineserver -k
    exit 1
fi
sleep 2   # let it paint
read -r x y width height <"$rect"
mkdir -p docs
import -window root "$shot"
import -window root -crop "${width}x${height}+${x}+${y}" +repage docs/dialog.png
echo "screenshot: docs/dialog.png, ${width}x${height} at ${x},${y}"

wineserver -k
wait $wine || true
