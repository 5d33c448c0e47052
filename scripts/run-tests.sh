#!/bin/sh
# Runs every test: the native host build directly, the 64-bit Windows build
# under Wine. Starts Xvfb when there is no display and stops every wineserver
# it used, so nothing is left running. Exit status: non-zero on any failure.
set -u
host_dir=$(cd "$1" && pwd)
win_dir=$(cd "$2" && pwd)
jobs=${PELTO_TEST_JOBS:-2}

xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
    n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    i=0
    while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
fi

stop_all() {
    for prefix in "$win_dir/wineprefix" "$win_dir"/wineprefix-fresh.*; do
        [ -d "$prefix" ] || continue
        WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
        WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
    done
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    return 0
}
trap stop_all EXIT INT TERM

status=0
echo "== Native tests ($host_dir)"
ctest --test-dir "$host_dir" --output-on-failure -j "$jobs" || status=1
echo "== Windows tests under Wine ($win_dir)"
ctest --test-dir "$win_dir" --output-on-failure -j "$jobs" || status=1
exit $status
