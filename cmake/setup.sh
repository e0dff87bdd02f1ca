#!/bin/sh
# Installs what building and testing Nightfold needs on a Debian 12 machine
# (clang and its runtimes for the fuzz targets that make check runs).
# Does nothing when everything is already there.
set -e

PACKAGES="cmake g++ libgtest-dev g++-mingw-w64-i686 binutils-mingw-w64-i686 \
wine wine32:i386 xvfb xauth fonts-wine fonts-vlgothic fonts-wqy-microhei python3 python3-pefile nsis zip locales \
clang libclang-rt-14-dev"
# The locales the tests run Wine in: users of other languages on a Western
# code page, and a Japanese user on a Japanese one.
LOCALES="en_US.UTF-8 ja_JP.UTF-8 de_DE.UTF-8 pl_PL.UTF-8 ru_RU.UTF-8 zh_CN.UTF-8"
[ -n "$EXTRA_PACKAGES" ] && PACKAGES="$PACKAGES $EXTRA_PACKAGES"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done
missing_locales=""
for l in $LOCALES; do
    locale -a 2>/dev/null | grep -qix "$(echo "$l" | sed 's/UTF-8/utf8/')" || missing_locales="$missing_locales $l"
done
[ -z "$missing" ] && [ -z "$missing_locales" ] && exit 0

if [ "$(id -u)" != 0 ]; then
    echo "setup: missing packages:$missing locales:$missing_locales (run make as root, or install them)" >&2
    exit 1
fi
case "$missing" in
*:i386*)
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
esac
export DEBIAN_FRONTEND=noninteractive
if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    apt-get update -q
    apt-get install -y -q --no-install-recommends $missing
fi
if [ -n "$missing_locales" ]; then
    for l in $missing_locales; do
        grep -qx "$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" >> /etc/locale.gen
    done
    locale-gen
fi
