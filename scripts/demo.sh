#!/bin/sh
# The demo: builds the diskette set of the sample product with diskset (native),
# lists its main archive across its volumes and tests the whole set; then the
# Windows build of diskset tests the same set under Wine. Then INSTALL.EXE
# installs the sample from a copy of the set on drive C, unattended, in a
# private Wine prefix; the demo shows what was installed, removes it again and
# shows what is left.
#   scripts/demo.sh HOSTDIR WIN64DIR
# Runs on a private Xvfb display when DISPLAY is unset; leaves no Wine process
# or Xvfb behind.
set -eu
host_dir=$1
win_dir=$(cd "$2" && pwd)
out=build/demo
diskset="$host_dir/tools/diskset/diskset"
setup="$win_dir/src/app/INSTALL.EXE"

heading() {
    echo
    echo "== $* =="
}

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
WINEPREFIX="$win_dir/wineprefix" wineserver -w 2>/dev/null || true
[ $status -eq 0 ] || exit $status
[ -f "$setup" ] || { echo "demo: $setup is missing (build target install_exe)" >&2; exit 1; }

# --- Installing and removing the sample -------------------------------------

xvfb_pid=""
prefix=""
cleanup() {
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
trap cleanup EXIT
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

# The build tree's prefix (made by its wine-run on first use, which the test
# above has done), copied: the demo never changes the prefix the tests use.
[ -f "$win_dir/wineprefix/.pelto-ready" ] || { echo "demo: no Wine prefix in $win_dir" >&2; exit 1; }
prefix=$(mktemp -d /tmp/pelto-demo.XXXXXX)
cp -a "$win_dir/wineprefix/." "$prefix/"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
drive_c="$prefix/drive_c"

# The set copied to disk as a vendor would: C:\SETUP\DISK01, DISK02, ...
mkdir -p "$drive_c/SETUP"
for disk in "$out"/DISK*; do
    cp -a "$disk" "$drive_c/SETUP/"
done
heading "The diskette set copied to C:\\SETUP"
(cd "$drive_c/SETUP" && ls -d DISK*)

app_key='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\pelto.exe'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelto'
shared_key='HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs'
dest="$drive_c/PELTO"
log="$drive_c/windows/pelto.log"

# The Start menu's "Pelto" groups (Wine keeps the user's Programs folder under
# AppData, the common one under ProgramData).
groups() {
    for group in "$drive_c"/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/Pelto \
                 "$drive_c"/ProgramData/Microsoft/Windows/"Start Menu"/Programs/Pelto; do
        [ -d "$group" ] && echo "$group"
    done
    return 0
}

# Prints every entry of a registry key, or says that there is none.
show_key() {
    echo "$1:"
    if entries=$(wine reg query "$1" 2>/dev/null); then
        echo "$entries" | tr -d '\r' | grep -v -e '^$' -e '^HKEY_'
    else
        echo "    (no such key)"
    fi
}

# Prints the installation's traces, as far as they exist.
show_state() {
    heading "Files under C:\\PELTO"
    if [ -d "$dest" ]; then
        (cd "$dest" && find . -mindepth 1 \( -type d -printf '     dir  %P/\n' \) -o -printf '%8s  %P\n' \
            | LC_ALL=C sort -k2 | tr / '\\')
        [ -n "$(ls -A "$dest")" ] || echo "(C:\\PELTO is there, empty)"
    else
        echo "(no folder C:\\PELTO)"
    fi
    heading "The shared engine in the System directory"
    if [ -f "$drive_c/windows/system32/PELTO32.DLL" ]; then
        (cd "$drive_c/windows/system32" && find . -maxdepth 1 -name PELTO32.DLL -printf '%8s  C:\\windows\\system32\\%P\n')
    else
        echo "(no C:\\windows\\system32\\PELTO32.DLL)"
    fi
    echo "$shared_key, its entries for Pelto:"
    wine reg query "$shared_key" 2>/dev/null | tr -d '\r' | grep -i pelto || echo "    (none)"
    heading "The install log C:\\windows\\pelto.log"
    if [ -f "$log" ]; then
        tr -d '\r' <"$log"
    else
        echo "(no install log)"
    fi
    heading "Registry"
    show_key "$app_key"
    show_key "$uninstall_key"
    heading "Start menu group \"Pelto\""
    found=no
    for group in $(groups | tr ' ' '\001'); do
        group=$(echo "$group" | tr '\001' ' ')
        found=yes
        echo "${group#"$drive_c"/}:"
        for link in "$group"/*; do
            [ -e "$link" ] || continue
            echo "  $(basename "$link")"
            if command -v lnkinfo >/dev/null 2>&1; then
                lnkinfo "$link" 2>/dev/null | grep -E -i '^\s*(Local path|Working directory|Command line arguments|Icon location|Description)' \
                    | sed -e 's/^\s*/    /' -e 's/\s*:\s*/: /' -e 's/\s*$//' | grep -v ': *$' || true
            fi
        done
    done
    [ $found = yes ] || echo "(no group)"
}

heading "Installing: wine C:\\SETUP\\DISK01\\INSTALL.EXE /B (unattended)"
install_status=0
wine 'C:\SETUP\DISK01\INSTALL.EXE' /B </dev/null >/dev/null 2>&1 || install_status=$?
echo "INSTALL.EXE /B ended with exit code $install_status"
show_state

# The removal entry's command is "<destination>\INSTALL.EXE /U", but the sample
# does not install INSTALL.EXE into its destination: the removal runs the one
# on the first diskette, which reads the same install log.
heading "Removing: wine C:\\SETUP\\DISK01\\INSTALL.EXE /U /B"
echo "(The registered command C:\\PELTO\\INSTALL.EXE /U would do the same, but the"
echo "sample does not install INSTALL.EXE, so the demo runs the one on diskette 1.)"
remove_status=0
wine 'C:\SETUP\DISK01\INSTALL.EXE' /U /B </dev/null >/dev/null 2>&1 || remove_status=$?
echo "INSTALL.EXE /U /B ended with exit code $remove_status"
echo
echo "What is left after the removal follows. A file of the System directory only"
echo "loses its count of installations under SharedDLLs and stays; the install log"
echo "stays and records the removal's events."
show_state

echo
if [ $install_status -ne 0 ] || [ $remove_status -ne 0 ]; then
    echo "demo: the installation or the removal failed" >&2
    exit 1
fi
echo "The sample was installed and removed again."
