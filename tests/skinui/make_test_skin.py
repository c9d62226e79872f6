#!/usr/bin/env python3
"""Lays out the test skin in a staging folder: the layout files from tests/skinui/skin, plus
generated PNG images with known pixels, an empty file and the two 4 MiB boundary layouts.
It also writes the files of the stored (uncompressed, non-solid) archive that the tests damage.

usage: make_test_skin.py SOURCE_SKIN_DIR STAGING_DIR TAIL_DIR
"""
import os
import shutil
import struct
import sys
import zlib

FOUR_MIB = 4 * 1024 * 1024


def png(width, height, rgba_rows):
    """A PNG with 8-bit RGBA pixels; rgba_rows is a list of rows of (r, g, b, a)."""
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in rgba_rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def layout_of_size(size):
    """A valid layout of exactly `size` bytes: a window whose comment pads it out."""
    head = b'<Window size="10,10"><!--'
    tail = b'--><Control name="big"/></Window>'
    return head + b"x" * (size - len(head) - len(tail)) + tail


def main():
    source, staging, tail_dir = sys.argv[1:4]
    if os.path.exists(staging):
        shutil.rmtree(staging)
    shutil.copytree(source, staging)

    # Pixel values the image tests check after premultiplication.
    write(os.path.join(staging, "res", "common", "pixels.png"),
          png(5, 1, [[(255, 0, 0, 128), (0, 0, 0, 0), (10, 20, 30, 255), (200, 100, 50, 255), (255, 255, 255, 1)]]))
    write(os.path.join(staging, "res", "common", "opaque.png"),
          png(2, 2, [[(1, 2, 3, 255), (4, 5, 6, 255)], [(7, 8, 9, 255), (10, 11, 12, 255)]]))
    write(os.path.join(staging, "Res", "MainWnd", "Bg1.png"), png(3, 2, [[(9, 9, 9, 255)] * 3] * 2))
    write(os.path.join(staging, "res", "中文", "图标.png"), png(1, 1, [[(0, 255, 0, 255)]]))
    write(os.path.join(staging, "res", "empty.xml"), b"")
    write(os.path.join(staging, "res", "big", "exact.xml"), layout_of_size(FOUR_MIB))
    write(os.path.join(staging, "res", "big", "over.xml"), layout_of_size(FOUR_MIB + 1))

    if os.path.exists(tail_dir):
        shutil.rmtree(tail_dir)
    for name in ("a.txt", "b.txt", "c.txt", "d.txt"):
        marker = ("<<" + name + " content>>").encode()
        write(os.path.join(tail_dir, name), marker * 50)


if __name__ == "__main__":
    main()
