#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the pictures of the main window's layout into resources/: tab icons,
# brush-button glyphs (normal and disabled), the About and Quit image buttons
# (normal and pressed), the tool bar's marbled metal wallpaper, the printer
# picture of the save page, the bottom bar's and save page's button glyphs
# and the program icon. Every picture is drawn here from shapes, text and
# seeded noise; nothing is taken from elsewhere, and running the script again
# gives the same files. The build does not need it: its output is committed.
#
# Small pictures are GIF, the two photograph-like ones JPEG, the icon also
# PNG for the desktop entry. Glyphs are drawn on the key colour magenta
# (255, 0, 255), also their bottom-left pixel, which the program makes
# transparent. It is an ordinary colour of the GIF, not its transparent
# index: our reader shows a transparent index as white, which glyphs use.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

out="$(cd "$(dirname "$0")/.." && pwd)/resources"
python=/usr/bin/python3  # Debian's, which has python3-pil
mkdir -p "$out"

# The drawing tools are needed only here, so they are not in install-deps.sh's
# own list.
"$here/install-deps.sh" python3-pil fonts-dejavu-core

OUT="$out" "$python" - <<'PY'
import math
import os
import random

from PIL import Image, ImageDraw, ImageFilter, ImageFont

OUT = os.environ["OUT"]
BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
KEY = (255, 0, 255)
# Half-covered edge pixels are blended onto this grey, close to the tool bar
# and tab surfaces the glyphs sit on.
EDGE = (196, 196, 196)
SS = 8  # glyphs are drawn this many times larger, then reduced


def path(name):
    return os.path.join(OUT, name)


def save_gif(rgb, name):
    """Writes an RGB picture as GIF, with its exact colours when there are few."""
    colours = rgb.getcolors(256)
    if colours is not None:
        # Few enough colours to keep every one exactly.
        palette = [c for _, c in colours]
        p = Image.new("P", rgb.size)
        flat = [v for c in palette for v in c]
        p.putpalette(flat + [0] * (768 - len(flat)))
        index = {c: i for i, c in enumerate(palette)}
        p.putdata([index[c] for c in rgb.getdata()])
    else:
        p = rgb.quantize(255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    p.save(path(name), optimize=False)


class Glyph:
    """A glyph drawn large on a transparent canvas, in glyph pixel units."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
        self.d = ImageDraw.Draw(self.img)

    @staticmethod
    def s(v):
        return round(v * SS)

    def pts(self, points):
        return [(self.s(x), self.s(y)) for x, y in points]

    def box(self, x0, y0, x1, y1):
        return [self.s(x0), self.s(y0), self.s(x1) - 1, self.s(y1) - 1]

    def poly(self, points, fill, outline=None, width=1.0):
        self.d.polygon(self.pts(points), fill=fill)
        if outline is not None:
            self.line(points + points[:1], outline, width)

    def line(self, points, fill, width=1.0):
        self.d.line(self.pts(points), fill=fill, width=self.s(width), joint="curve")
        r = width * SS / 2
        for x, y in self.pts(points):  # round caps
            self.d.ellipse([x - r, y - r, x + r, y + r], fill=fill)

    def rect(self, x0, y0, x1, y1, fill, outline=None, width=1.0, radius=0.0):
        self.d.rounded_rectangle(self.box(x0, y0, x1, y1), radius=self.s(radius), fill=fill,
                                 outline=outline, width=self.s(width) if outline else 0)

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=1.0):
        self.d.ellipse(self.box(x0, y0, x1, y1), fill=fill, outline=outline,
                       width=self.s(width) if outline else 0)

    def arrow(self, tail, head, colour, width=1.6, size=3.2):
        (x0, y0), (x1, y1) = tail, head
        a = math.atan2(y1 - y0, x1 - x0)
        back = (x1 - size * 0.9 * math.cos(a), y1 - size * 0.9 * math.sin(a))
        self.line([tail, back], colour, width)
        left = (x1 - size * math.cos(a - 0.55), y1 - size * math.sin(a - 0.55))
        right = (x1 - size * math.cos(a + 0.55), y1 - size * math.sin(a + 0.55))
        self.poly([head, left, right], colour)

    def reduced(self):
        return self.img.resize((self.w, self.h), Image.Resampling.LANCZOS)


def flatten(rgba, key=KEY, edge=EDGE):
    """Opaque pixels stay, faint ones become the key, the rest blend onto `edge`."""
    out = Image.new("RGB", rgba.size, key)
    px = out.load()
    src = rgba.load()
    for y in range(rgba.size[1]):
        for x in range(rgba.size[0]):
            r, g, b, a = src[x, y]
            if a < 90:
                continue
            t = a / 255
            c = tuple(min(254, round(v * t + e * (1 - t))) for v, e in zip((r, g, b), edge))
            px[x, y] = c if c != key else (254, 0, 254)
    return out


def disabled(rgba):
    """The grey, embossed look of a glyph on a disabled button."""
    w, h = rgba.size
    src = rgba.load()
    ink = [[False] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            r, g, b, a = src[x, y]
            lum = (r * 299 + g * 587 + b * 114) / 1000
            ink[y][x] = a >= 110 and lum < 200
    out = Image.new("RGB", (w, h), KEY)
    px = out.load()
    for y in range(h):
        for x in range(w):
            if x > 0 and y > 0 and ink[y - 1][x - 1] and y < h - 1:
                px[x, y] = (255, 255, 255)
    for y in range(h):
        for x in range(w):
            if ink[y][x]:
                px[x, y] = (128, 128, 128)
    # Keep the bottom-left pixel the key, since it names the transparent colour.
    px[0, h - 1] = KEY
    return out


def glyph_pair(g, name):
    small = g.reduced()
    flat = flatten(small)
    flat.putpixel((0, g.h - 1), KEY)
    save_gif(flat, name + ".gif")
    save_gif(disabled(small), name + "_disabled.gif")


NAVY = (20, 40, 140, 255)
DARK = (30, 30, 40, 255)

# --- Brush glyphs ----------------------------------------------------------

# Growing: four arrows leaving a small disc.
g = Glyph(16, 16)
g.ellipse(6, 6, 10, 10, fill=(200, 30, 30, 255))
for hx, hy in ((1.5, 1.5), (14.5, 1.5), (1.5, 14.5), (14.5, 14.5)):
    g.arrow((8 + (hx - 8) * 0.35, 8 + (hy - 8) * 0.35), (hx, hy), NAVY, 1.7, 4.2)
glyph_pair(g, "glyph_growing")

# Shrinking: four arrows coming in on a small disc.
g = Glyph(16, 16)
g.ellipse(6.5, 6.5, 9.5, 9.5, fill=(200, 30, 30, 255))
for hx, hy in ((1, 1), (15, 1), (1, 15), (15, 15)):
    tx, ty = 8 + (hx - 8) * 0.42, 8 + (hy - 8) * 0.42
    g.arrow((hx + (8 - hx) * 0.02, hy + (8 - hy) * 0.02), (tx, ty), NAVY, 1.7, 4.0)
glyph_pair(g, "glyph_shrinking")

# Smear: a fingertip dragging a tapering streak of paint.
g = Glyph(16, 16)
for i in range(24):
    t = i / 23
    x = 1.8 + t * 9.5
    y = 12.5 - t * 6.0 + math.sin(t * math.pi * 1.4) * 1.2
    r = 0.5 + t * 2.1
    g.ellipse(x - r, y - r, x + r, y + r, fill=(150 + int(60 * t), 40, 30, 255))
g.ellipse(9.6, 1.2, 15.0, 7.6, fill=(240, 196, 160, 255), outline=DARK, width=0.9)
g.ellipse(11.6, 2.4, 13.9, 4.9, fill=(252, 232, 222, 255))
glyph_pair(g, "glyph_smear")

# Lugging: a grip point pulled away along a bent arrow.
g = Glyph(16, 16)
g.line([(3.0, 12.5), (5.5, 9.2), (9.0, 7.2)], NAVY, 1.9)
g.arrow((8.5, 7.4), (14.6, 4.2), NAVY, 1.9, 4.6)
g.ellipse(0.8, 10.2, 5.4, 14.8, fill=(200, 30, 30, 255), outline=DARK, width=0.8)
g.ellipse(2.0, 11.3, 3.4, 12.7, fill=(255, 200, 200, 255))
glyph_pair(g, "glyph_lugging")

# Rubber: a tilted two-tone eraser over a rubbed-out trace.
g = Glyph(16, 16)
g.line([(1.5, 14.3), (7.0, 14.3)], (120, 120, 130, 255), 0.9)
g.poly([(3.0, 11.0), (9.5, 2.0), (14.5, 5.6), (8.0, 14.6)], (235, 105, 135, 255), DARK, 0.9)
g.poly([(3.0, 11.0), (5.9, 7.0), (10.9, 10.6), (8.0, 14.6)], (110, 140, 215, 255), DARK, 0.9)
g.line([(10.2, 3.6), (13.0, 5.6)], (255, 190, 205, 255), 0.8)
glyph_pair(g, "glyph_rubber")

# Freeze: a six-armed ice crystal.
g = Glyph(16, 16)
ICE = (40, 120, 210, 255)
for i in range(6):
    a = math.pi / 2 + i * math.pi / 3
    tip = (8 + 6.6 * math.cos(a), 8 - 6.6 * math.sin(a))
    g.line([(8, 8), tip], ICE, 1.5)
    for side in (-1, 1):
        b = a + side * 0.8
        mid = (8 + 3.8 * math.cos(a), 8 - 3.8 * math.sin(a))
        g.line([mid, (mid[0] + 2.2 * math.cos(b), mid[1] - 2.2 * math.sin(b))], ICE, 1.1)
g.ellipse(6.6, 6.6, 9.4, 9.4, fill=(200, 230, 255, 255), outline=ICE, width=0.8)
glyph_pair(g, "glyph_freeze")

# Thaw: a drop falling from a melting crystal.
g = Glyph(16, 16)
for i in range(3):
    a = math.pi / 2 + i * math.pi / 3 - math.pi / 3
    g.line([(5.5 - 3.6 * math.cos(a), 5.5 - 3.6 * math.sin(a)),
            (5.5 + 3.6 * math.cos(a), 5.5 + 3.6 * math.sin(a))], (110, 160, 220, 255), 1.1)
g.poly([(11.0, 5.2), (14.2, 10.8), (13.6, 13.2), (11.0, 14.6), (8.4, 13.2), (7.8, 10.8)],
       (60, 150, 240, 255), DARK, 0.8)
g.ellipse(9.2, 10.6, 10.6, 12.0, fill=(220, 240, 255, 255))
glyph_pair(g, "glyph_thaw")

# --- Small button glyphs ---------------------------------------------------


def floppy(g, x0, y0, size):
    k = size / 16
    X = lambda v: x0 + v * k
    Y = lambda v: y0 + v * k
    g.poly([(X(1), Y(1)), (X(13), Y(1)), (X(15), Y(3)), (X(15), Y(15)), (X(1), Y(15))],
           (40, 70, 160, 255), DARK, 0.8 * k + 0.2)
    g.rect(X(4), Y(1.4), X(11.5), Y(6), (205, 210, 220, 255))
    g.rect(X(8.8), Y(2.2), X(10.6), Y(5.2), (40, 70, 160, 255))
    g.rect(X(3), Y(8.5), X(13), Y(14.6), (250, 250, 250, 255))
    for ly in (10.3, 12.5):
        g.line([(X(4.5), Y(ly)), (X(11.5), Y(ly))], (150, 60, 60, 255), 0.5 * k + 0.15)


def printer(g, x0, y0, size):
    k = size / 16
    X = lambda v: x0 + v * k
    Y = lambda v: y0 + v * k
    g.rect(X(4), Y(1), X(12), Y(7), (255, 255, 255, 255), DARK, 0.7 * k + 0.2)
    g.rect(X(1), Y(6), X(15), Y(12.5), (170, 172, 180, 255), DARK, 0.8 * k + 0.2, 1.2 * k)
    g.rect(X(1.8), Y(6.8), X(14.2), Y(8.3), (215, 217, 225, 255))
    g.ellipse(X(12), Y(9.2), X(13.6), Y(10.8), fill=(40, 200, 60, 255))
    g.rect(X(4), Y(10.5), X(12), Y(15.2), (255, 255, 255, 255), DARK, 0.7 * k + 0.2)
    g.line([(X(5.5), Y(12.3)), (X(10.5), Y(12.3))], (80, 80, 200, 255), 0.5 * k + 0.15)
    g.line([(X(5.5), Y(13.8)), (X(9.0), Y(13.8))], (80, 80, 200, 255), 0.5 * k + 0.15)


def glyph_only(g, name):
    flat = flatten(g.reduced())
    flat.putpixel((0, g.h - 1), KEY)
    save_gif(flat, name)


g = Glyph(16, 16)
floppy(g, 0, 0, 16)
glyph_only(g, "glyph_save.gif")

g = Glyph(16, 16)
printer(g, 0, 0, 16)
glyph_only(g, "glyph_print.gif")

# A globe of meridians and parallels, 24 x 25.
g = Glyph(24, 25)
cx, cy, R = 12, 12.5, 10.6
for i in range(40, 0, -1):
    t = i / 40
    r = R * t
    shade = (30 + int(60 * (1 - t)), 90 + int(90 * (1 - t)), 200 + int(50 * (1 - t)), 255)
    ox, oy = -3.2 * (1 - t), -3.2 * (1 - t)
    g.ellipse(cx - r + ox, cy - r + oy, cx + r + ox, cy + r + oy, fill=shade)
land = (60, 160, 70, 255)
g.poly([(6.5, 6.5), (10.5, 4.5), (12.5, 7.5), (10.0, 10.5), (11.0, 14.0), (8.5, 15.0),
        (6.0, 11.5), (4.0, 10.0)], land)
g.poly([(14.0, 12.0), (18.5, 11.0), (20.5, 14.5), (17.0, 19.5), (14.5, 17.0)], land)
grid = (235, 245, 255, 255)
for lat in (-0.5, 0.0, 0.5):
    y = cy + lat * R
    half = R * math.sqrt(1 - lat * lat)
    g.line([(cx - half, y), (cx + half, y)], grid, 0.7)
for lon in (0.45, 0.85):
    g.ellipse(cx - R * lon, cy - R, cx + R * lon, cy + R, outline=grid, width=0.7)
g.line([(cx, cy - R), (cx, cy + R)], grid, 0.7)
g.ellipse(cx - R, cy - R, cx + R, cy + R, outline=(20, 40, 110, 255), width=1.0)
glyph_only(g, "glyph_www.gif")

# --- A face under a warp grid (tab icon, program icon) ----------------------


def bulge(x, y, cx, cy, r, amount):
    """Pushes a point away from (cx, cy) as the growing brush does."""
    dx, dy = x - cx, y - cy
    d = math.hypot(dx, dy)
    if d >= r or d == 0:
        return x, y
    f = 1 + amount * (1 - d / r) ** 2
    return cx + dx * f, cy + dy * f


def face(g, x0, y0, size, grid_lines, line_width):
    k = size / 64
    X = lambda v: x0 + v * k
    Y = lambda v: y0 + v * k
    skin = (246, 200, 160, 255)
    g.ellipse(X(10), Y(5), X(54), Y(61), fill=skin, outline=(120, 70, 40, 255), width=1.2 * k + 0.3)
    g.ellipse(X(8), Y(27), X(14), Y(39), fill=skin)
    g.ellipse(X(50), Y(27), X(56), Y(39), fill=skin)
    # The right eye is under the brush, so it is drawn larger.
    g.ellipse(X(18), Y(23), X(29), Y(31), fill=(255, 255, 255, 255), outline=DARK, width=k + 0.2)
    g.ellipse(X(21), Y(24.5), X(26.5), Y(30), fill=(60, 110, 60, 255))
    g.ellipse(X(33), Y(18), X(50), Y(33), fill=(255, 255, 255, 255), outline=DARK, width=k + 0.2)
    g.ellipse(X(37), Y(20.5), X(46.5), Y(30.5), fill=(60, 110, 60, 255))
    g.ellipse(X(40), Y(23.5), X(43.5), Y(27), fill=(10, 10, 10, 255))
    g.line([(X(31), Y(33)), (X(29), Y(41)), (X(33), Y(42))], (170, 110, 80, 255), 1.3 * k + 0.3)
    mouth = [(X(21 + 22 * t), Y(48 + 5 * math.sin(math.pi * t))) for t in [i / 12 for i in range(13)]]
    g.line(mouth, (170, 40, 50, 255), 2.2 * k + 0.4)
    # The grid, bulged around the right eye.
    ecx, ecy, er = X(41.5), Y(25.5), 22 * k
    colour = (30, 60, 200, 200)
    for i in range(grid_lines + 1):
        v = 4 + 56 * i / grid_lines
        for vertical in (False, True):
            pts = []
            for j in range(41):
                u = 4 + 56 * j / 40
                px, py = (X(v), Y(u)) if vertical else (X(u), Y(v))
                pts.append(bulge(px, py, ecx, ecy, er, 0.55))
            g.d.line(g.pts(pts), fill=colour, width=g.s(line_width), joint="curve")
    g.ellipse(ecx - er * 0.78, ecy - er * 0.78, ecx + er * 0.78, ecy + er * 0.78,
              outline=(220, 30, 30, 255), width=line_width * 1.4)


# Program icon: the face on a rounded teal plate.
icon = Glyph(64, 64)
icon.rect(1, 1, 63, 63, (40, 130, 150, 255), (20, 60, 80, 255), 1.5, 11)
icon.rect(3, 3, 61, 32, (80, 170, 185, 255), None, 0, 9)
face(icon, 2, 1, 60, 6, 0.8)
icon_rgba = icon.reduced()
icon_rgba.save(path("grimora.png"))
flat = flatten(icon_rgba)
flat.putpixel((0, 63), KEY)
save_gif(flat, "app_icon.gif")

# --- Tab icons ----------------------------------------------------------------

# Open picture: a folder with a landscape photograph standing in it.
g = Glyph(16, 16)
g.poly([(0.6, 3.5), (5.5, 3.5), (7, 5), (14.5, 5), (14.5, 14.5), (0.6, 14.5)],
       (205, 150, 40, 255), DARK, 0.8)
g.rect(3, 1.5, 13.5, 10.5, (255, 255, 255, 255), DARK, 0.7)
g.rect(4, 2.5, 12.5, 9.5, (120, 180, 240, 255))
g.poly([(4, 9.5), (7, 5.8), (9.5, 8.2), (11, 6.8), (12.5, 8.5), (12.5, 9.5)], (60, 150, 60, 255))
g.ellipse(9.6, 3.0, 11.8, 5.2, fill=(255, 220, 40, 255))
g.poly([(0.6, 7.5), (15.4, 7.5), (14.5, 14.5), (0.6, 14.5)], (240, 190, 70, 255), DARK, 0.8)
glyph_only(g, "tab_open.gif")

# Face operation: a plain face, one eye enlarged inside a brush ring, and two
# grid lines bent around it.
g = Glyph(16, 16)
g.ellipse(1.5, 1.0, 14.5, 15.3, fill=(246, 200, 160, 255), outline=(120, 70, 40, 255), width=0.8)
for x0 in (5.0, 10.6):
    g.d.line(g.pts([(x0 + 0.9 * math.sin(t / 8 * math.pi) * (1 if x0 > 8 else -1), 1.6 + t * 1.65)
                    for t in range(9)]), fill=(40, 70, 210, 255), width=g.s(0.6))
g.ellipse(3.6, 5.2, 6.4, 7.8, fill=(30, 30, 40, 255))
g.ellipse(8.2, 3.4, 13.4, 8.6, fill=(255, 255, 255, 255), outline=DARK, width=0.7)
g.ellipse(9.6, 4.8, 12.0, 7.2, fill=(40, 110, 50, 255))
g.ellipse(7.2, 2.4, 14.4, 9.6, outline=(220, 30, 30, 255), width=0.9)
g.line([(4.2 + 7.6 * t / 8, 11.2 + 1.8 * math.sin(math.pi * t / 8)) for t in range(9)],
       (170, 40, 50, 255), 1.1)
glyph_only(g, "tab_edit.gif")

# Save and print: a printer in front of a floppy disc.
g = Glyph(16, 16)
floppy(g, 0, 0, 11)
printer(g, 4.5, 4.5, 11.5)
glyph_only(g, "tab_save.gif")

# --- Image buttons, 101 x 30 ------------------------------------------------


def plate(top, bottom, light, dark, sunken):
    w, h = 101, 30
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        t = y / (h - 1)
        d.line([(0, y), (w, y)], fill=tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    hi, lo = (dark, light) if sunken else (light, dark)
    d.rectangle([0, 0, w - 1, h - 1], outline=(70, 70, 80))
    d.line([(1, 1), (w - 2, 1)], fill=hi)
    d.line([(1, 1), (1, h - 2)], fill=hi)
    d.line([(1, h - 2), (w - 2, h - 2)], fill=lo)
    d.line([(w - 2, 1), (w - 2, h - 2)], fill=lo)
    return img, d


def button(word, name):
    font = ImageFont.truetype(BOLD, 17)
    img, d = plate((236, 236, 240), (200, 200, 208), (255, 255, 255), (130, 130, 140), False)
    d.text((50.5, 15), word, font=font, fill=(20, 50, 190), anchor="mm")
    save_gif(img, name + "_normal.gif")
    img, d = plate((150, 152, 164), (175, 177, 188), (215, 215, 222), (80, 80, 92), True)
    d.text((51.5, 16), word, font=font, fill=(255, 220, 0), anchor="mm", stroke_width=2,
           stroke_fill=(20, 40, 170))
    save_gif(img, name + "_pressed.gif")


button("About", "about")
button("Quit", "quit")

# --- Tool bar wallpaper: grey marbled metal, 1800 x 100, tiling both ways ----

W, H = 1800, 100
rng = random.Random(1802)


def periodic_noise(cells_x, cells_y, w=W, h=H):
    """Smooth noise that repeats every w x h pixels: tiled lattice, upscaled."""
    lattice = Image.new("L", (cells_x, cells_y))
    lattice.putdata([rng.randrange(256) for _ in range(cells_x * cells_y)])
    tiled = Image.new("L", (cells_x * 3, cells_y * 3))
    for i in range(3):
        for j in range(3):
            tiled.paste(lattice, (i * cells_x, j * cells_y))
    big = tiled.resize((w * 3, h * 3), Image.Resampling.BICUBIC)
    return big.crop((w, h, 2 * w, 2 * h)).load()


octaves = [(periodic_noise(45 * 2 ** o, max(3, round(2.5 * 2 ** o))), 0.5 ** o) for o in range(4)]
grain = periodic_noise(900, 50)
streaks = periodic_noise(300, 100)
wall = Image.new("RGB", (W, H))
px = wall.load()
for y in range(H):
    for x in range(W):
        turb = sum(abs(n[x, y] / 255 - 0.5) * wgt for n, wgt in octaves)
        phase = 2 * math.pi * (14 * x / W + 1 * y / H) + 9.0 * turb
        vein = (math.sin(phase) + 1) / 2
        v = 144 + 52 * vein ** 0.6 + (grain[x, y] - 128) * 0.10 + (streaks[x, y] - 128) * 0.16
        v = max(0, min(255, v))
        px[x, y] = (round(v * 0.98), round(v), round(min(255, v * 1.04)))
wall.save(path("toolbar_wallpaper.jpg"), quality=90, optimize=False)

# --- Save page picture: a printer with paper, 194 x 281 ------------------------

K = 3
PW, PH = 194, 281
pic = Image.new("RGB", (PW * K, PH * K))
d = ImageDraw.Draw(pic)
for y in range(PH * K):  # wall, then desk
    t = y / (PH * K)
    if t < 0.72:
        c = (round(226 - 30 * t), round(222 - 34 * t), round(210 - 40 * t))
    else:
        u = (t - 0.72) / 0.28
        c = (round(150 - 40 * u), round(112 - 30 * u), round(80 - 22 * u))
    d.line([(0, y), (PW * K, y)], fill=c)


def S(v):
    return round(v * K)


def R(x0, y0, x1, y1):
    return [S(x0), S(y0), S(x1), S(y1)]


# Shadow on the desk.
shadow = Image.new("L", pic.size, 0)
ImageDraw.Draw(shadow).ellipse(R(14, 196, 184, 232), fill=150)
shadow = shadow.filter(ImageFilter.GaussianBlur(S(6)))
pic.paste((60, 40, 28), (0, 0), shadow)
d = ImageDraw.Draw(pic)
# A sheet waiting in the feed tray, leaning back.
d.polygon([(S(48), S(150)), (S(58), S(84)), (S(140), S(84)), (S(148), S(150))], fill=(250, 250, 246),
          outline=(150, 150, 150))
for i in range(6):
    y = 96 + i * 8
    d.line([(S(64), S(y)), (S(132), S(y))], fill=(200, 200, 205), width=S(0.7))
d.polygon([(S(40), S(152)), (S(52), S(118)), (S(146), S(118)), (S(156), S(152))], fill=(90, 92, 100))
# The body: light grey case with a darker front.
d.rounded_rectangle(R(16, 146, 178, 214), radius=S(10), fill=(196, 198, 204), outline=(70, 72, 80),
                    width=S(1))
for i in range(30):
    y = 150 + i
    d.line([(S(22), S(y)), (S(172), S(y))], fill=(214 - i // 2, 216 - i // 2, 222 - i // 2))
d.rounded_rectangle(R(24, 182, 170, 208), radius=S(5), fill=(150, 152, 160))
d.rectangle(R(38, 186, 156, 192), fill=(40, 42, 48))  # output slot
# Control panel: buttons and lamps.
d.rounded_rectangle(R(128, 156, 168, 176), radius=S(3), fill=(120, 122, 130))
d.ellipse(R(133, 161, 141, 169), fill=(40, 200, 70), outline=(20, 90, 30))
d.ellipse(R(146, 161, 154, 169), fill=(230, 170, 30), outline=(110, 80, 10))
d.rounded_rectangle(R(26, 157, 70, 170), radius=S(2), fill=(60, 80, 110))
d.text((S(30), S(158.5)), "GRM", font=ImageFont.truetype(BOLD, S(9)), fill=(210, 230, 255))
# The printed sheet coming out: a distorted face.
d.polygon([(S(44), S(190)), (S(150), S(190)), (S(164), S(268)), (S(30), S(268))],
          fill=(252, 252, 250), outline=(140, 140, 140))
fc, fr = (97, 228), 27
d.ellipse(R(fc[0] - fr, fc[1] - fr * 0.85, fc[0] + fr, fc[1] + fr * 0.85), fill=(246, 204, 166),
          outline=(140, 90, 60), width=S(0.8))
d.ellipse(R(80, 215, 92, 224), fill=(255, 255, 255), outline=(40, 40, 40), width=S(0.6))
d.ellipse(R(84, 217, 89, 222), fill=(50, 100, 50))
d.ellipse(R(98, 210, 118, 226), fill=(255, 255, 255), outline=(40, 40, 40), width=S(0.6))
d.ellipse(R(103, 213, 113, 223), fill=(50, 100, 50))
d.arc(R(82, 226, 114, 246), 20, 160, fill=(170, 40, 50), width=S(1.6))
pic = pic.resize((PW, PH), Image.Resampling.LANCZOS)
# A little sensor noise, so that it reads as a photograph.
px = pic.load()
for y in range(PH):
    for x in range(PW):
        n = rng.randint(-5, 5)
        px[x, y] = tuple(max(0, min(255, v + n)) for v in px[x, y])
pic.save(path("printer.jpg"), quality=90, optimize=False)

# --- Check what was written ---------------------------------------------------

sizes = {"toolbar_wallpaper.jpg": (1800, 100), "printer.jpg": (194, 281),
         "glyph_www.gif": (24, 25), "app_icon.gif": (64, 64), "grimora.png": (64, 64)}
for word in ("about", "quit"):
    for state in ("normal", "pressed"):
        sizes[f"{word}_{state}.gif"] = (101, 30)
for name in ("tab_open", "tab_save", "tab_edit", "glyph_save", "glyph_print"):
    sizes[name + ".gif"] = (16, 16)
for brush in ("growing", "shrinking", "smear", "lugging", "rubber", "freeze", "thaw"):
    sizes[f"glyph_{brush}.gif"] = sizes[f"glyph_{brush}_disabled.gif"] = (16, 16)
# The about box's logo has a script of its own (make-about-logo.sh).
written = sorted(f for f in os.listdir(OUT)
                 if f.endswith((".gif", ".jpg", ".png")) and f != "about_logo.jpg")
if written != sorted(sizes):
    raise SystemExit(f"unexpected set of pictures: {written}")
for name, size in sizes.items():
    with Image.open(path(name)) as im:
        if im.size != size:
            raise SystemExit(f"{name} is {im.size}, not {size}")
        rgb = im.convert("RGB")
        keyed = name.startswith(("glyph_", "tab_", "app_icon"))
        if keyed and rgb.getpixel((0, size[1] - 1)) != KEY:
            raise SystemExit(f"{name} does not have the key colour in its bottom-left pixel")
        if len(rgb.getcolors(size[0] * size[1])) < 2:
            raise SystemExit(f"{name} is blank")
PY

ls -l "$out"
