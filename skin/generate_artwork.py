#!/usr/bin/env python3
"""Draws every picture of the shipped skin and the product icon.

Run it with Debian's Python, which has Pillow (package python3-pil):

    /usr/bin/python3 skin/generate_artwork.py

It rewrites skin/res/ from scratch (only the images the layouts use) and app/product.ico.
The output is the same on every run; commit it together with this script. With --output DIR
it writes DIR/res/ and DIR/product.ico instead (the tests compare that with what is committed).

Everything is drawn at four times its size and reduced, so edges are anti-aliased. One palette
and one type scale (the fonts of the layouts: 12, 14, 16, 24 and 39 pixels) serve every image;
text is drawn into an image only for the tip windows' image buttons.

Pictures a designer made by hand are listed in skin/handmade.txt: this script never draws or
deletes them, and the tests do not expect it to. Bring one in with

    /usr/bin/python3 skin/generate_artwork.py --adopt DESIGNER.png res/mainWnd/bg1.png

which stores the picture in the encoding below and adds it to the list.

The PNG files are written here rather than by Pillow, with row filters that the installer undoes
cheaply (see encode_png); bench/compare_pictures.py shows that a change of encoding keeps every
pixel.
"""

import argparse
import io
import math
import os
import shutil
import struct
import sys
import zlib

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont, ImageMath

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, "res")
HANDMADE_LIST = os.path.join(HERE, "handmade.txt")
ICON_PATH = os.path.join(HERE, "..", "app", "product.ico")
FONT_FILE = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

SS = 4  # supersampling factor of every drawn shape

# The palette. The layouts use the same values as #AARRGGBB text colours.
BRAND_DEEP = (20, 67, 224)  # 1443E0
BRAND = (36, 110, 255)  # 246EFF
BRAND_BRIGHT = (47, 143, 255)  # 2F8FFF
BRAND_LIGHT = (77, 160, 255)  # 4DA0FF
BRAND_PRESSED = (24, 82, 214)  # 1852D6
INK = (31, 38, 51)  # 1F2633
INK_SECONDARY = (107, 117, 133)  # 6B7585
INK_DISABLED = (176, 184, 196)  # B0B8C4
LINE = (211, 219, 230)  # D3DBE6
LINE_STRONG = (180, 191, 206)  # B4BFCE
TRACK = (228, 234, 244)  # E4EAF4
SURFACE = (255, 255, 255)
SURFACE_PRESSED = (236, 242, 251)  # ECF2FB
SUCCESS = (22, 178, 115)  # 16B273
SUCCESS_BRIGHT = (52, 205, 143)  # 34CD8F
DANGER = (232, 72, 85)  # E84855
DANGER_DEEP = (196, 48, 62)  # C4303E
TOOLTIP = (43, 52, 69)  # 2B3445
WHITE = (255, 255, 255)

# Where the main window's pages let the hero band end (the white part below holds the controls).
HERO_BOTTOM = {"bg1": 222, "bg2": 150, "bg3": 230, "bg4": 230}


# ----------------------------------------------------------------------------- basic drawing


def rgba(color, alpha=1.0):
    return (color[0], color[1], color[2], int(round(255 * alpha)))


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def ease_in_out(t):
    return (1 - math.cos(math.pi * t)) / 2


def mask(size, *painters):
    """Coverage mask of the union of shapes, anti-aliased by supersampling."""
    w, h = size
    big = Image.new("L", (w * SS, h * SS), 0)
    draw = ImageDraw.Draw(big)
    for paint in painters:
        paint(draw, SS)
    return big.resize(size, Image.Resampling.BOX)


def rrect(box, radius, fill=255):
    x0, y0, x1, y1 = box

    def paint(d, s):
        r = max(0, radius * s)
        d.rounded_rectangle((x0 * s, y0 * s, x1 * s - 1, y1 * s - 1), r, fill=fill)

    return paint


def ellipse(box, fill=255):
    x0, y0, x1, y1 = box

    def paint(d, s):
        d.ellipse((x0 * s, y0 * s, x1 * s - 1, y1 * s - 1), fill=fill)

    return paint


def polygon(points, fill=255):
    def paint(d, s):
        d.polygon([(x * s, y * s) for x, y in points], fill=fill)

    return paint


def polyline(points, width, fill=255):
    """A stroke with round caps and joins."""

    def paint(d, s):
        pts = [(x * s, y * s) for x, y in points]
        d.line(pts, fill=fill, width=int(round(width * s)), joint="curve")
        r = width * s / 2
        for x, y in (pts[0], pts[-1]):
            d.ellipse((x - r, y - r, x + r, y + r), fill=fill)

    return paint


def ring(center, radius, width, fill=255):
    cx, cy = center

    def paint(d, s):
        r = (radius + width / 2) * s
        d.ellipse((cx * s - r, cy * s - r, cx * s + r, cy * s + r), outline=fill, width=int(round(width * s)))

    return paint


def squircle_points(box, exponent=5.0, steps=240):
    x0, y0, x1, y1 = box
    cx, cy, rx, ry = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2
    points = []
    for i in range(steps):
        a = 2 * math.pi * i / steps
        c, s = math.cos(a), math.sin(a)
        points.append((cx + rx * math.copysign(abs(c) ** (2 / exponent), c),
                       cy + ry * math.copysign(abs(s) ** (2 / exponent), s)))
    return points


def subtract(a, b):
    return ImageChops.subtract(a, b)


def scale_mask(m, factor):
    return m.point(lambda v: int(round(v * factor)))


def linear_gradient(size, stops, start, end):
    """RGBA gradient along start -> end (clamped beyond them); stops are (position, colour) pairs.

    The colours are computed once along the gradient's axis, over the range the image covers,
    and the strip is then mapped onto the image with an affine transform."""
    w, h = size
    (sx, sy), (ex, ey) = start, end
    dx, dy = ex - sx, ey - sy
    length2 = float(dx * dx + dy * dy)

    def position(x, y):
        return ((x - sx) * dx + (y - sy) * dy) / length2

    def colour_at(t):
        t = min(1.0, max(0.0, t))
        for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
            if t <= t1:
                return mix(c0, c1, 0 if t1 == t0 else (t - t0) / (t1 - t0))
        return stops[-1][1]

    corners = [position(x, y) for x in (0, w) for y in (0, h)]
    low, high = min(corners), max(corners)
    span = max(high - low, 1e-9)
    samples = 2048
    strip = Image.new("RGBA" if len(stops[0][1]) == 4 else "RGB", (samples, 3))
    row = [colour_at(low + span * (i + 0.5) / samples) for i in range(samples)]
    strip.putdata(row * 3)
    # Output pixel (x, y) takes the strip at (position - low) / span * samples.
    a = dx / length2 / span * samples
    b = dy / length2 / span * samples
    c = (-sx * dx - sy * dy) / length2 / span * samples - low / span * samples
    image = strip.transform(size, Image.Transform.AFFINE, (a, b, c, 0, 0, 1.5), resample=Image.Resampling.BILINEAR)
    return image.convert("RGBA")


def fill(size, paint, coverage, alpha=1.0):
    """A layer of a colour or an image, shown where the coverage mask says."""
    layer = paint.copy() if isinstance(paint, Image.Image) else Image.new("RGBA", size, rgba(paint))
    shown = ImageChops.multiply(layer.getchannel("A"), coverage)
    layer.putalpha(scale_mask(shown, alpha) if alpha != 1.0 else shown)
    return layer


def compose(base, *layers):
    for layer in layers:
        base = Image.alpha_composite(base, layer)
    return base


def blank(size):
    return Image.new("RGBA", size, (0, 0, 0, 0))


def soft_shadow(size, coverage, colour, alpha, blur, offset=(0, 0)):
    shifted = Image.new("L", size, 0)
    shifted.paste(coverage, offset)
    return fill(size, colour, shifted.filter(ImageFilter.GaussianBlur(blur)), alpha)


def font(px):
    return ImageFont.truetype(FONT_FILE, px)


def text_layer(size, text, px, colour, center=None):
    layer = blank(size)
    cx, cy = center or (size[0] / 2, size[1] / 2)
    ImageDraw.Draw(layer).text((cx, cy), text, font=font(px), fill=rgba(colour), anchor="mm")
    return layer


# ----------------------------------------------------------------------------- the brand mark


def mark_glyph(box):
    """The product's "Z" as a folded ribbon: two bars, and the slanted fold between them."""
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0

    def p(u, v):
        return (x0 + u * w, y0 + v * h)

    bars = [[p(0.27, 0.26), p(0.73, 0.26), p(0.73, 0.375), p(0.27, 0.375)],
            [p(0.27, 0.625), p(0.73, 0.625), p(0.73, 0.74), p(0.27, 0.74)]]
    fold = [p(0.575, 0.375), p(0.73, 0.375), p(0.425, 0.625), p(0.27, 0.625)]
    return bars, fold


def brand_mark(size, inverted=False, shadow=False):
    """The product mark: a rounded tile with the "Z". Inverted: white tile, blue letter."""
    w, h = size
    pad = max(1.0, w * 0.06) if shadow else 0.0
    box = (pad, pad * 0.6, w - pad, h - pad * 1.4) if shadow else (0, 0, w, h)
    tile = mask(size, polygon(squircle_points(box)))
    bars, fold = mark_glyph(box)
    bars = mask(size, *(polygon(b) for b in bars))
    fold = mask(size, polygon(fold))
    gradient = linear_gradient(size, [(0.0, BRAND_BRIGHT), (1.0, BRAND_DEEP)], (box[0], box[1]), (box[2], box[3]))
    image = blank(size)
    if shadow:
        image = compose(image, soft_shadow(size, tile, (10, 40, 140), 0.35, max(1.0, w * 0.05), (0, int(w * 0.03))))
    if inverted:
        return compose(image, fill(size, WHITE, tile), fill(size, gradient, bars), fill(size, gradient, fold, 0.62))
    sheen = linear_gradient(size, [(0.0, (255, 255, 255, 40)), (0.6, (255, 255, 255, 0))], (0, box[1]), (0, box[3]))
    return compose(image, fill(size, gradient, tile), fill(size, sheen, tile), fill(size, WHITE, bars),
                   fill(size, WHITE, fold, 0.8))


# ----------------------------------------------------------------------------- main window


def hero_background(name, size=(600, 400)):
    """Page background: a blue hero band with a soft wave edge above a white work area."""
    w, h = size
    bottom = HERO_BOTTOM[name]
    image = Image.new("RGBA", size, rgba(SURFACE))
    gradient = linear_gradient(size, [(0.0, BRAND_DEEP), (0.55, BRAND), (1.0, BRAND_BRIGHT)], (0, 0), (w, bottom * 1.6))

    amplitude = 9 if bottom > 180 else 6

    def wave(base, amp, periods, phase):
        return [(x, base + amp * math.sin(2 * math.pi * periods * x / w + phase)) for x in range(0, w + 1, 4)]

    front = wave(bottom - amplitude, amplitude, 0.85, 0.4)
    back = wave(bottom - amplitude - 10, amplitude * 1.2, 1.15, 2.3)
    band = mask(size, polygon([(0, 0), (w, 0)] + front[::-1]))
    band_back = mask(size, polygon([(0, 0), (w, 0)] + back[::-1]))
    image = compose(image, fill(size, gradient, band))
    # A pale second wave between the two edges gives the band depth.
    image = compose(image, fill(size, WHITE, subtract(band, band_back), 0.22))

    # Decoration: large, faint circles and one thin ring, clipped to the band.
    deco = blank(size)
    circles = {
        "bg1": [((520, -30), 170, 0.07), ((60, 250), 120, 0.05)],
        "bg2": [((540, -60), 150, 0.07), ((40, 170), 90, 0.05)],
        "bg3": [((80, -40), 160, 0.06), ((560, 240), 130, 0.05)],
        "bg4": [((520, -30), 170, 0.06), ((70, 250), 120, 0.05)],
    }[name]
    for (cx, cy), r, a in circles:
        deco = compose(deco, fill(size, WHITE, mask(size, ellipse((cx - r, cy - r, cx + r, cy + r))), a))
    rcx, rcy, rr = {"bg1": (455, 60, 105), "bg2": (470, 40, 80), "bg3": (150, 60, 95), "bg4": (455, 60, 105)}[name]
    deco = compose(deco, fill(size, WHITE, mask(size, ring((rcx, rcy), rr, 1.5)), 0.12))
    if name in ("bg1", "bg4"):
        # A soft light behind the mark or the finished badge.
        cy = 100 if name == "bg1" else 110
        glow = mask(size, ellipse((300 - 130, cy - 90, 300 + 130, cy + 90))).filter(ImageFilter.GaussianBlur(40))
        deco = compose(deco, fill(size, WHITE, glow, 0.22))
    if name == "bg3":
        glow = mask(size, ellipse((300 - 110, 130 - 100, 300 + 110, 130 + 100))).filter(ImageFilter.GaussianBlur(40))
        deco = compose(deco, fill(size, WHITE, glow, 0.16))
    deco.putalpha(ImageChops.multiply(deco.getchannel("A"), band_back))
    image = compose(image, deco)
    return image.convert("RGB")


PILL_SIZE = (240, 84)
PILL_BOX = (20, 16, 220, 66)  # 200 x 50, with room for the glow


def pill_fill(size, box):
    return linear_gradient(size, [(0.0, BRAND), (1.0, BRAND_BRIGHT)], (box[0], 0), (box[2], 0))


def pill_glows():
    """The glow under the pill, tight and wide; frames blend between the two."""
    size, box = PILL_SIZE, PILL_BOX
    pill = Image.new("L", size, 0)
    pill.paste(mask(size, rrect(box, 25)), (0, 4))
    return pill.filter(ImageFilter.GaussianBlur(6)), pill.filter(ImageFilter.GaussianBlur(11))


def pill_button_frame(t, glow_scale=1.0, glows=None):
    """The main call-to-action: a gradient pill over a glow whose size and strength follow t."""
    size, box = PILL_SIZE, PILL_BOX
    tight, wide = glows or pill_glows()
    spread = ImageMath.eval("convert(float(a) * s + float(b) * t + 0.5, 'L')", a=tight, b=wide, s=1 - t, t=t)
    glow = fill(size, BRAND, spread, (0.30 + 0.40 * t) * glow_scale)
    pill = mask(size, rrect(box, 25))
    sheen = linear_gradient(size, [(0.0, (255, 255, 255, 40)), (0.55, (255, 255, 255, 0))], (0, box[1]), (0, box[3]))
    return compose(blank(size), glow, fill(size, pill_fill(size, box), pill), fill(size, sheen, pill))


def pill_overlay(colour, alpha):
    return fill(PILL_SIZE, colour, mask(PILL_SIZE, rrect(PILL_BOX, 25)), alpha)


PROGRESS_SIZE = (140, 140)


def progress_frame(index, count=60):
    """Spinner around the mark: a comet-tailed arc over a faint track, one turn per loop."""
    size = PROGRESS_SIZE
    cx, cy, radius, width = 70, 70, 60, 5
    track = mask(size, ring((cx, cy), radius - width / 2, width))
    image = fill(size, WHITE, track, 0.20)

    big = Image.new("L", (size[0] * SS, size[1] * SS), 0)
    d = ImageDraw.Draw(big)
    head = -90 + 360.0 * index / count
    tail = 230
    r_out, r_in = (radius) * SS, (radius - width) * SS
    steps = tail * 2
    for k in range(steps, -1, -1):
        a0 = math.radians(head - tail * k / steps)
        a1 = math.radians(head - tail * (k - 1) / steps) if k else a0
        level = int(round(255 * (1 - k / steps) ** 1.1))
        pts = [(cx * SS + r_out * math.cos(a0), cy * SS + r_out * math.sin(a0)),
               (cx * SS + r_out * math.cos(a1), cy * SS + r_out * math.sin(a1)),
               (cx * SS + r_in * math.cos(a1), cy * SS + r_in * math.sin(a1)),
               (cx * SS + r_in * math.cos(a0), cy * SS + r_in * math.sin(a0))]
        d.polygon(pts, fill=level)
    hx = cx + (radius - width / 2) * math.cos(math.radians(head))
    hy = cy + (radius - width / 2) * math.sin(math.radians(head))
    rr = width / 2 * SS
    d.ellipse((hx * SS - rr, hy * SS - rr, hx * SS + rr, hy * SS + rr), fill=255)
    arc = big.resize(size, Image.Resampling.BOX)
    head_glow = mask(size, ellipse((hx - 7, hy - 7, hx + 7, hy + 7))).filter(ImageFilter.GaussianBlur(4))
    image = compose(image, fill(size, WHITE, head_glow, 0.55), fill(size, WHITE, arc))
    return image


def progress_logo():
    """What the spinner turns around: the inverted mark in the middle of the label."""
    image = blank(PROGRESS_SIZE)
    mark = brand_mark((72, 72), inverted=True, shadow=True)
    image.paste(mark, (34, 34), mark)
    return image


def progress_bar(colours):
    size = (20, 10)
    top, bottom = colours
    gradient = linear_gradient(size, [(0.0, top), (1.0, bottom)], (0, 0), (0, 10))
    return fill(size, gradient, mask(size, rrect((0, 0, 20, 10), 5)))


def check_box(checked, hot):
    size = (18, 18)
    outer = mask(size, rrect((0.5, 0.5, 17.5, 17.5), 4.5))
    if checked:
        face = linear_gradient(size, [(0.0, BRAND_LIGHT if hot else BRAND_BRIGHT), (1.0, BRAND if hot else BRAND_DEEP)],
                               (0, 0), (18, 18))
        tick = mask(size, polyline([(4.6, 9.4), (7.6, 12.3), (13.4, 5.9)], 2.0))
        return compose(blank(size), fill(size, face, outer), fill(size, WHITE, tick))
    inner = mask(size, rrect((1.75, 1.75, 16.25, 16.25), 3.4))
    border = BRAND if hot else LINE_STRONG
    return compose(blank(size), fill(size, border, outer), fill(size, WHITE, inner))


def field_frame(size, border, face=SURFACE, radius=5):
    w, h = size
    outer = mask(size, rrect((0, 0, w, h), radius))
    inner = mask(size, rrect((1, 1, w - 1, h - 1), radius - 1))
    return compose(blank(size), fill(size, border, outer), fill(size, face, inner))


def tip_bubble():
    """Reminder bubble above the licence check box; its pointer tip sits 17 pixels from the left."""
    size = (190, 34)
    body = mask(size, rrect((0, 0, 190, 28), 6), polygon([(10.5, 27), (23.5, 27), (17, 33.5)]))
    return fill(size, TOOLTIP, body, 0.96)


def chevron(size, points, colour, alpha=1.0, width=1.8):
    return fill(size, colour, mask(size, polyline(points, width)), alpha)


def finished_badge():
    size = (88, 88)
    halo = mask(size, ellipse((0, 0, 88, 88)))
    disc = mask(size, ellipse((9, 9, 79, 79)))
    tick = mask(size, polyline([(27, 45), (39, 56), (61, 33)], 6.5))
    shadow = soft_shadow(size, disc, (10, 40, 140), 0.25, 4, (0, 3))
    return compose(blank(size), fill(size, WHITE, halo, 0.18), shadow, fill(size, WHITE, disc),
                   fill(size, linear_gradient(size, [(0.0, SUCCESS_BRIGHT), (1.0, SUCCESS)], (0, 20), (0, 70)), tick))


# ----------------------------------------------------------------------------- title bar buttons


def title_button(glyph, state):
    size = (30, 30)
    image = blank(size)
    plate = mask(size, rrect((2, 2, 28, 28), 5))
    if glyph == "close":
        if state == 2:
            image = compose(image, fill(size, DANGER, plate))
        elif state == 3:
            image = compose(image, fill(size, DANGER_DEEP, plate))
        lines = mask(size, polyline([(10.5, 10.5), (19.5, 19.5)], 1.6), polyline([(19.5, 10.5), (10.5, 19.5)], 1.6))
    else:
        if state in (2, 3):
            image = compose(image, fill(size, WHITE, plate, 0.16 if state == 2 else 0.26))
        lines = mask(size, polyline([(10, 15.5), (20, 15.5)], 1.6))
    return compose(image, fill(size, WHITE, lines, 0.92 if state == 1 else 1.0))


# ----------------------------------------------------------------------------- dialogs


def dialog_background():
    """Nine-slice background of the message and tip windows (corner 1,30,1,1)."""
    size = (64, 64)
    image = Image.new("RGBA", size, rgba(SURFACE))
    band = linear_gradient((64, 30), [(0.0, BRAND_DEEP), (1.0, BRAND)], (0, 0), (64, 0))
    image.paste(band, (0, 0))
    d = ImageDraw.Draw(image)
    d.line((0, 30, 0, 63), fill=rgba(LINE))
    d.line((63, 30, 63, 63), fill=rgba(LINE))
    d.line((0, 63, 63, 63), fill=rgba(LINE))
    return image


BUTTON_STYLES = {
    # state: (top colour, bottom colour, border, text colour)
    "primary": {1: (BRAND_BRIGHT, BRAND, None, WHITE), 2: (BRAND_LIGHT, BRAND_BRIGHT, None, WHITE),
                3: (BRAND, BRAND_PRESSED, None, WHITE)},
    "secondary": {1: (SURFACE, SURFACE, LINE_STRONG, INK), 2: (SURFACE, SURFACE, BRAND, BRAND),
                  3: (SURFACE_PRESSED, SURFACE_PRESSED, BRAND, BRAND_PRESSED)},
}


def dialog_button(size, style, state, text=None):
    w, h = size
    top, bottom, border, ink = BUTTON_STYLES[style][state]
    face = linear_gradient(size, [(0.0, top), (1.0, bottom)], (0, 0), (0, h))
    outer = mask(size, rrect((0, 0, w, h), 6))
    image = blank(size)
    if border:
        inner = mask(size, rrect((1, 1, w - 1, h - 1), 5))
        image = compose(image, fill(size, border, outer), fill(size, face, inner))
    else:
        image = compose(image, fill(size, face, outer))
    if text:
        image = compose(image, text_layer(size, text, 14, ink, (w / 2, h / 2)))
    return image


# ----------------------------------------------------------------------------- the icon


ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 128, 256)


def icon_frames():
    frames = []
    for px in ICON_SIZES:
        # Small sizes keep a one-pixel margin so that the tile does not touch the edge.
        margin = 0 if px >= 48 else 0.5
        art = brand_mark((px * 4, px * 4))
        art = art.resize((px, px), Image.Resampling.LANCZOS)
        if margin:
            art = art.resize((px - 1, px - 1), Image.Resampling.LANCZOS)
            padded = blank((px, px))
            padded.paste(art, (0, 0))
            art = padded
        frames.append(art)
    return frames


def write_icon(path, frames):
    """Windows icon: 32-bit bitmaps up to 64 pixels (readable on every system), PNG above."""
    entries = []
    for frame in frames:
        w, h = frame.size
        if w > 64:
            buffer = io.BytesIO()
            frame.save(buffer, "PNG", optimize=True)
            data = buffer.getvalue()
        else:
            header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
            pixels = bytearray()
            for y in range(h - 1, -1, -1):
                for x in range(w):
                    r, g, b, a = frame.getpixel((x, y))
                    pixels += bytes((b, g, r, a))
            row = ((w + 31) // 32) * 4
            and_mask = bytearray()
            for y in range(h - 1, -1, -1):
                bits = bytearray(row)
                for x in range(w):
                    if frame.getpixel((x, y))[3] == 0:
                        bits[x // 8] |= 0x80 >> (x % 8)
                and_mask += bits
            data = header + bytes(pixels) + bytes(and_mask)
        entries.append((w, h, data))
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for w, h, data in entries:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in entries:
        out += data
    with open(path, "wb") as f:
        f.write(out)


# ----------------------------------------------------------------------------- output


# PNG row filters the installer decodes cheaply: each row is copied, or added to its left or upper
# neighbour. The costlier Paeth and Average filters are not used.
PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP = 0, 1, 2


def filter_residual(image, kind):
    """The image minus its left (Sub) or upper (Up) neighbour, byte by byte modulo 256; the
    neighbours outside the image count as zero, as PNG decoders take them."""
    if kind == PNG_FILTER_NONE:
        return image
    w, h = image.size
    neighbour = Image.new(image.mode, image.size, (0,) * len(image.getbands()))
    if kind == PNG_FILTER_SUB:
        neighbour.paste(image.crop((0, 0, w - 1, h)), (1, 0))
    else:
        neighbour.paste(image.crop((0, 0, w, h - 1)), (0, 1))
    return ImageChops.subtract_modulo(image, neighbour)


def encode_png(image):
    """An 8-bit RGB or RGBA PNG with one filter for all rows: of None, Sub and Up the one that
    compresses smallest. Decoding such rows costs the installer a fifth less than adaptive Paeth
    rows, and the files come out smaller too."""
    colour_type = {"RGB": 2, "RGBA": 6}[image.mode]
    w, h = image.size
    stride = w * len(image.getbands())
    best = None
    for kind in (PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP):
        raw = filter_residual(image, kind).tobytes()
        rows = b"".join(bytes((kind,)) + raw[y * stride:(y + 1) * stride] for y in range(h))
        data = zlib.compress(rows, 9)
        if best is None or len(data) < len(best):
            best = data

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", w, h, 8, colour_type, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", best) + chunk(b"IEND", b"")


def read_handmade():
    """The pictures of skin/handmade.txt, as paths below res/ ("mainWnd/bg1.png")."""
    names = set()
    if os.path.isfile(HANDMADE_LIST):
        with open(HANDMADE_LIST, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if line and not line.startswith("#"):
                    names.add(line[len("res/"):] if line.startswith("res/") else line)
    return names


HANDMADE = set()


def clear_drawn_pictures():
    """Empties res/ of everything this script draws; hand-made pictures stay."""
    if not os.path.isdir(RES):
        return
    for folder, _, files in os.walk(RES, topdown=False):
        for name in files:
            relative = os.path.relpath(os.path.join(folder, name), RES).replace(os.sep, "/")
            if relative not in HANDMADE:
                os.remove(os.path.join(folder, name))
        if folder != RES and not os.listdir(folder):
            os.rmdir(folder)


def adopt(source, relative):
    """Stores a designer's picture at res/RELATIVE in the installer's cheap encoding and lists it
    as hand-made. Any PNG Pillow reads will do; its pixels stay as they are."""
    relative = relative[len("res/"):] if relative.startswith("res/") else relative
    image = Image.open(source)
    image = image.convert("RGBA" if "A" in image.getbands() or "transparency" in image.info else "RGB")
    save(image, relative, force=True)
    if relative not in read_handmade():
        with open(HANDMADE_LIST, "a", encoding="utf-8") as f:
            f.write(f"res/{relative}\n")
    print(f"res/{relative}: {image.size[0]}x{image.size[1]} {image.mode}, listed in {HANDMADE_LIST}")


def save(image, relative, force=False):
    """Writes one PNG, unless a designer's picture takes its place. Invisible pixels are made
    black: smaller files, and frames that differ only where something shows."""
    if relative in HANDMADE and not force:
        return
    path = os.path.join(RES, *relative.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if image.mode == "RGBA":
        clear = image.getchannel("A").point(lambda a: 255 if a == 0 else 0)
        image = image.copy()
        image.paste((0, 0, 0, 0), (0, 0) + image.size, clear)
    with open(path, "wb") as f:
        f.write(encode_png(image))


def main():
    global RES, ICON_PATH, HANDMADE_LIST, HANDMADE
    parser = argparse.ArgumentParser(description="Draws the skin's images and the product icon.")
    parser.add_argument("--output", help="write DIR/res and DIR/product.ico instead of the source tree")
    parser.add_argument("--adopt", nargs=2, metavar=("PICTURE", "RES_PATH"),
                        help="store a hand-made PNG at RES_PATH (for example res/mainWnd/bg1.png) and list it "
                             "in handmade.txt, instead of drawing")
    args = parser.parse_args()
    if args.output:
        RES = os.path.join(args.output, "res")
        ICON_PATH = os.path.join(args.output, "product.ico")
        if args.adopt:
            HANDMADE_LIST = os.path.join(args.output, "handmade.txt")
    if args.adopt:
        adopt(*args.adopt)
        return 0
    HANDMADE = read_handmade()
    if args.output:
        shutil.rmtree(RES, ignore_errors=True)
    else:
        clear_drawn_pictures()

    for name in ("bg1", "bg2", "bg3", "bg4"):
        save(hero_background(name), f"mainWnd/{name}.png")

    save(brand_mark((72, 72), inverted=True, shadow=True), "mainWnd/logo.png")
    save(brand_mark((52, 52), inverted=True, shadow=True), "mainWnd/logoSmall.png")

    # The pingpong glow: frames 0..49 ease from calm to bright; playing back reverses it smoothly.
    glows = pill_glows()
    for i in range(50):
        save(pill_button_frame(ease_in_out(i / 49), glows=glows), f"mainWnd/installBtnAnimate/{i:03d}.png")
    save(pill_overlay(WHITE, 0.12), "mainWnd/installBtnHot.png")
    save(pill_overlay((10, 30, 90), 0.16), "mainWnd/installBtnPushed.png")
    save(pill_overlay(WHITE, 0.45), "mainWnd/installBtnDisabled.png")
    for state, (t, scale) in {1: (0.5, 1.0), 2: (1.0, 1.1), 3: (0.2, 0.8)}.items():
        frame = pill_button_frame(t, scale)
        if state == 2:
            frame = compose(frame, pill_overlay(WHITE, 0.10))
        if state == 3:
            frame = compose(frame, pill_overlay((10, 30, 90), 0.14))
        save(frame, f"mainWnd/openBtn{state}.png")

    for i in range(60):
        save(progress_frame(i), f"mainWnd/progressAnimate/{i:03d}.png")
    save(progress_logo(), "mainWnd/progressLogo.png")

    save(progress_bar((TRACK, TRACK)), "mainWnd/installPrg1.png")
    save(progress_bar((BRAND_BRIGHT, BRAND)), "mainWnd/installPrg2.png")
    save(progress_bar((SUCCESS_BRIGHT, SUCCESS)), "mainWnd/installPrg3.png")
    save(finished_badge(), "mainWnd/finished.png")
    save(tip_bubble(), "mainWnd/tipLbl.png")

    for index, (checked, hot) in enumerate(((False, False), (False, True), (True, False), (True, True)), start=1):
        save(check_box(checked, hot), f"mainWnd/checkbox{index}.png")
    save(field_frame((40, 34), LINE), "mainWnd/edit.png")

    back = [(10, 3.5), (5.5, 8), (10, 12.5)]
    save(chevron((16, 16), back, WHITE, 0.85), "mainWnd/back1.png")
    save(chevron((16, 16), back, WHITE, 1.0), "mainWnd/back2.png")
    forward = [(3.5, 1.5), (7, 5), (3.5, 8.5)]
    save(chevron((10, 10), forward, INK_SECONDARY, 1.0, 1.5), "mainWnd/arrow1.png")
    save(chevron((10, 10), forward, BRAND, 1.0, 1.5), "mainWnd/arrow2.png")
    save(chevron((10, 10), forward, INK_DISABLED, 1.0, 1.5), "mainWnd/arrow3.png")

    for state in (1, 2, 3):
        save(title_button("min", state), f"common/minbtn{state}.png")
        save(title_button("close", state), f"common/closebtn{state}.png")
        save(dialog_button((40, 32), "secondary", state), f"common/btnSecondary{state}.png")
        save(dialog_button((40, 32), "primary", state), f"MessageBoxWnd/okBtn{state}.png")
        save(dialog_button((88, 32), "primary", state, "确定"), f"TipWnd/okBtn{state}.png")
        save(dialog_button((88, 32), "secondary", state, "取消"), f"TipWnd/cancelBtn{state}.png")
        save(dialog_button((88, 32), "primary", state, "重试"), f"TipWnd/retryBtn{state}.png")
    save(dialog_background(), "MessageBoxWnd/bg1.png")
    save(brand_mark((48, 48)), "TipWnd/logo1.png")

    write_icon(ICON_PATH, icon_frames())
    return 0


if __name__ == "__main__":
    sys.exit(main())
