#!/bin/sh
# Reads the shortcut that shortcut_groups_tests left in the folder $1 with
# lnkinfo (Debian's liblnk-utils), a reader apart from the Windows shell: item
# 'Pelto 2.0' of group 'Pelto', saved as 'Pelto 2.lnk', starting pelto.exe with
# "/install" and showing icon 3 of C:\PELTO\icons.dll.
set -eu
info=$(lnkinfo "$1/Pelto/Pelto 2.lnk")
status=0
for field in 'Local path[[:space:]]*: C:\\.*\\pelto\.exe' 'Description[[:space:]]*: Pelto 2\.0' \
    'Command line arguments[[:space:]]*: /install' 'Icon location[[:space:]]*: C:\\PELTO\\icons\.dll' \
    'Icon index[[:space:]]*: 3'; do
    if ! printf '%s\n' "$info" | grep -Eq "^[[:space:]]*$field\$"; then
        echo "lnkinfo shows no line matching: $field" >&2
        status=1
    fi
done
[ $status -eq 0 ] || printf '%s\n' "$info" >&2
[ $status -eq 0 ] && echo "shortcut read back by lnkinfo: 5 fields as written"
exit $status
