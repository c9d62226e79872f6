#!/usr/bin/env bash
# A designer's picture brought in with generate_artwork.py --adopt, in a copy of the skin folder:
# it is stored with the cheap row filters and its own pixels, listed in handmade.txt, and a full
# run of the generator keeps it instead of drawing over it. Host Python only, no Wine.
# usage: handmade_artwork_test.sh SOURCE_DIR
set -uo pipefail
src=$(cd "${1:?usage: handmade_artwork_test.sh SOURCE_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/skin" "$work/app"
cp "$src/skin/generate_artwork.py" "$work/skin/"
: > "$work/skin/handmade.txt"
py=/usr/bin/python3

# A picture as an image editor may save it: every row Paeth-filtered, with transparency.
"$py" - "$work/designer.png" <<'PY' || exit 1
import struct, sys, zlib
w, h = 600, 400
pixels = [[((x * 7) % 256, (y * 3) % 256, (x + y) % 256, 255 if x > 10 else 0) for x in range(w)] for y in range(h)]
def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c
raw = bytearray()
for y in range(h):
    raw.append(4)
    for x in range(w):
        for k in range(4):
            a = pixels[y][x - 1][k] if x else 0
            b = pixels[y - 1][x][k] if y else 0
            c = pixels[y - 1][x - 1][k] if x and y else 0
            raw.append((pixels[y][x][k] - paeth(a, b, c)) % 256)
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
                              chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))
PY

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
"$py" "$work/skin/generate_artwork.py" --adopt "$work/designer.png" res/mainWnd/bg1.png >/dev/null || fail "--adopt failed"
"$py" "$work/skin/generate_artwork.py" --adopt "$work/designer.png" res/mainWnd/bg1.png >/dev/null || fail "--adopt again failed"
[ "$(grep -c '^res/mainWnd/bg1.png$' "$work/skin/handmade.txt")" = 1 ] || fail "handmade.txt does not list the picture once"
"$py" "$work/skin/generate_artwork.py" >"$work/log" 2>&1 || { fail "the generator failed"; cat "$work/log"; }
[ -f "$work/skin/res/mainWnd/bg2.png" ] || fail "the generator did not draw the other pictures"

# Same visible pixels as the designer's file (invisible ones may turn black), cheap filters only.
"$py" - "$work/designer.png" "$work/skin/res/mainWnd/bg1.png" <<'PY' || failures=$((failures + 1))
import struct, sys, zlib
from PIL import Image
a, b = Image.open(sys.argv[1]).convert("RGBA"), Image.open(sys.argv[2]).convert("RGBA")
if a.size != b.size:
    sys.exit(print("FAIL: size changed"))
for pa, pb in zip(a.getdata(), b.getdata()):
    if (pa[3] or pb[3]) and pa != pb:
        sys.exit(print(f"FAIL: pixel changed: {pa} -> {pb}"))
data = open(sys.argv[2], "rb").read()
at, packed, width = 8, b"", 0
while at < len(data):
    length, kind = struct.unpack(">I", data[at:at + 4])[0], data[at + 4:at + 8]
    if kind == b"IHDR":
        width, channels = struct.unpack(">I", data[at + 8:at + 12])[0], {2: 3, 6: 4}[data[at + 17]]
    if kind == b"IDAT":
        packed += data[at + 8:at + 8 + length]
    at += 12 + length
rows = zlib.decompress(packed)
stride = 1 + width * channels
filters = {rows[i] for i in range(0, len(rows), stride)}
if not filters <= {0, 1, 2}:
    sys.exit(print(f"FAIL: row filters {sorted(filters)}"))
PY

[ "$failures" -eq 0 ] && echo "hand-made artwork: all checks passed"
exit "$failures"
