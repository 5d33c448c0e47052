#!/bin/sh
# Installs the Debian packages the build and the tests need, only those missing.
set -eu
packages="cmake make g++ gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix \
gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64 \
libz-mingw-w64-dev zlib1g-dev googletest wine wine64 fonts-wine xvfb xauth x11-utils imagemagick \
clang libclang-rt-14-dev liblnk-utils python3 mtools"
# scripts/install-deps.sh bench: also the peers of the whole-installation benchmark.
[ "${1:-}" = bench ] && packages="$packages nsis zip unzip time"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends $missing
