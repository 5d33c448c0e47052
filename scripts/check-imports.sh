#!/bin/sh
# Every Windows executable and DLL must import only Windows system DLLs, so
# INSTALL.EXE runs from a bare diskette. The sample product's programs may
# also import its own ledger engine, PELTO32.DLL. The setup program itself
# imports only what its every run needs: each imported library is loaded,
# with its own imports, before the first page shows; the common dialogs and
# COM are looked up when first used.
set -eu
allowed='^(pelto32|kernel32|user32|gdi32|advapi32|comdlg32|comctl32|shell32|ole32|oleaut32|version|msvcrt|ws2_32|shlwapi|uuid|winmm|ntdll|api-ms-win-crt-[a-z0-9-]+)\.dll$'
setup_allowed='^(kernel32|user32|gdi32|advapi32|version|msvcrt)\.dll$'
bad=0

# check FILE PATTERN WHY: every DLL that FILE imports matches PATTERN.
check() {
    for dll in $(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'); do
        if ! printf '%s\n' "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$2"; then
            echo "$1 imports $dll, $3" >&2
            bad=1
        fi
    done
}

for dir in "$@"; do
    for f in $(find "$dir" -type f \( -iname '*.exe' -o -iname '*.dll' \) -not -path '*/wineprefix*' -not -path '*/CMakeFiles/*'); do
        check "$f" "$allowed" "which is not a Windows system DLL"
    done
    for f in $(find "$dir" -type f -name 'INSTALL.EXE' -path '*/src/app/*'); do
        check "$f" "$setup_allowed" "which the setup program would load at its start in every run"
    done
done
exit $bad
