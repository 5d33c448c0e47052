#!/bin/sh
# Renders each user-interface component on its own, every page of the setup
# wizard and its folder dialog to PNG files, and refreshes the few of them the
# README shows in docs/:
#   scripts/screenshots.sh BUILDDIR OUTDIR
# BUILDDIR is the 64-bit Windows build tree (its ui_showcase.exe, INSTALL.EXE
# and page_shots.exe are used; page_shots walks INSTALL.EXE through its pages
# and saves each window as a BMP file). The programs run under Wine on a
# private Xvfb display, in a private copy of the build tree's Wine prefix in
# which Wine draws the window frames itself (there is no window manager), so
# captions and maximized windows look as on Windows.
set -eu
build_dir=$(cd "$1" && pwd)
mkdir -p "$2"
out_dir=$(cd "$2" && pwd)
showcase="$build_dir/tests/ui/ui_showcase.exe"
[ -f "$showcase" ] || { echo "screenshots: $showcase is missing (build target ui_showcase)" >&2; exit 1; }
page_shots="$build_dir/tools/screenshots/page_shots.exe"
[ -f "$page_shots" ] || { echo "screenshots: $page_shots is missing (build target page_shots)" >&2; exit 1; }

n=$((100 + $$ % 800))
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$n"

prefix=$(mktemp -d /tmp/pelto-screenshots.XXXXXX)
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
    rm -rf "$prefix"
    kill "$xvfb_pid" 2>/dev/null
    return 0
}
trap cleanup EXIT INT TERM

i=0
while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done

# The build tree's prefix (made by its wine-run on first use), copied. The
# server wine-run leaves running in a prefix it has just made is stopped again.
if [ ! -f "$build_dir/wineprefix/.pelto-ready" ]; then
    "$build_dir/wine-run" "$showcase" >/dev/null 2>&1 || true
    WINEPREFIX="$build_dir/wineprefix" wineserver -k 2>/dev/null || true
    WINEPREFIX="$build_dir/wineprefix" wineserver -w 2>/dev/null || true
fi
cp -a "$build_dir/wineprefix/." "$prefix/"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

# The geometry (WxH+X+Y) of the first mapped window titled $1, or nothing.
viewable_geometry() {
    for id in $(xwininfo -root -tree 2>/dev/null | grep -F "\"$1\":" | awk '{print $1}'); do
        xwininfo -id "$id" 2>/dev/null | awk '
            /Absolute upper-left X:/ { x = $NF }
            /Absolute upper-left Y:/ { y = $NF }
            /Width:/ { w = $NF }
            /Height:/ { h = $NF }
            /Map State: IsViewable/ { viewable = 1 }
            END { if (viewable) printf "%dx%d+%d+%d\n", w, h, x, y }'
    done | head -n 1
}

# shot NAME TITLE WHOLE_SCREEN ARGUMENTS...: starts the showcase, waits for the
# window titled TITLE, and captures it (or the whole screen).
shot() {
    name=$1 title=$2 whole=$3
    shift 3
    wine "$showcase" "$@" /exit-after=30000 </dev/null >/dev/null 2>&1 &
    app_pid=$!
    geometry=""
    i=0
    while [ -z "$geometry" ] && [ $i -lt 300 ]; do
        geometry=$(viewable_geometry "$title")
        [ -n "$geometry" ] || sleep 0.1
        i=$((i + 1))
    done
    if [ -z "$geometry" ]; then
        echo "screenshots: no window \"$title\" for $name" >&2
        return 1
    fi
    sleep 1.5  # let it paint (and grow, with /more)
    geometry=$(viewable_geometry "$title")
    if [ "$whole" = yes ]; then
        import -window root "$out_dir/$name.png"
    else
        import -window root -crop "$geometry" +repage "$out_dir/$name.png"
    fi
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=""
    echo "$out_dir/$name.png"
}

shot background "Pelto Setup" yes main
shot gauge-0 Gauge no gauge 0 99 0
shot gauge-49 Gauge no gauge 1 200 100
shot gauge-100 Gauge no gauge 0 99 500
shot error-collapsed Warning no error profile 0
shot error-expanded Warning no error profile 0 /more
shot error-query-collapsed Warning no error file 13 /ask
shot error-query-expanded Warning no error file 13 /ask /more

# The wizard's pages, the folder dialog, the exit question, and from a real
# copy run the diskette prompt, the error report and the restart page.
status=0
wine "$page_shots" "$out_dir" </dev/null >/dev/null || status=$?
for bmp in "$out_dir"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png"
    rm -f "$bmp"
    echo "${bmp%.bmp}.png"
done

# The pictures the README shows, kept in docs/: 8-bit palette PNG files
# without time stamps, so that an unchanged page gives the same bytes.
docs_dir=$(cd "$(dirname "$0")/.." && pwd)/docs
mkdir -p "$docs_dir"
for pair in page-102-welcome-screen:welcome page-104-directory:destination page-106-group-listed:group \
            page-108-copy:copying diskette-prompt:diskette-prompt page-115-finished:finished; do
    picture="$out_dir/${pair%%:*}.png"
    if [ -f "$picture" ]; then
        convert "$picture" -strip +dither -colors 256 "PNG8:$docs_dir/${pair#*:}.png"
        echo "$docs_dir/${pair#*:}.png"
    fi
done
exit $status
