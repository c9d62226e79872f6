#!/usr/bin/env python3
"""Lays out the language test skin in a staging folder: the layout and "language.json" from
tests/ui/skin, plus generated images (the combo's states and three animation frames of known
colours).

usage: make_language_skin.py SOURCE_SKIN_DIR STAGING_DIR
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "skinui"))
from make_test_skin import png, write  # noqa: E402

# Frame colours the sequence tests read back from the window.
FRAMES = [(255, 0, 0), (0, 160, 0), (0, 0, 255)]


def box(width, height, border, fill):
    rows = []
    for y in range(height):
        edge = y == 0 or y == height - 1
        rows.append([(border if edge or x == 0 or x == width - 1 else fill) + (255,) for x in range(width)])
    return png(width, height, rows)


def arrow(width, height, colour):
    """A small downward triangle on transparency."""
    rows = []
    for y in range(height):
        half = max(0, (height - y) * width // (2 * height))
        rows.append([colour + (255,) if abs(x - width // 2) < half else (0, 0, 0, 0) for x in range(width)])
    return png(width, height, rows)


def main():
    source, staging = sys.argv[1:3]
    if os.path.exists(staging):
        shutil.rmtree(staging)
    shutil.copytree(source, staging)
    write(os.path.join(staging, "res", "combo", "normal.png"), box(170, 30, (160, 170, 185), (255, 255, 255)))
    write(os.path.join(staging, "res", "combo", "hot.png"), box(170, 30, (47, 111, 214), (245, 249, 255)))
    write(os.path.join(staging, "res", "combo", "arrow.png"), arrow(12, 12, (47, 111, 214)))
    for i, colour in enumerate(FRAMES):
        write(os.path.join(staging, "res", "anim", "%03d.png" % i), png(24, 24, [[colour + (255,)] * 24] * 24))


if __name__ == "__main__":
    main()
