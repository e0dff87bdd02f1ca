#!/bin/sh
# Installs what building and testing Nightfold needs on a Debian 12 machine.
# Does nothing when everything is already there.
set -e

PACKAGES="cmake g++ libgtest-dev g++-mingw-w64-i686 binutils-mingw-w64-i686 \
wine wine32:i386 xvfb xauth fonts-wine python3 python3-pefile nsis zip"
[ -n "$EXTRA_PACKAGES" ] && PACKAGES="$PACKAGES $EXTRA_PACKAGES"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" != 0 ]; then
    echo "setup: missing packages:$missing (run make as root, or install them)" >&2
    exit 1
fi
case "$missing" in
*:i386*)
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
esac
echo "setup: installing$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends $missing
