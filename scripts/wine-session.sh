# Sourced by the scripts that run the setup program in a private Wine prefix
# (demo.sh, bench.sh): a display of their own when DISPLAY is unset, and at
# exit, however they end, no Wine process, prefix or Xvfb left behind.
# The script sets `prefix` once it has made its prefix.
# Wine runs with the address space laid out without randomness, as the build
# tree's wine-run runs it (the reason is given there): `wine` here is a
# function, and a command that starts Wine itself puts $norandom before it.
norandom=""
if setarch -R true 2>/dev/null; then
    norandom="setarch -R"
    wine() {
        setarch -R wine "$@"
    }
fi
xvfb_pid=""
prefix=""
session_cleanup() {
    if [ -n "$prefix" ]; then
        WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
        WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
        rm -rf "$prefix"
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    return 0
}
trap session_cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ]; then
    n=$((100 + $$ % 800))
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    i=0
    while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
fi
