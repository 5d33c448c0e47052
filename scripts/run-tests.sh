#!/bin/sh
# Runs every test: the native host build directly, the 64-bit Windows build
# under wine64 and, when a third build folder is given, the 32-bit Windows
# build under the 32-bit Wine of the i386 tree (scripts/i386-tree.sh). Each
# Windows build gets a display of its own when there is none. Every
# wineserver used is stopped at the end, so nothing is left running.
# Exit status: non-zero on any failure. Where this machine cannot run 32-bit
# Windows programs, the 32-bit tests are skipped with the reason.
set -u
source_dir=$(cd "$(dirname "$0")/.." && pwd)
host_dir=$(cd "$1" && pwd)
win_dir=$(cd "$2" && pwd)
win32_dir=""
[ $# -ge 3 ] && win32_dir=$(cd "$3" && pwd)
jobs=${PELTO_TEST_JOBS:-2}
tree=""

xvfb_pids=""
# own_display: sets DISPLAY to a new Xvfb of its own.
own_display() {
    n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pids="$xvfb_pids $!"
    DISPLAY=":$n"
    export DISPLAY
    i=0
    while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
}
had_display=${DISPLAY:-}

stop_all() {
    for prefix in "$win_dir/wineprefix" "$win_dir"/wineprefix-fresh.*; do
        [ -d "$prefix" ] || continue
        WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
        WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
    done
    if [ -n "$tree" ]; then
        for prefix in "$win32_dir/wineprefix" "$win32_dir"/wineprefix-fresh.*; do
            [ -d "$prefix" ] || continue
            chroot "$tree" /usr/bin/env WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
            chroot "$tree" /usr/bin/env WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
        done
    fi
    for pid in $xvfb_pids; do kill "$pid" 2>/dev/null; done
    return 0
}
trap stop_all EXIT INT TERM

status=0
echo "== Native tests ($host_dir)"
ctest --test-dir "$host_dir" --output-on-failure -j "$jobs" || status=1
echo "== Windows tests under Wine ($win_dir)"
[ -n "$had_display" ] || own_display
ctest --test-dir "$win_dir" --output-on-failure -j "$jobs" || status=1
if [ -n "$win32_dir" ]; then
    echo "== 32-bit Windows tests under the 32-bit Wine of the i386 tree ($win32_dir)"
    why=$(mktemp)
    rc=0
    tree=$("$source_dir/scripts/i386-tree.sh" ensure "$source_dir" "$win32_dir" 2>"$why") || rc=$?
    if [ $rc -eq 0 ]; then
        [ -n "$had_display" ] || own_display
        ctest --test-dir "$win32_dir" --output-on-failure -j "$jobs" || status=1
    elif [ $rc -eq 3 ]; then
        tree=""
        echo "SKIPPED: the 32-bit tests, because $(sed 's/^i386-tree: //' "$why")"
    else
        tree=""
        cat "$why"
        status=1
    fi
    rm -f "$why"
fi
exit $status
