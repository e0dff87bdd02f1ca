#!/bin/sh
# Makes the private Wine prefix the tests run in, once, and starts its
# server for the length of the test run.
set -e
: "${WINEPREFIX:?}"
export WINEDEBUG=-all
# Whatever the machine's locale: it decides the prefix's code page and its
# folder names.
export LC_ALL=C.UTF-8
unset LANGUAGE
# The marker names what the prefix holds: a prefix made before its fonts
# were added is made again.
if [ ! -f "$WINEPREFIX/.nightfold-ready-fonts" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # No window manager under Xvfb: let Wine manage its windows itself so it
    # does not wait for one each time a dialog is hidden.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # The same host under other names reports Windows 98 and Windows NT 4.0.
    wine reg add 'HKCU\Software\Wine\AppDefaults\nfhost98.exe' /v Version /d win98 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\AppDefaults\nfhostnt4.exe' /v Version /d nt40 /f >/dev/null 2>&1
    # The fonts of a Windows: Wine registers its own (MS Sans Serif, the
    # raster face, Tahoma, Marlett) without putting them in C:\windows\Fonts,
    # where fontconfig's stand-ins would take their place. Japanese and
    # Chinese glyphs come as on a Western Windows, linked into Tahoma and
    # Microsoft Sans Serif (the faces of "MS Shell Dlg") by SystemLink.
    fonts="$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/* /usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf \
        /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$fonts/"
    for face in Tahoma 'Microsoft Sans Serif'; do
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
            /t REG_MULTI_SZ /d 'VL-Gothic-Regular.ttf,VL Gothic\0wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
    wineserver -w
    touch "$WINEPREFIX/.nightfold-ready-fonts"
fi
# Start the server and the prefix's services now, away from the output of
# the tests: whatever a test starts first would otherwise keep its output
# open for as long as the server lives.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
