#!/bin/sh
# Installs what the build and the tests need on Debian 12; safe to run again.
set -eu

packages="cmake ninja-build g++ libgtest-dev googletest
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb xauth xclip x11-utils
  python3 python3-pefile icoutils imagemagick
  clang libclang-rt-14-dev"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
