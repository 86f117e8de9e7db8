#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates the GIF, JPEG, PNG and TIFF fixtures of tests/fixtures/ with
# encoders that are not ours: Python's Pillow, ImageMagick and netpbm
# (Debian packages python3-pil, imagemagick, netpbm). Each folder gets its
# reference pictures first, as binary PPM files (alpha already composed over
# white, 16-bit samples given as v × 257 so that they reduce to v exactly),
# and then every variant of the format made from them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

root="$(cd "$(dirname "$0")/.." && pwd)/tests/fixtures"
python=/usr/bin/python3  # Debian's, which has python3-pil

# The encoders are needed only here, not to build or test, so they are not
# in install-deps.sh's own list.
"$here/install-deps.sh" netpbm imagemagick python3-pil
mkdir -p "$root"/{gif,jpeg,png,tiff}

# 13 x 7 pixels: rows of 1-, 2- and 4-bit pictures end mid-byte, and every
# depth has row padding.
"$python" - "$root" <<'PY'
import sys
from PIL import Image

root = sys.argv[1]
W, H = 13, 7
sixteen = [(0, 0, 0), (255, 255, 255), (206, 16, 49), (16, 206, 49), (49, 16, 206),
           (247, 239, 8), (239, 8, 247), (8, 247, 239), (49, 49, 49), (206, 206, 206),
           (255, 206, 0), (0, 49, 16), (16, 0, 255), (255, 49, 206), (8, 16, 8),
           (239, 247, 206)]

def index(x, y, n):
    return (x * 3 + y * 5 + (x * y) // 4) % n

def palette_picture(colours, n):
    im = Image.new('P', (W, H))
    flat = [c for rgb in colours[:n] for c in rgb]
    im.putpalette(flat + [0] * (768 - len(flat)))
    for y in range(H):
        for x in range(W):
            im.putpixel((x, y), index(x, y, n))
    return im

def colour(x, y):
    return ((x * 19 + 3) & 255, (y * 37 + 100) & 255, (x * y * 11) & 255)

def grey(x, y):
    return (x * 20 + y * 3) & 255

def alpha(x, y):
    return (x * 40 + y * 17) % 256

def over_white(c, a):
    return (c * a + 255 * (255 - a) + 127) // 255

def save_ppm(path, pixel):
    im = Image.new('RGB', (W, H))
    for y in range(H):
        for x in range(W):
            im.putpixel((x, y), pixel(x, y))
    im.save(path)

def save_pgm16(path):
    # netpbm-style 16-bit grey: v x 257 reduces to v exactly.
    with open(path, 'wb') as f:
        f.write(b'P5\n%d %d\n65535\n' % (W, H))
        for y in range(H):
            for x in range(W):
                f.write((grey(x, y) * 257).to_bytes(2, 'big'))

def save_ppm16(path):
    with open(path, 'wb') as f:
        f.write(b'P6\n%d %d\n65535\n' % (W, H))
        for y in range(H):
            for x in range(W):
                for c in colour(x, y):
                    f.write((c * 257).to_bytes(2, 'big'))

def rgba():
    im = Image.new('RGBA', (W, H))
    for y in range(H):
        for x in range(W):
            im.putpixel((x, y), colour(x, y) + (alpha(x, y),))
    return im

def grey_alpha():
    im = Image.new('LA', (W, H))
    for y in range(H):
        for x in range(W):
            im.putpixel((x, y), (grey(x, y), alpha(x, y)))
    return im

two = [(16, 0, 255), (247, 239, 8)]
bw = [(0, 0, 0), (255, 255, 255)]
wb = [(255, 255, 255), (0, 0, 0)]
four = sixteen[2:6]

for folder in ('gif', 'png', 'tiff'):
    d = root + '/' + folder + '/'
    save_ppm(d + 'colour.ppm', colour)
    save_ppm(d + 'grey.ppm', lambda x, y: (grey(x, y),) * 3)
    save_ppm(d + 'sixteen.ppm', lambda x, y: sixteen[index(x, y, 16)])
    save_ppm(d + 'four.ppm', lambda x, y: four[index(x, y, 4)])
    save_ppm(d + 'two.ppm', lambda x, y: two[index(x, y, 2)])
    save_ppm(d + 'bw.ppm', lambda x, y: bw[index(x, y, 2)])
    save_ppm(d + 'wb.ppm', lambda x, y: wb[index(x, y, 2)])

# PNG: every colour type and depth.
d = root + '/png/'
save_ppm(d + 'colour_over_white.ppm',
         lambda x, y: tuple(over_white(c, alpha(x, y)) for c in colour(x, y)))
save_ppm(d + 'grey_over_white.ppm', lambda x, y: (over_white(grey(x, y), alpha(x, y)),) * 3)
palette_picture(bw, 2).save(d + 'pillow_palette_1bit.png', bits=1)
palette_picture(two, 2).save(d + 'pillow_palette_1bit_two.png', bits=1)
palette_picture(wb, 2).save(d + 'pillow_palette_1bit_white_black.png', bits=1)
palette_picture(four, 4).save(d + 'pillow_palette_2bit.png', bits=2)
palette_picture(sixteen, 16).save(d + 'pillow_palette_4bit.png', bits=4)
palette_picture(sixteen, 16).save(d + 'pillow_palette_8bit.png')
g = Image.new('L', (W, H))
for y in range(H):
    for x in range(W):
        g.putpixel((x, y), grey(x, y))
g.save(d + 'pillow_grey_8bit.png')
save_pgm16(d + 'grey16.pgm')
save_ppm16(d + 'colour16.ppm')
Image.open(d + 'colour.ppm').save(d + 'pillow_rgb_8bit.png')
rgba().save(d + 'pillow_rgba.png')
grey_alpha().save(d + 'pillow_grey_alpha.png')
# Transparency through tRNS on a palette: entry 1 fully transparent.
p = palette_picture(sixteen, 16)
p.save(d + 'pillow_palette_trns.png', transparency=1)
sixteen_white = [(255, 255, 255) if i == 1 else c for i, c in enumerate(sixteen)]
save_ppm(d + 'sixteen_trns.ppm', lambda x, y: sixteen_white[index(x, y, 16)])

# GIF: Pillow writes its palettes at the depth of the colour count.
d = root + '/gif/'
palette_picture(sixteen, 16).save(d + 'pillow_4bit.gif')
palette_picture(two, 2).save(d + 'pillow_1bit_two.gif')
palette_picture(sixteen, 16).save(d + 'pillow_transparent.gif', transparency=1)
save_ppm(d + 'sixteen_transparent.ppm', lambda x, y: sixteen_white[index(x, y, 16)])
# Two frames: only the first is read.
second = palette_picture(four, 4)
palette_picture(sixteen, 16).save(d + 'pillow_two_frames.gif', save_all=True,
                                  append_images=[second], duration=100, loop=0)

# JPEG: a smooth picture, since the test allows for what JPEG loses.
d = root + '/jpeg/'
def smooth(x, y):
    return (60 + x * 10, 200 - y * 12, 90 + x * 3 + y * 4)
save_ppm(d + 'smooth.ppm', smooth)
save_ppm(d + 'smooth_grey.ppm', lambda x, y: (40 + x * 8 + y * 6,) * 3)
s = Image.open(d + 'smooth.ppm')
s.save(d + 'pillow_baseline.jpg', quality=95)
s.save(d + 'pillow_baseline_444.jpg', quality=95, subsampling=0)
s.save(d + 'pillow_progressive.jpg', quality=95, progressive=True)
Image.open(d + 'smooth_grey.ppm').convert('L').save(d + 'pillow_grey.jpg', quality=95)

# TIFF through Pillow: compressions, palette, grey, 16-bit grey.
d = root + '/tiff/'
c = Image.open(d + 'colour.ppm')
c.save(d + 'pillow_rgb_none.tif')
c.save(d + 'pillow_rgb_lzw.tif', compression='tiff_lzw')
c.save(d + 'pillow_rgb_deflate.tif', compression='tiff_adobe_deflate')
c.save(d + 'pillow_rgb_packbits.tif', compression='packbits')
palette_picture(sixteen, 16).save(d + 'pillow_palette_8bit.tif')
g.save(d + 'pillow_grey_8bit.tif')
rgba().save(d + 'pillow_rgba.tif')
save_ppm(d + 'colour_over_white.ppm',
         lambda x, y: tuple(over_white(c, alpha(x, y)) for c in colour(x, y)))
save_pgm16(d + 'grey16.pgm')
save_ppm16(d + 'colour16.ppm')
palette_picture(bw, 2).convert('1').save(d + 'pillow_bilevel_g4.tif', compression='group4')
PY

# ImageMagick and netpbm for the rest.
cd "$root/png"
# -force: pnmtopng would otherwise store samples that fit in 8 bits in 8.
pnmtopng -force grey16.pgm > netpbm_grey_16bit.png
pnmtopng -force colour16.ppm > netpbm_rgb_16bit.png
convert pillow_rgba.png -depth 16 PNG64:magick_rgba_16bit.png
convert colour.ppm -interlace PNG PNG24:magick_rgb_interlaced.png
convert pillow_rgba.png -interlace PNG PNG32:magick_rgba_interlaced.png
rm grey16.pgm colour16.ppm

cd "$root/gif"
ppmtogif sixteen.ppm > netpbm_4bit.gif 2>/dev/null
ppmtogif -interlace sixteen.ppm > netpbm_interlaced.gif 2>/dev/null
ppmtogif four.ppm > netpbm_2bit.gif 2>/dev/null
ppmtogif two.ppm > netpbm_1bit_two.gif 2>/dev/null
ppmtogif bw.ppm > netpbm_1bit_bw.gif 2>/dev/null

cd "$root/jpeg"
convert smooth.ppm -colorspace CMYK -quality 95 magick_cmyk.jpg
convert smooth.ppm -quality 95 -interlace JPEG magick_progressive.jpg
# A PNG under a JPEG name: files are known by their content.
cp ../png/pillow_rgb_8bit.png png-with-jpeg-extension.jpg
cp ../png/colour.ppm colour.ppm

cd "$root/tiff"
convert colour16.ppm -depth 16 -compress zip magick_rgb_16bit.tif
pnmtotiff grey16.pgm > netpbm_grey_16bit.tif 2>/dev/null
convert colour.ppm -define tiff:tile-geometry=8x8 -compress lzw magick_rgb_tiled.tif
convert colour.ppm sixteen.ppm -compress lzw magick_two_pages.tif
convert sixteen.ppm -type palette -compress none magick_palette_4bit.tif
pnmtotiff -indexbits=2 four.ppm > netpbm_palette_2bit.tif 2>/dev/null
convert colour.ppm -compress jpeg -quality 95 magick_rgb_jpeg.tif
rm grey16.pgm colour16.ppm
