#!/bin/sh
# The 32-bit Wine that runs the shipped i686 INSTALL.EXE and the i686 test
# programs: an i386 Debian bookworm tree made once per machine with
# debootstrap, outside the build folders (make clean keeps it), entered with
# chroot by scripts/wine-run32.in.
#
#   i386-tree.sh ensure [DIR...]   make the tree when it is missing, mount what
#                                  a program inside needs (/proc, /sys, /dev,
#                                  /dev/pts, /dev/shm, the X sockets) and DIRs
#                                  at the same paths; prints the tree's root
#   i386-tree.sh check             exit 0 when the tree is ready
#   i386-tree.sh release           unmount everything mounted into the tree
#   i386-tree.sh remove            release, then delete the tree
#
# Never delete the tree with rm -r while it is entered: the source folder and
# /dev are mounted into it, and rm would go on into them.
#
# Exit status 3 (with the reason on standard error) when this machine cannot
# have the tree: not root, a kernel that does not run i386 programs, no
# debootstrap or no archive to fetch from. Callers skip the 32-bit tests then.
# The kernel runs i386 programs itself; never register an emulator for them.
set -eu
root="${PELTO_I386_ROOT:-/var/cache/pelto/i386-bookworm}"
mirror="${PELTO_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
# What the tests run inside besides Wine: lnkinfo reads shortcuts, fusefat
# serves diskette images where the kernel has no FAT driver of its own.
packages="wine wine32 fonts-wine liblnk-utils fusefat"

refuse() {
    echo "i386-tree: $*" >&2
    exit 3
}

is_mounted() {
    # /proc/self/mounts lists mount points with blanks as \040; ours have none.
    awk -v p="$1" '$2 == p { found = 1 } END { exit !found }' /proc/self/mounts
}

bind() {
    # bind SOURCE TARGET [rec]: TARGET inside the tree, made when missing.
    is_mounted "$2" && return 0
    if [ -d "$1" ]; then mkdir -p "$2"; else mkdir -p "$(dirname "$2")"; : >>"$2"; fi
    if [ "${3:-}" = rec ]; then mount --rbind "$1" "$2"; else mount --bind "$1" "$2"; fi
}

mount_all() {
    is_mounted "$1/proc" || { mkdir -p "$1/proc"; mount -t proc proc "$1/proc"; }
    is_mounted "$1/sys" || { mkdir -p "$1/sys"; mount -t sysfs sysfs "$1/sys"; }
    bind /dev "$1/dev" rec
    is_mounted "$1/dev/pts" || mount --bind /dev/pts "$1/dev/pts"
    is_mounted "$1/dev/shm" || mount --bind /dev/shm "$1/dev/shm"
    mkdir -p /tmp/.X11-unix
    chmod 1777 /tmp/.X11-unix 2>/dev/null || true
    bind /tmp/.X11-unix "$1/tmp/.X11-unix"
}

release_tree() {
    for m in $(awk -v p="$1/" 'index($2, p) == 1 { print $2 }' /proc/self/mounts | sort -r); do
        umount -l "$m" 2>/dev/null || true
    done
}

build_tree() {
    [ "$(id -u)" -eq 0 ] || refuse "making the i386 tree needs root (debootstrap, chroot, mount)"
    command -v debootstrap >/dev/null || refuse "debootstrap is not installed (make deps installs it)"
    partial="$root.partial"
    release_tree "$partial"
    rm -rf --one-file-system "$partial"
    mkdir -p "$(dirname "$root")"
    echo "i386-tree: making the 32-bit Wine tree in $root (once per machine)" >&2
    debootstrap --arch=i386 --variant=minbase --foreign bookworm "$partial" "$mirror" >"$root.log" 2>&1 ||
        refuse "debootstrap could not fetch bookworm/i386 from $mirror (see $root.log)"
    # The first program of the tree tells whether this kernel runs i386 programs.
    chroot "$partial" /bin/true 2>>"$root.log" ||
        refuse "this kernel does not run i386 programs (no 32-bit emulation)"
    chroot "$partial" /debootstrap/debootstrap --second-stage >>"$root.log" 2>&1 ||
        refuse "the second stage of debootstrap failed (see $root.log)"
    cp /etc/resolv.conf "$partial/etc/resolv.conf" 2>/dev/null || true
    mount_all "$partial"
    if ! chroot "$partial" /usr/bin/env DEBIAN_FRONTEND=noninteractive sh -c \
        "apt-get update -qq && apt-get install -y -qq --no-install-recommends $packages" >>"$root.log" 2>&1; then
        refuse "installing Wine into the tree failed (see $root.log)"
    fi
    chroot "$partial" apt-get clean >/dev/null 2>&1 || true
    release_tree "$partial"
    echo "$packages" >"$partial/.pelto-ready"
    mv "$partial" "$root"
}

# A tree made before the list of packages grew gets what it lacks.
update_tree() {
    [ "$(cat "$root/.pelto-ready")" = "$packages" ] && return 0
    cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
    if ! chroot "$root" /usr/bin/env DEBIAN_FRONTEND=noninteractive sh -c \
        "apt-get update -qq && apt-get install -y -qq --no-install-recommends $packages" >>"$root.log" 2>&1; then
        refuse "installing $packages into the tree failed (see $root.log)"
    fi
    chroot "$root" apt-get clean >/dev/null 2>&1 || true
    echo "$packages" >"$root/.pelto-ready"
}

case "${1:-}" in
release)
    [ -d "$root" ] || exit 0
    (
        flock 9
        release_tree "$root"
    ) 9>"$root.lock"
    ;;
remove)
    [ -d "$root" ] || exit 0
    (
        flock 9
        release_tree "$root"
        rm -rf --one-file-system "$root" "$root.partial"
    ) 9>"$root.lock"
    ;;
check)
    [ -f "$root/.pelto-ready" ]
    ;;
ensure)
    shift
    if [ ! -f "$root/.pelto-ready" ] || ! is_mounted "$root/proc" ||
        [ "$(cat "$root/.pelto-ready")" != "$packages" ]; then
        [ "$(id -u)" -eq 0 ] || refuse "the 32-bit tests need root (chroot, mount)"
    fi
    mkdir -p "$(dirname "$root")"
    (
        flock 9
        [ -f "$root/.pelto-ready" ] || build_tree
        mount_all "$root"
        update_tree
        for dir in "$@"; do
            dir=$(cd "$dir" && pwd -P)
            bind "$dir" "$root$dir"
        done
    ) 9>"$root.lock"
    echo "$root"
    ;;
*)
    echo "usage: i386-tree.sh ensure [DIR...] | check | release | remove" >&2
    exit 2
    ;;
esac
