#!/bin/sh
# Runs the Nightfold setup and its uninstaller silently under Wine against
# fake player folders and checks what they leave behind.
#
# Usage: test_installer.sh SETUP_EXE PLUGIN_DLL
# WINEPREFIX comes from the environment; the script owns, in that prefix,
# C:\nightfold-test, the uninstall entries Winamp and Nightfold,
# HKCU\Software\Winamp, the setup's Windows version in
# HKCU\Software\Wine\AppDefaults and the Wine settings of
# nightfold-setup95.exe, and clears them before the run and after a good one.
#
# The permission commands are observed through Wine's own icacls and cacls:
# stand-ins that change nothing and write the command line they were started
# with to the debug channel fixme, which each run of the setup keeps.
#
# Wine quotes every argument holding a space, and NSIS ignores a quoted /D= or
# _?=, so folders given on the command line have no spaces in them.

set -u

if [ $# -ne 2 ] || [ ! -f "$1" ] || [ ! -f "$2" ]; then
    echo "usage: $0 SETUP_EXE PLUGIN_DLL (both must exist)" >&2
    exit 2
fi
if [ -z "${WINEPREFIX:-}" ]; then
    echo "$0: WINEPREFIX is not set; refusing to touch the default Wine prefix" >&2
    exit 2
fi
setup=$1
dll=$2
export WINEDEBUG="${WINEDEBUG:--all}"
export LC_ALL=C.UTF-8
unset LANGUAGE

base_w='C:\nightfold-test'
uninst_w='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
version_w="HKCU\\Software\\Wine\\AppDefaults\\$(basename "$setup")"
win95_key='HKCU\Software\Wine\AppDefaults\nightfold-setup95.exe'
base=$(winepath -u "$base_w" 2>/dev/null)
if [ -z "$base" ]; then
    echo "$0: winepath does not work in $WINEPREFIX" >&2
    exit 2
fi

cleanup() {
    rm -rf "$base"
    wine reg delete "$uninst_w\\Nightfold" /f >/dev/null 2>&1
    wine reg delete "$uninst_w\\Winamp" /f >/dev/null 2>&1
    wine reg delete 'HKCU\Software\Winamp' /f >/dev/null 2>&1
    wine reg delete "$version_w" /f >/dev/null 2>&1
    wine reg delete "$win95_key" /f >/dev/null 2>&1
}

# --- reporting: each case collects its unmet expectations, then reports once
n=0 passed=0 failed=0 why=""
expect() {  # expect DESCRIPTION COMMAND...: note DESCRIPTION when COMMAND fails
    desc=$1
    shift
    "$@" >/dev/null 2>&1 || why="$why; $desc"
}
report() {  # report NAME
    n=$((n + 1))
    if [ -z "$why" ]; then
        echo "ok $n - $1"
        passed=$((passed + 1))
    else
        echo "not ok $n - $1"
        printf "#   %s\n" "${why#; }"
        failed=$((failed + 1))
    fi
    why=""
}

# --- helpers
player() {  # player UNIX_DIR: a fake player folder with a stand-in winamp.exe
    mkdir -p "$1" && printf 'MZ stand-in player\n' >"$1/winamp.exe"
}
rc_is() {  # rc_is EXPECTED ACTUAL
    [ "$2" -eq "$1" ] || { why="$why; exit code $2, expected $1"; return 0; }
}
setup_rc() {  # setup_rc ARGS...: runs the setup, leaves its exit code in $rc
    WINEDEBUG=-all,fixme+icacls,fixme+cacls wine "$setup" "$@" >/dev/null 2>"$trace"
    rc=$?
}
as_windows() {  # as_windows VERSION: the version Wine reports to the setup (win7, winxp, win98)
    wine reg add "$version_w" /v Version /t REG_SZ /d "$1" /f >/dev/null 2>&1
}
ran() {  # ran TEXT: the last setup started icacls or cacls with TEXT in its command line
    grep -F -q -- "$1" "$trace"
}
granted() {  # granted TOOL WINDOWS_DIR ARGS: the last setup ran TOOL on DIR's settings file with ARGS
    ini=$(printf '%s' "$2\\Plugins\\gen_nightfold.ini" | sed 's/\\/\\\\/g')
    ran "$1.exe\" \"$ini\" $3"
}
key_absent() { ! wine reg query "$1" >/dev/null 2>&1; }
key_names() {  # key_names KEY VALUE TEXT: the value holds TEXT
    wine reg query "$1" /v "$2" 2>/dev/null | grep -F -q -- "$3"
}
dir_empty() { [ -z "$(ls -A "$1")" ]; }
installed_in() {  # installed_in UNIX_DIR WINDOWS_DIR: expectations of a good install
    expect "Plugins\\gen_nightfold.dll differs from the DLL" \
        cmp "$dll" "$1/Plugins/gen_nightfold.dll"
    expect "no uninstaller in Plugins" test -f "$1/Plugins/nightfold-uninstall.exe"
    expect "uninstall entry does not name $2\\Plugins\\nightfold-uninstall.exe" \
        key_names "$uninst_w\\Nightfold" UninstallString "\"$2\\Plugins\\nightfold-uninstall.exe\""
}

cleanup
mkdir -p "$base"
trace="$base/setup-trace"
start=$(date +%s)

# 1. silent install into the folder given with /D=
p1="$base/Winamp" p1_w="$base_w\\Winamp"
player "$p1"
setup_rc /S "/D=$p1_w"
rc_is 0 "$rc"
installed_in "$p1" "$p1_w"
expect "DisplayVersion is not 2.0" key_names "$uninst_w\\Nightfold" DisplayVersion 2.0
expect "no empty settings file in Plugins" test -f "$p1/Plugins/gen_nightfold.ini" -a ! -s "$p1/Plugins/gen_nightfold.ini"
expect "icacls did not let Users change the settings file" \
    granted icacls "$p1_w" '"/grant" "*S-1-5-32-545:M"'
report "silent install with /D= puts the DLL into Plugins, and a settings file Users may change"

# 2. a folder without winamp.exe is refused and left alone
p2="$base/NoPlayer" p2_w="$base_w\\NoPlayer"
mkdir -p "$p2"
setup_rc /S "/D=$p2_w"
[ "$rc" -ne 0 ] || why="$why; exit code 0"
expect "something was written into the folder" dir_empty "$p2"
expect "uninstall entry changed" \
    key_names "$uninst_w\\Nightfold" UninstallString "$p1_w\\Plugins\\"
report "folder without winamp.exe is refused, nothing written"

# 3. silent uninstall removes the plugin and keeps the user's settings
printf '[Nightfold]\nEnabled=1\n' >"$p1/Plugins/gen_nightfold.ini"
cp "$p1/Plugins/gen_nightfold.ini" "$base/ini.orig"
wine "$p1_w\\Plugins\\nightfold-uninstall.exe" /S "_?=$p1_w\\Plugins" >/dev/null 2>&1
rc_is 0 $?
expect "DLL still there" test ! -e "$p1/Plugins/gen_nightfold.dll"
expect "readme still there" test ! -e "$p1/Plugins/nightfold-readme.txt"
expect "settings file removed or changed" cmp "$base/ini.orig" "$p1/Plugins/gen_nightfold.ini"
expect "uninstall entry still there" key_absent "$uninst_w\\Nightfold"
expect "player touched" test -f "$p1/winamp.exe"
report "silent uninstall removes the DLL and keeps the settings file"

# 4. no /D=: the folder comes from the player's uninstall entry; the quoted
#    uninstaller path in it has a space
p4="$base/Reg Winamp" p4_w="$base_w\\Reg Winamp"
player "$p4"
wine reg add "$uninst_w\\Winamp" /v UninstallString /t REG_SZ \
    /d "\"$p4_w\\UninstWA.exe\"" /f >/dev/null 2>&1
setup_rc /S
rc_is 0 "$rc"
installed_in "$p4" "$p4_w"
report "default folder taken from the player's uninstall entry"
wine reg delete "$uninst_w\\Winamp" /f >/dev/null 2>&1
wine reg delete "$uninst_w\\Nightfold" /f >/dev/null 2>&1

# 5. no /D= and no uninstall entry: the player's per-user folder is used
p5="$base/User Winamp" p5_w="$base_w\\User Winamp"
player "$p5"
wine reg add 'HKCU\Software\Winamp' /ve /t REG_SZ /d "$p5_w" /f >/dev/null 2>&1
setup_rc /S
rc_is 0 "$rc"
installed_in "$p5" "$p5_w"
report "default folder taken from the player's per-user entry"

# 6. an explicit /D= without the player is refused even then
rm -rf "$p2" && mkdir -p "$p2"
setup_rc /S "/D=$p2_w"
[ "$rc" -ne 0 ] || why="$why; exit code 0"
expect "something was written into the folder" dir_empty "$p2"
report "explicit /D= is not replaced by the per-user entry"

# 7. installing again on XP keeps the settings file as it is and lets Users
#    change it with cacls
as_windows winxp
setup_rc /S "/D=$p1_w"
rc_is 0 "$rc"
installed_in "$p1" "$p1_w"
expect "settings file changed" cmp "$base/ini.orig" "$p1/Plugins/gen_nightfold.ini"
expect "cacls did not let Users change the settings file" granted cacls "$p1_w" '"/E" "/G" "Users:C"'
expect "icacls ran on XP" test -z "$(grep -F icacls "$trace")"
report "on XP an existing settings file is kept and cacls lets Users change it"

# 8. the 9x family has no permissions: the file is made, nothing is run
p8="$base/Winamp98" p8_w="$base_w\\Winamp98"
player "$p8"
as_windows win98
setup_rc /S "/D=$p8_w"
rc_is 0 "$rc"
installed_in "$p8" "$p8_w"
expect "no empty settings file in Plugins" test -f "$p8/Plugins/gen_nightfold.ini" -a ! -s "$p8/Plugins/gen_nightfold.ini"
expect "a permission command ran on 98" test -z "$(grep -F cacls "$trace")"
report "on 98 the settings file is made and no permission command runs"

# 9. Windows 95 is refused before anything is written (a copy of the setup
#    that Wine reports Windows 95 to)
p9="$base/Win95" p9_w="$base_w\\Win95"
player "$p9"
cp "$setup" "$base/nightfold-setup95.exe"
wine reg add "$win95_key" /v Version /d win95 /f >/dev/null 2>&1
wine "$base_w\\nightfold-setup95.exe" /S "/D=$p9_w" >/dev/null 2>&1
rc_is 2 $?
expect "something was written into the player's folder" test ! -e "$p9/Plugins"
report "Windows 95 is refused"

echo "# $(($(date +%s) - start)) s"
[ "$failed" -eq 0 ] && cleanup   # on failure the folders stay for a look
echo "installer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
