#!/bin/sh
# The demo: builds the diskette set of the sample product Pelto with diskset
# (native) from the layout the build staged, with an image of each diskette,
# lists its main archive across its volumes and tests the whole set, folders
# and images; then the Windows build of diskset tests the same set under Wine. Then INSTALL.EXE installs Pelto from a copy of the set
# on drive C, quietly (/Q) with a run log (/L:), in a private Wine prefix; the demo shows what was
# installed, runs the removal command the installation registered and shows
# what is left, then the run log of both runs.
#   scripts/demo.sh [--gui] HOSTDIR WIN64DIR
# --gui runs the installation and the removal interactively on the display
# (DISPLAY must be set) and starts Pelto in between. Without it the demo runs
# on a private Xvfb display when DISPLAY is unset. It leaves no Wine process or
# Xvfb behind. The set is built in HOSTDIR/../demo.
set -eu
gui=no
if [ "${1:-}" = --gui ]; then
    gui=yes
    shift
fi
[ $# -eq 2 ] || { echo "usage: scripts/demo.sh [--gui] HOSTDIR WIN64DIR" >&2; exit 2; }
host_dir=$(cd "$1" && pwd)
win_dir=$(cd "$2" && pwd)
out="$(dirname "$host_dir")/demo"
diskset="$host_dir/tools/diskset/diskset"
layout="$win_dir/sample/pelto.layout"

# printf, not echo: the texts hold Windows paths, whose backslashes echo may
# take for escapes ('\r' in 'C:\SETUP\run.log').
heading() {
    echo
    printf '== %s ==\n' "$*"
}

[ -f "$layout" ] || { echo "demo: $layout is missing (build the target sample in $win_dir)" >&2; exit 1; }
if [ $gui = yes ] && [ -z "${DISPLAY:-}" ]; then
    echo "demo: the interactive demo needs a display (DISPLAY is not set)" >&2
    exit 1
fi

heading "Building the diskette set of Pelto from $layout"
echo "(the layout and the product's files as the build staged them; the set's"
echo "setup program is the shipped INSTALL.EXE that the layout names)"
rm -rf "$out"
"$diskset" build "$layout" "$out" --images
heading "The main archive PELTO.Z1 across its volumes"
"$diskset" list "$out/DISK02/PELTO.Z1"
heading "Testing the set"
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

# --- Installing and removing the sample -------------------------------------

. "$(dirname "$0")/wine-session.sh"

# The build tree's prefix (made by its wine-run on first use, which the test
# above has done), copied: the demo never changes the prefix the tests use.
[ -f "$win_dir/wineprefix/.pelto-ready" ] || { echo "demo: no Wine prefix in $win_dir" >&2; exit 1; }
prefix=$(mktemp -d /tmp/pelto-demo.XXXXXX)
cp -a "$win_dir/wineprefix/." "$prefix/"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
drive_c="$prefix/drive_c"

# The set copied to disk as a vendor would: C:\SETUP\DISK01, DISK02, ...
mkdir -p "$drive_c/SETUP"
for disk in "$out"/DISK*/; do
    cp -a "$disk" "$drive_c/SETUP/"
done
heading "The diskette set copied to C:\\SETUP"
(cd "$drive_c/SETUP" && for disk in DISK*; do
    printf '%s  %s\n' "$disk" "$(ls "$disk" | tr '\n' ' ')"
done)

app_key='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\pelto.exe'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelto'
shared_key='HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs'
dest="$drive_c/PELTO"
system="$drive_c/windows/system32"
log="$drive_c/windows/pelto.log"

# Waits up to $2 tenths of a second for the shell condition $1.
wait_for() {
    i=0
    while ! eval "$1" && [ "$i" -lt "$2" ]; do sleep 0.1; i=$((i + 1)); done
    eval "$1"
}

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
        if [ -f "$dest/pelto.ini" ]; then
            echo "pelto.ini, written by \"pelto.exe /install\":"
            tr -d '\r' <"$dest/pelto.ini" | sed 's/^/    /'
        fi
    else
        echo "(no folder C:\\PELTO)"
    fi
    heading "Shared files in the System directory"
    for file in PELTO32.DLL _cleanup.exe; do
        if [ -f "$system/$file" ]; then
            printf '%8s  C:\\windows\\system32\\%s\n' "$(stat -c %s "$system/$file")" "$file"
        else
            echo "(no C:\\windows\\system32\\$file)"
        fi
    done
    echo "$shared_key, its entries for them:"
    wine reg query "$shared_key" 2>/dev/null | tr -d '\r' | grep -i -e pelto32 -e _cleanup || echo "    (none)"
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

if [ $gui = yes ]; then
    heading "Installing: wine C:\\SETUP\\DISK01\\INSTALL.EXE (on your display; answer its pages)"
    install_options=""
else
    heading "Installing: wine C:\\SETUP\\DISK01\\INSTALL.EXE /Q /L:C:\\SETUP\\run.log (quiet, with the administrator's run log)"
    install_options='/Q /L:C:\SETUP\run.log'
fi
install_status=0
# shellcheck disable=SC2086 # the options are words of their own
wine 'C:\SETUP\DISK01\INSTALL.EXE' $install_options </dev/null >/dev/null 2>&1 || install_status=$?
printf '%s\n' "INSTALL.EXE${install_options:+ $install_options} ended with exit code $install_status"
# Setup starts "pelto.exe /install" without waiting for it.
[ $install_status -ne 0 ] || wait_for '[ -f "$dest/pelto.ini" ]' 100 || true
show_state

if [ $gui = yes ] && [ $install_status -eq 0 ]; then
    heading "Starting Pelto as its Start-menu item does: C:\\PELTO\\PELTO.EXE SAMPLES\\SPRING.LDG"
    echo "(close Pelto's window to go on to the removal)"
    wine 'C:\PELTO\PELTO.EXE' 'SAMPLES\SPRING.LDG' </dev/null >/dev/null 2>&1 || true
fi

# The removal runs the command the installation registered for it.
remove_status=0
command=$(wine reg query "$uninstall_key" /v UninstallString 2>/dev/null | tr -d '\r' \
    | sed -n 's/^ *UninstallString *REG_SZ *//p')
if [ -z "$command" ]; then
    echo
    echo "demo: the installation registered no removal command" >&2
    remove_status=1
else
    program=${command% /U}
    if [ $gui = yes ]; then
        remove_options="/U"
    else
        remove_options='/U /Q /L:C:\SETUP\run.log'
    fi
    heading "Removing: the registered command \"$command\", run as wine $program $remove_options"
    if [ $gui = no ]; then
        echo "(/Q added, so that the removal runs quietly; its lines go to the same run log)"
    fi
    # shellcheck disable=SC2086 # the options are words of their own
    wine "$program" $remove_options </dev/null >/dev/null 2>&1 || remove_status=$?
    printf '%s\n' "INSTALL.EXE $remove_options ended with exit code $remove_status"
    # _cleanup.exe may still be at work when setup has ended.
    if [ $remove_status -eq 0 ]; then
        echo "A running program cannot delete its own file, so the removal leaves"
        echo "C:\\PELTO\\INSTALL.EXE and its folder behind. As it ends, the setup program"
        echo "starts C:\\windows\\system32\\_cleanup.exe, which waits for it to end and then"
        echo "deletes INSTALL.EXE and the empty folder C:\\PELTO."
        if wait_for '[ ! -e "$dest" ]' 300; then
            echo "_cleanup.exe has done so."
        else
            echo "demo: C:\\PELTO is still there after the clean-up" >&2
            remove_status=1
        fi
    fi
fi
echo
echo "What is left after the removal follows. Files of the System directory only"
echo "lose their count of installations under SharedDLLs and stay; the install log"
echo "stays and records the removal's events."
show_state

if [ $gui = no ] && [ -f "$drive_c/SETUP/run.log" ]; then
    heading "The run log of both runs, C:\\SETUP\\run.log (time, kind, fields; tabs shown as two blanks)"
    tr -d '\r' <"$drive_c/SETUP/run.log" | sed 's/\t/  /g'
fi

echo
if [ $install_status -ne 0 ] || [ $remove_status -ne 0 ]; then
    echo "demo: the installation or the removal failed" >&2
    exit 1
fi
echo "Pelto was installed and removed again."
