#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the about box's logo into resources/about_logo.jpg (306 x 322): a
# face of simple shapes on a grid that a brush dab has bent, over the word
# Grimora. Drawn from shapes and text only; running the script again gives
# the same file. The build does not need it: its output is committed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out="$(cd "$here/.." && pwd)/resources"
python=/usr/bin/python3  # Debian's, which has python3-pil
"$here/install-deps.sh" python3-pil fonts-dejavu-core

OUT="$out" "$python" - <<'PY'
import math
import os

from PIL import Image, ImageDraw, ImageFilter, ImageFont

W, H = 306, 322
SS = 4  # drawn larger, then reduced, for smooth edges
BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

img = Image.new("RGB", (W * SS, H * SS))
d = ImageDraw.Draw(img)

# Background: a vertical blend from deep blue to violet.
for y in range(H * SS):
    t = y / (H * SS - 1)
    c = (int(28 + 60 * t), int(40 + 10 * t), int(110 + 50 * t))
    d.line([(0, y), (W * SS, y)], fill=c)

cx, cy, radius = W / 2, 138, 150


def bend(x, y):
    """The grid point moved outwards around the centre, as a growing dab would."""
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    if r == 0 or r >= radius:
        return x, y
    f = 1 + 0.45 * (1 - r / radius) ** 2
    return cx + dx * f, cy + dy * f


def s(p):
    return (p[0] * SS, p[1] * SS)


grid = (150, 170, 230)
for gx in range(-10, W + 20, 18):
    d.line([s(bend(gx, y / 2)) for y in range(0, 2 * 270)], fill=grid, width=SS)
for gy in range(-10, 280, 18):
    d.line([s(bend(x / 2, gy)) for x in range(0, 2 * W)], fill=grid, width=SS)

# The face: an oval, two eyes of different size, a bent smile.
skin, ink = (250, 214, 170), (60, 30, 20)
d.ellipse([s((cx - 78, cy - 96)), s((cx + 78, cy + 96))], fill=skin, outline=ink, width=3 * SS)
d.ellipse([s((cx - 50, cy - 44)), s((cx - 14, cy - 4))], fill=(255, 255, 255), outline=ink,
          width=2 * SS)
d.ellipse([s((cx + 20, cy - 36)), s((cx + 44, cy - 12))], fill=(255, 255, 255), outline=ink,
          width=2 * SS)
d.ellipse([s((cx - 38, cy - 30)), s((cx - 24, cy - 16))], fill=ink)
d.ellipse([s((cx + 27, cy - 29)), s((cx + 37, cy - 19))], fill=ink)
d.polygon([s((cx - 4, cy - 6)), s((cx + 12, cy + 26)), s((cx - 8, cy + 26))], fill=(232, 170, 130))
smile = [s((cx - 44 + t, cy + 50 + 18 * math.sin(t / 88 * math.pi) - 0.12 * t)) for t in range(0, 89)]
d.line(smile, fill=(170, 30, 40), width=5 * SS, joint="curve")

# The name under the face.
font = ImageFont.truetype(BOLD, 44 * SS)
text = "Grimora"
box = d.textbbox((0, 0), text, font=font)
tx = (W * SS - (box[2] - box[0])) / 2 - box[0]
ty = 268 * SS - box[1]
d.text((tx + 2 * SS, ty + 2 * SS), text, font=font, fill=(10, 10, 40))
d.text((tx, ty), text, font=font, fill=(255, 214, 90))

img = img.resize((W, H), Image.LANCZOS).filter(ImageFilter.SMOOTH_MORE)
img.save(os.path.join(os.environ["OUT"], "about_logo.jpg"), quality=90, optimize=True)
PY
