#!/bin/sh
# Every program given carries both run-from-swap flags in its file header,
# as objdump (OBJDUMP) reads them: Windows then copies it whole before it runs
# from a diskette or a network share.
set -u
objdump=$1
shift
status=0
for program in "$@"; do
    header=$("$objdump" -p "$program") || { status=1; continue; }
    for flag in "copy to swap file if on removable media" "copy to swap file if on network media"; do
        if ! printf '%s\n' "$header" | grep -q "$flag"; then
            echo "$program: no \"$flag\" in its header"
            status=1
        fi
    done
done
[ $status -eq 0 ] && echo "both flags set in: $*"
exit $status
