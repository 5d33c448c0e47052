#!/bin/sh
# The demo: builds a diskette set of the sample product with diskset, lists and
# tests it.
set -eu
host_dir=$1
win_dir=$2
out=build/demo
diskset="$host_dir/tools/diskset/diskset"
if [ ! -x "$diskset" ] || [ ! -f sample/pelto.layout ]; then
    echo "Built: $win_dir and build/win32 hold the Windows programs."
    exit 0
fi
rm -rf "$out"
"$diskset" build sample/pelto.layout "$out" --setup "$win_dir/src/app/INSTALL.EXE"
"$diskset" test "$out"
