#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates the bitmap fixtures of tests/fixtures/bmp/ with encoders that
# are not ours: netpbm's ppmtobmp, ImageMagick and Python's Pillow (Debian
# packages netpbm, imagemagick, python3-pil). The reference pictures that the
# tests compare against are written first, as plain PPM/PAM files; every
# fixture is then decoded again by ImageMagick and checked against them, so
# a fixture that does not hold its reference picture is never committed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

out="$(cd "$(dirname "$0")/.." && pwd)/tests/fixtures/bmp"
python=/usr/bin/python3  # Debian's, which has python3-pil
mkdir -p "$out"
cd "$out"

# The encoders are needed only here, not to build or test, so they are not
# in install-deps.sh's own list.
"$here/install-deps.sh" netpbm imagemagick python3-pil

# 13 x 7 pixels: rows of 4- and 1-bit pictures end mid-byte and every depth
# has row padding.
"$python" - <<'PY'
W, H = 13, 7
palette = [(0, 0, 0), (255, 255, 255), (206, 16, 49), (16, 206, 49), (49, 16, 206),
           (247, 239, 8), (239, 8, 247), (8, 247, 239), (49, 49, 49), (206, 206, 206),
           (255, 206, 0), (0, 49, 16), (16, 0, 255), (255, 49, 206), (8, 16, 8),
           (239, 247, 206)]
two = [(16, 0, 255), (247, 239, 8)]

def index(x, y):
    # Single pixels, short runs and a solid row, so that RLE encoders use
    # both their run and their literal modes.
    if y % 3 == 0:
        return (x + y) % 16
    if y % 3 == 1:
        return (x // 5 + y) % 16
    return 7

def write_ppm(name, colour):
    with open(name, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (W, H))
        for y in range(H):
            for x in range(W):
                f.write(bytes(colour(x, y)))

write_ppm("colour.ppm", lambda x, y: palette[index(x, y)])
write_ppm("two.ppm", lambda x, y: two[(x * y + x + y) % 3 == 0])

# The colour picture with an alpha channel that the readers must ignore.
rgba = b"".join(bytes(palette[index(x, y)]) + bytes([(x * 19 + y * 37) % 256])
                for y in range(H) for x in range(W))
with open("colour_alpha.pam", "wb") as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
            % (W, H) + rgba)

from PIL import Image
indexed = Image.frombytes("P", (W, H), bytes(index(x, y) for y in range(H) for x in range(W)))
indexed.putpalette([c for rgb in palette for c in rgb])
indexed.save("pillow_info_8bit.bmp")
Image.frombytes("RGBA", (W, H), rgba).save("pillow_info_32bit.bmp")
PY

ppmtobmp -os2 -bpp=1 two.ppm > netpbm_core_1bit.bmp 2>/dev/null
ppmtobmp -os2 -bpp=4 colour.ppm > netpbm_core_4bit.bmp 2>/dev/null
ppmtobmp -os2 -bpp=8 colour.ppm > netpbm_core_8bit.bmp 2>/dev/null
ppmtobmp -os2 -bpp=24 colour.ppm > netpbm_core_24bit.bmp 2>/dev/null
ppmtobmp -windows -bpp=1 two.ppm > netpbm_info_1bit.bmp 2>/dev/null
ppmtobmp -windows -bpp=4 colour.ppm > netpbm_info_4bit.bmp 2>/dev/null
convert colour.ppm -type Palette -compress RLE BMP3:magick_info_8bit_rle8.bmp
convert colour.ppm -type TrueColor BMP3:magick_info_24bit.bmp
convert colour.ppm -type Palette BMP:magick_v5_4bit.bmp
convert colour.ppm -define bmp:subtype=RGB565 BMP:magick_v5_16bit_565.bmp
convert colour.ppm -define bmp:subtype=RGB555 BMP:magick_v5_16bit_555.bmp
convert colour.ppm -type TrueColor BMP:magick_v5_24bit.bmp
convert colour_alpha.pam BMP:magick_v5_32bit_alpha.bmp

# 16 bits cannot hold the colours exactly, and ImageMagick drops the low
# bits rather than rounding: for these the reference is what ImageMagick's
# reader makes of the file, which scales each field to 0..255 with rounding.
for f in magick_v5_16bit_555 magick_v5_16bit_565; do
  convert "$f.bmp" -depth 8 "$f.ppm"
done

for f in *.bmp; do
  case "$f" in
    *_1bit*) ref=two.ppm ;;
    *_16bit_*) ref="${f%.bmp}.ppm" ;;
    *) ref=colour.ppm ;;
  esac
  if ! cmp -s <(convert "$f" -alpha off -depth 8 ppm:-) <(convert "$ref" -depth 8 ppm:-); then
    echo "$f does not decode to $ref" >&2
    exit 1
  fi
done
ls -l "$out"
