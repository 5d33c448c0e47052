#!/bin/sh
# Every Windows executable and DLL must import only Windows system DLLs, so
# INSTALL.EXE runs from a bare diskette. The sample product's programs may
# also import its own ledger engine, PELTO32.DLL.
set -eu
allowed='^(pelto32|kernel32|user32|gdi32|advapi32|comdlg32|comctl32|shell32|ole32|oleaut32|version|msvcrt|ws2_32|shlwapi|uuid|winmm|ntdll|api-ms-win-crt-[a-z0-9-]+)\.dll$'
bad=0
for dir in "$@"; do
    for f in $(find "$dir" -type f \( -iname '*.exe' -o -iname '*.dll' \) -not -path '*/wineprefix*' -not -path '*/CMakeFiles/*'); do
        for dll in $(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p'); do
            if ! printf '%s\n' "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed"; then
                echo "$f imports $dll, which is not a Windows system DLL" >&2
                bad=1
            fi
        done
    done
done
# The setup program imports only what its every run needs: each imported
# library is loaded, with its own imports, before the first page shows. The
# common dialogs and COM are looked up when first used.
for dir in "$@"; do
    for f in $(find "$dir" -type f -name 'INSTALL.EXE' -path '*/src/app/*'); do
        for dll in $(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p'); do
            if ! printf '%s\n' "$dll" | tr 'A-Z' 'a-z' | grep -Eq '^(kernel32|user32|gdi32|advapi32|version|msvcrt)\.dll$'; then
                echo "$f imports $dll: the setup program loads it at its start for every run" >&2
                bad=1
            fi
        done
    done
done
exit $bad
