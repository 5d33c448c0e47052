#!/bin/sh
# Runs a command with two small disks of its own, which the Wine prefix of a
# FRESH_PREFIX test gets as drives (scripts/wine-run): T:, a 2 MB tmpfs, and
# U:, a read-only tmpfs holding APP\OLD.TXT. Both are unmounted however the
# command ends. Where mounting is refused (not root), the command runs
# without them and skips what needs them. Exit status: the command's.
set -u
dir=$(mktemp -d /tmp/pelto-disks.XXXXXX)
mkdir "$dir/t" "$dir/u"
cleanup() {
    umount "$dir/t" 2>/dev/null
    umount "$dir/u" 2>/dev/null
    rmdir "$dir/t" "$dir/u" "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if mount -t tmpfs -o size=2m tmpfs "$dir/t" 2>/dev/null; then
    export PELTO_DRIVE_T="$dir/t"
else
    echo "small-disk.sh: cannot mount a tmpfs here (not root?): the full-disk cases are skipped"
fi
if mount -t tmpfs -o size=1m tmpfs "$dir/u" 2>/dev/null; then
    mkdir "$dir/u/APP" && echo old >"$dir/u/APP/OLD.TXT" && mount -o remount,ro "$dir/u" &&
        export PELTO_DRIVE_U="$dir/u"
fi
status=0
"$@" || status=$?
exit $status
