#!/usr/bin/env python3
"""Writes a skin of the shipped skin's shape for the skin benchmark: six layouts and 200 PNG
images (window backgrounds, button states, animation frames, icons) with anti-aliased shapes,
gradients and alpha edges, Paeth-filtered as image tools store such art, so that they compress
and decode about as real skin images do. With --cheap-filters the same pictures are written the
way skin/generate_artwork.py writes the shipped ones instead: every row of an image uses the one
of the None, Sub and Up filters that compresses it smallest. The output is the same on every run.

usage: make_bench_skin.py [--cheap-filters] OUTPUT_DIR
"""
import math
import os
import random
import shutil
import struct
import sys
import zlib


def paeth_row(row, previous, bpp):
    """The row filtered with the Paeth predictor, as image tools pick it for smooth art."""
    out = bytearray(len(row))
    for i, value in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = previous[i]
        c = previous[i - bpp] if i >= bpp else 0
        p = a + b - c
        pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
        predictor = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
        out[i] = (value - predictor) & 0xFF
    return bytes(out)


CHEAP_FILTERS = False


def cheap_rows(rows):
    """The image's rows, all filtered with the one of None, Sub and Up that compresses it smallest."""
    previous = bytes(len(rows[0]))
    none, sub, up = [], [], []
    for row in rows:
        none.append(b"\x00" + row)
        sub.append(b"\x01" + bytes((v - (row[i - 4] if i >= 4 else 0)) & 0xFF for i, v in enumerate(row)))
        up.append(b"\x02" + bytes((v - previous[i]) & 0xFF for i, v in enumerate(row)))
        previous = row
    return min((b"".join(filtered) for filtered in (none, sub, up)), key=lambda data: len(zlib.compress(data, 9)))


def png(width, height, pixel):
    """An RGBA PNG with Paeth-filtered rows (or cheap ones); pixel(x, y) returns (r, g, b, a)."""
    rows = []
    raw_rows = []
    previous = bytes(width * 4)
    for y in range(height):
        row = bytearray()
        for x in range(width):
            row.extend(pixel(x, y))
        raw_rows.append(bytes(row))
        if not CHEAP_FILTERS:
            rows.append(b"\x04" + paeth_row(row, previous, 4))
        previous = bytes(row)
    if CHEAP_FILTERS:
        rows = [cheap_rows(raw_rows)]

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) +
            chunk(b"IEND", b""))


def clamp(v):
    return max(0, min(255, int(v)))


def background(seed):
    rng = random.Random(seed)
    top = [rng.randrange(20, 90) for _ in range(3)]
    bottom = [rng.randrange(120, 255) for _ in range(3)]
    circles = [(rng.randrange(600), rng.randrange(400), rng.randrange(30, 160)) for _ in range(6)]

    def pixel(x, y):
        t = y / 399.0
        c = [top[i] + (bottom[i] - top[i]) * t for i in range(3)]
        for cx, cy, r in circles:
            d = math.hypot(x - cx, y - cy)
            if d < r:
                glow = (1 - d / r) * 40
                c = [v + glow for v in c]
        grain = (((x * 7919 + y * 104729) * 2654435761) >> 16) % 13 - 6
        return (clamp(c[0] + grain), clamp(c[1] + grain), clamp(c[2] + grain), 255)

    return png(600, 400, pixel)


def button(seed, width, height):
    rng = random.Random(seed)
    base = [rng.randrange(256) for _ in range(3)]
    radius = 6

    def pixel(x, y):
        dx = max(radius - x, x - (width - 1 - radius), 0)
        dy = max(radius - y, y - (height - 1 - radius), 0)
        d = math.hypot(dx, dy)
        alpha = clamp((radius + 0.5 - d) * 255)
        shade = 1.0 - 0.25 * y / height
        return (clamp(base[0] * shade), clamp(base[1] * shade), clamp(base[2] * shade), alpha)

    return png(width, height, pixel)


def frame(index, count, size):
    angle = 2 * math.pi * index / count

    def pixel(x, y):
        cx = cy = (size - 1) / 2.0
        d = math.hypot(x - cx, y - cy)
        ring = max(0.0, 1 - abs(d - size * 0.35) / 4)
        a = math.atan2(y - cy, x - cx) - angle
        sweep = (math.cos(a) + 1) / 2
        return (47, 143, 255, clamp(ring * sweep * 255))

    return png(size, size, pixel)


def icon(seed, size):
    rng = random.Random(seed)
    colour = [rng.randrange(256) for _ in range(3)]

    def pixel(x, y):
        d = math.hypot(x - size / 2.0, y - size / 2.0)
        return (colour[0], colour[1], colour[2], clamp((size / 2.0 - d) * 255))

    return png(size, size, pixel)


def write(root, relative, data):
    path = os.path.join(root, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def layout(name, images):
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             '<Window size="600,400" caption="0,0,0,35" roundcorner="5,5">',
             '  <Font id="0" name="微软雅黑" size="14" default="true"/>',
             '  <VerticalLayout name="%s" bkimage="%s">' % (name, images[0])]
    for i, image in enumerate(images[1:]):
        lines.append('    <Button name="b%d" width="100" height="36" normalimage="file=\'%s\'"/>' % (i, image))
    lines += ['  </VerticalLayout>', '</Window>', '']
    return "\n".join(lines).encode("utf-8")


def main():
    global CHEAP_FILTERS
    arguments = sys.argv[1:]
    if arguments and arguments[0] == "--cheap-filters":
        CHEAP_FILTERS = True
        arguments = arguments[1:]
    root = arguments[0]
    if os.path.exists(root):
        shutil.rmtree(root)
    images = []
    for i in range(4):
        images.append("res/mainWnd/bg%d.png" % (i + 1))
        write(root, images[-1], background(i))
    for i in range(60):
        images.append("res/common/btn%d_%d.png" % (i // 4, i % 4))
        write(root, images[-1], button(100 + i, 120 if i % 3 else 200, 40))
    for sequence in range(2):
        for i in range(40):
            images.append("res/anim%d/frame%02d.png" % (sequence, i))
            write(root, images[-1], frame(i, 40, 96 if sequence == 0 else 48))
    for i in range(56):
        images.append("res/icons/icon%d.png" % i)
        write(root, images[-1], icon(500 + i, 16 if i % 2 else 24))
    names = ["mainWnd", "MessageBox1Wnd", "MessageBox2Wnd", "exitTipWnd", "NetworkTipWnd", "InstalledPathTipWnd"]
    for index, name in enumerate(names):
        start = index * 30
        write(root, name + ".xml", layout(name, [images[0]] + images[start + 4:start + 34]))
    assert len(images) == 200


if __name__ == "__main__":
    main()
