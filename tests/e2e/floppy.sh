#!/bin/sh
# The diskette drive of the end-to-end tests, started by them from inside Wine
# (so the mounts happen where the setup program looks): a diskette image goes
# in read-only through a loop device, and comes out with a lazy unmount, as a
# person takes a diskette out while programs may still hold its files. Wine
# gives a Unix program neither a process handle nor its pipes: each command
# writes its answer to DONE (renamed into place when complete), "ok" or why not.
#
#   floppy.sh insert IMAGE MOUNTPOINT DONE
#   floppy.sh eject MOUNTPOINT DONE
#   floppy.sh holders MOUNTPOINT DONE   every file of the diskette last taken
#                                       out that a process still holds:
#                                       "pid program fd|cwd|map path" lines
#
# The kernel's FAT driver serves the image where there is one, fusefat where
# there is not. MOUNTPOINT.state keeps the loop device and the file system's
# device number of the diskette in the drive, MOUNTPOINT.out those of the one
# taken out last.
set -u
command=$1
done_file=$3
[ "$command" = insert ] && done_file=$4

answer() {
    printf '%s\n' "$1" >"$done_file.part"
    mv "$done_file.part" "$done_file"
    exit 0
}

case "$command" in
insert)
    image=$2 mountpoint=$3
    [ -e "$mountpoint.state" ] && answer "a diskette is in the drive already"
    loop=$(losetup --read-only --find --show "$image" 2>&1) || answer "losetup: $loop"
    if grep -qw vfat /proc/filesystems; then
        why=$(mount -t vfat -o ro "$loop" "$mountpoint" 2>&1)
    else
        why=$(fusefat -o ro "$loop" "$mountpoint" 2>&1 >/dev/null)
    fi
    # fusefat reports success before the file system answers.
    i=0
    while [ "$(stat -c %d "$mountpoint")" = "$(stat -c %d "$mountpoint/..")" ] && [ $i -lt 50 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    if [ "$(stat -c %d "$mountpoint")" = "$(stat -c %d "$mountpoint/..")" ]; then
        losetup -d "$loop" 2>/dev/null
        answer "cannot mount $image: $why"
    fi
    echo "$loop $(stat -c %d "$mountpoint")" >"$mountpoint.state"
    answer ok
    ;;
eject)
    mountpoint=$2
    [ -e "$mountpoint.state" ] || answer ok
    read -r loop device <"$mountpoint.state"
    why=$(umount -l "$mountpoint" 2>&1) || answer "umount: $why"
    # Detached now; the loop device goes once the last user lets go of it.
    losetup -d "$loop" 2>/dev/null
    mv "$mountpoint.state" "$mountpoint.out"
    answer ok
    ;;
holders)
    mountpoint=$2
    [ -e "$mountpoint.out" ] || answer "no diskette was taken out"
    read -r loop device <"$mountpoint.out"
    # The device as /proc/PID/maps writes it: major:minor in hexadecimal.
    mapped=$(printf '%02x:%02x' $(((device >> 8) & 0xfff)) $(((device & 0xff) | ((device >> 12) & 0xfff00))))
    out="$done_file.list"
    : >"$out"
    for proc in /proc/[0-9]*; do
        pid=${proc#/proc/}
        [ "$pid" = $$ ] && continue
        program=$(cat "$proc/cmdline" 2>/dev/null | tr '\0' ' ' | cut -c1-80)
        # The driver serving the diskette holds it by its nature.
        case "$program" in fusefat*"$loop"*) continue ;; esac
        for fd in "$proc"/fd/* "$proc/cwd"; do
            [ "$(stat -L -c %d "$fd" 2>/dev/null)" = "$device" ] || continue
            kind=fd
            [ "$fd" = "$proc/cwd" ] && kind=cwd
            echo "$pid $program| $kind $(readlink "$fd")" >>"$out"
        done
        awk -v dev="$mapped" -v pid="$pid" -v program="$program" \
            '$4 == dev && !seen[$6]++ { print pid " " program "| map " $6 }' "$proc/maps" 2>/dev/null >>"$out"
    done
    list=$(cat "$out")
    rm -f "$out"
    [ -n "$list" ] && answer "$list"
    answer ok
    ;;
*)
    echo "usage: floppy.sh insert IMAGE MOUNTPOINT DONE | eject MOUNTPOINT DONE | holders MOUNTPOINT DONE" >&2
    exit 2
    ;;
esac
