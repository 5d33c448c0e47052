#!/usr/bin/env python3
"""Marks a Windows program to be run from the swap file when it is started
from a removable disk or a network share.

Windows pages a program in from the disk it was started from; once the user
takes out the diskette it came on, a page not yet read would be read from the
next diskette. With IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP and
IMAGE_FILE_NET_RUN_FROM_SWAP in the file header Windows copies the whole
program before it starts. GNU ld cannot set them, so the build sets them after
linking, and fixes the header's check sum when the linker wrote one.

    pe-swaprun.py PROGRAM
"""
import os
import struct
import sys

REMOVABLE_RUN_FROM_SWAP = 0x0400
NET_RUN_FROM_SWAP = 0x0800


def check_sum(data, sum_offset):
    """The image check sum: 16-bit words summed with carries folded in, the
    check sum field itself taken as zero, plus the file's length."""
    image = bytearray(data)
    image[sum_offset:sum_offset + 4] = b"\0\0\0\0"
    if len(image) % 2:
        image += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", image):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def main(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    if len(data) < 0x40 or data[:2] != b"MZ":
        sys.exit(f"pe-swaprun: {path}: not a Windows program")
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if pe + 24 + 68 > len(data) or data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"pe-swaprun: {path}: no PE header")
    flags_offset = pe + 4 + 18
    sum_offset = pe + 24 + 64  # the same offset in PE32 and PE32+ headers
    (flags,) = struct.unpack_from("<H", data, flags_offset)
    struct.pack_into("<H", data, flags_offset, flags | REMOVABLE_RUN_FROM_SWAP | NET_RUN_FROM_SWAP)
    (old_sum,) = struct.unpack_from("<I", data, sum_offset)
    if old_sum:
        struct.pack_into("<I", data, sum_offset, check_sum(bytes(data), sum_offset))
    with open(path + ".swaprun", "wb") as f:
        f.write(data)
    os.replace(path + ".swaprun", path)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: pe-swaprun.py PROGRAM")
    main(sys.argv[1])
