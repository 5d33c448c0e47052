#!/bin/sh
# The demo: builds the diskette set of the sample product with diskset (native),
# lists its main archive across its volumes and tests the whole set; then the
# Windows build of diskset tests the same set under Wine.
set -eu
host_dir=$1
win_dir=$(cd "$2" && pwd)
out=build/demo
diskset="$host_dir/tools/diskset/diskset"
setup="$win_dir/src/app/INSTALL.EXE"

rm -rf "$out"
if [ -f "$setup" ]; then
    "$diskset" build sample/pelto.layout "$out" --setup "$setup"
else
    "$diskset" build sample/pelto.layout "$out"
fi
echo
"$diskset" list "$out/DISK02/PELTO.Z1"
echo
"$diskset" test "$out"
echo
echo "The same set tested by the Windows build of diskset under Wine:"
status=0
# Wine shows the Linux root as drive Z:.
win_out="Z:$(cd "$out" && pwd | tr / '\\')"
"$win_dir/wine-run" "$win_dir/tools/diskset/diskset.exe" test "$win_out" || status=$?
WINEPREFIX="$win_dir/wineprefix" wineserver -k 2>/dev/null || true
exit $status
