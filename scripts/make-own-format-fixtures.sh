#!/usr/bin/env bash
# Regenerates the TGA, PCX and IFF fixtures of tests/fixtures/{tga,pcx,iff}/
# with encoders that are not ours: netpbm (pamtotga, ppmtopcx, ppmtoilbm),
# ImageMagick and Python's Pillow (Debian packages netpbm, imagemagick,
# python3-pil). Variants that no Debian encoder writes are written byte by
# byte by the Python part below, from the formats' documented layouts; each
# says so. The reference pictures, plain PPM files, are written first; every
# fixture that an independent decoder (netpbm's, ImageMagick's) can read is
# decoded again and checked against its reference, so a fixture that does not
# hold its reference picture is never committed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

root="$(cd "$(dirname "$0")/.." && pwd)/tests/fixtures"
python=/usr/bin/python3  # Debian's, which has python3-pil
convert=/usr/bin/convert
mkdir -p "$root/tga" "$root/pcx" "$root/iff"

"$here/install-deps.sh" netpbm imagemagick python3-pil

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir tga pcx iff

# References, 13 x 7 pixels (rows of planar and packed pictures end mid-byte):
#   colour.ppm  16 colours; runs and single pixels, so RLE encoders use both modes
#   two.ppm     2 colours, neither black nor white
#   four.ppm    4 colours
#   grey.ppm    greys
#   rgb.ppm     91 colours, for the true-colour variants
#   c555.ppm    16 colours that 5 bits a channel hold exactly
#   alpha.pam   rgb.ppm with an alpha channel; alpha_white.ppm it over white
#   ehb.ppm     64 colours, the upper 32 half the lower
"$python" - <<'PY'
W, H = 13, 7
palette = [(0, 0, 0), (255, 255, 255), (206, 16, 49), (16, 206, 49), (49, 16, 206),
           (247, 239, 8), (239, 8, 247), (8, 247, 239), (49, 49, 49), (206, 206, 206),
           (255, 206, 0), (0, 49, 16), (16, 0, 255), (255, 49, 206), (8, 16, 8),
           (239, 247, 206)]

def index(x, y):
    if y % 3 == 0:
        return (x + y) % 16
    if y % 3 == 1:
        return (x // 5 + y) % 16
    return 7

def expand5(v):
    return v << 3 | v >> 2

def write_ppm(name, colour):
    with open(name, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (W, H))
        for y in range(H):
            for x in range(W):
                f.write(bytes(colour(x, y)))

def rgb(x, y):
    return ((x * 19 + y * 3) % 256, (y * 37 + x) % 256, (x * y * 11 + 40) % 256)

def alpha(x, y):
    return (0, 255, 128, 64, 200)[(x + 2 * y) % 5]

def over_white(c, a):
    return (c * a + 255 * (255 - a) + 127) // 255

c555 = [tuple(expand5((7 * i + k * 11) % 32) for k in range(3)) for i in range(16)]
ehb_low = [((i * 40) % 256, (i * 90 + 30) % 256, (255 - i * 8) % 256) for i in range(32)]
ehb = ehb_low + [tuple(c >> 1 for c in e) for e in ehb_low]

write_ppm("colour.ppm", lambda x, y: palette[index(x, y)])
write_ppm("two.ppm", lambda x, y: [(16, 0, 255), (247, 239, 8)][(x * y + x + y) % 3 == 0])
write_ppm("four.ppm", lambda x, y: palette[2 + index(x, y) % 4])
write_ppm("grey.ppm", lambda x, y: (((x * 20 + y * 7) % 256),) * 3)
write_ppm("rgb.ppm", rgb)
write_ppm("c555.ppm", lambda x, y: c555[index(x, y)])
write_ppm("alpha_white.ppm", lambda x, y: tuple(over_white(c, alpha(x, y)) for c in rgb(x, y)))
write_ppm("ehb.ppm", lambda x, y: ehb[(x * 5 + y * 9) % 64])
with open("alpha.pam", "wb") as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (W, H))
    f.write(b"".join(bytes(rgb(x, y)) + bytes([alpha(x, y)]) for y in range(H) for x in range(W)))

# --- Pillow ------------------------------------------------------------------
from PIL import Image
indexed = Image.frombytes("P", (W, H), bytes(index(x, y) for y in range(H) for x in range(W)))
indexed.putpalette([c for e in palette for c in e])
rgb_image = Image.open("rgb.ppm")
grey_image = Image.open("grey.ppm").convert("L")
alpha_image = Image.frombytes("RGBA", (W, H), open("alpha.pam", "rb").read().split(b"ENDHDR\n")[1])
indexed.save("tga/pillow_type1_8bit.tga")
indexed.save("tga/pillow_type9_8bit_top.tga", compression="tga_rle", orientation=1)
rgb_image.save("tga/pillow_type10_24bit.tga", compression="tga_rle")
rgb_image.save("tga/pillow_type2_24bit_top.tga", orientation=1)
grey_image.save("tga/pillow_type11_8bit.tga", compression="tga_rle")
alpha_image.save("tga/pillow_type2_32bit_alpha.tga")
alpha_image.save("tga/pillow_type10_32bit_alpha_top.tga", compression="tga_rle", orientation=1)
indexed.save("pcx/pillow_8bit.pcx")
rgb_image.save("pcx/pillow_24bit.pcx")
grey_image.save("pcx/pillow_8bit_grey.pcx")

# --- By hand -----------------------------------------------------------------
import struct

def tga(name, image_type, bits, descriptor, pixels, cmap=b"", cmap_first=0, cmap_count=0,
        cmap_bits=0, footer=False):
    header = struct.pack("<BBBHHBHHHHBB", 0, 1 if cmap else 0, image_type, cmap_first,
                         cmap_count, cmap_bits, 0, 0, W, H, bits, descriptor)
    data = header + cmap + pixels
    if footer:
        data += struct.pack("<II", 0, 0) + b"TRUEVISION-XFILE.\0"
    open(name, "wb").write(data)

def tga_rle(pixel_list, size):
    # Packets of up to 128 pixels over the whole picture: runs carry on from
    # one row into the next, as the first version of the format allows.
    out, i = bytearray(), 0
    while i < len(pixel_list):
        j = i
        while j + 1 < len(pixel_list) and j - i < 127 and pixel_list[j + 1] == pixel_list[i]:
            j += 1
        if j > i:
            out += bytes([0x80 | (j - i)]) + pixel_list[i]
            i = j + 1
        else:
            j = i
            while j + 1 < len(pixel_list) and j - i < 127 and pixel_list[j + 1] != pixel_list[j]:
                j += 1
            out += bytes([j - i]) + b"".join(pixel_list[i:j + 1])
            i = j + 1
    return bytes(out)

def rows_bottom_up(fn):
    return [fn(x, y) for y in reversed(range(H)) for x in range(W)]

def word555(c, attribute=0):
    return struct.pack("<H", attribute << 15 | (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | c[2] >> 3)

# No Debian encoder writes 15- and 16-bit true colour, 15- or 32-bit map
# entries, right-to-left rows or a footer: these are written here.
c555_pixels = rows_bottom_up(lambda x, y: word555(c555[index(x, y)], (x + y) % 2))
tga("tga/hand_type2_16bit.tga", 2, 16, 1, b"".join(c555_pixels))
tga("tga/hand_type10_15bit_footer.tga", 10, 15, 0, tga_rle(c555_pixels, 2), footer=True)
cmap15 = b"".join(word555(c) for c in c555)
tga("tga/hand_type1_cmap15_first3.tga", 1, 8, 0,
    b"".join(rows_bottom_up(lambda x, y: bytes([3 + index(x, y)]))), cmap15, 3, 16, 15)
cmap32 = b"".join(bytes([c[2], c[1], c[0], 255]) for c in palette)
tga("tga/hand_type9_cmap32.tga", 9, 8, 8,
    tga_rle(rows_bottom_up(lambda x, y: bytes([index(x, y)])), 1), cmap32, 0, 16, 32)
tga("tga/hand_type2_24bit_right_to_left.tga", 2, 24, 0x10,
    b"".join(rows_bottom_up(lambda x, y: bytes(reversed(rgb(W - 1 - x, y))))))

def chunk(tag, data):
    return tag + struct.pack(">I", len(data)) + data + (b"\0" if len(data) % 2 else b"")

def byterun1(row):
    out, i = bytearray(), 0
    while i < len(row):
        j = i
        while j + 1 < len(row) and j - i < 127 and row[j + 1] == row[i]:
            j += 1
        if j > i:
            out += bytes([(257 - (j - i + 1)) % 256, row[i]])
            i = j + 1
        else:
            j = i
            while j + 1 < len(row) and j - i < 127 and row[j + 1] != row[j]:
                j += 1
            out += bytes([j - i]) + row[i:j + 1]
            i = j + 1
    return bytes(out)

def iff(name, form, planes, compression, rows, cmap, camg=None):
    bmhd = struct.pack(">HHhhBBBBHBBhh", W, H, 0, 0, planes, 0, compression, 0, 0, 1, 1, W, H)
    # Each plane of a row is compressed on its own, as the format asks.
    piece = W + W % 2 if form == b"PBM " else (W + 15) // 16 * 2
    pieces = [r[i:i + piece] for r in rows for i in range(0, len(r), piece)]
    body = b"".join(byterun1(p) if compression else p for p in pieces)
    chunks = chunk(b"BMHD", bmhd) + chunk(b"CMAP", b"".join(bytes(c) for c in cmap))
    if camg is not None:
        chunks += chunk(b"CAMG", struct.pack(">I", camg))
    chunks += chunk(b"BODY", body)
    data = form + chunks
    open(name, "wb").write(b"FORM" + struct.pack(">I", len(data)) + data)

def planar_row(values, planes):
    row_bytes = (W + 15) // 16 * 2
    out = bytearray()
    for p in range(planes):
        plane = bytearray(row_bytes)
        for x, v in enumerate(values):
            if v >> p & 1:
                plane[x // 8] |= 0x80 >> (x % 8)
        out += plane
    return bytes(out)

# No Debian encoder writes PBM (chunky) files or extra-half-brite pictures.
chunky = [bytes(index(x, y) for x in range(W)) + b"\0" for y in range(H)]  # rows padded to even
iff("iff/hand_pbm_byterun1.lbm", b"PBM ", 8, 1, chunky, palette)
iff("iff/hand_pbm_uncompressed.lbm", b"PBM ", 8, 0, chunky, palette)
ehb_rows = [planar_row([(x * 5 + y * 9) % 64 for x in range(W)], 6) for y in range(H)]
iff("iff/hand_ehb_6planes.iff", b"ILBM", 6, 1, ehb_rows, ehb_low, camg=0x80)
PY

mv tga/* "$root/tga/" 2>/dev/null || true
mv pcx/* "$root/pcx/" 2>/dev/null || true
mv iff/* "$root/iff/" 2>/dev/null || true
cp colour.ppm two.ppm four.ppm grey.ppm rgb.ppm c555.ppm alpha_white.ppm ehb.ppm "$root/tga/"
cp colour.ppm two.ppm four.ppm grey.ppm rgb.ppm alpha_white.ppm "$root/pcx/"
cp colour.ppm two.ppm four.ppm rgb.ppm alpha_white.ppm ehb.ppm "$root/iff/"
rm -f "$root/tga/two.ppm" "$root/tga/four.ppm" "$root/iff/alpha_white.ppm"

# --- netpbm and ImageMagick ----------------------------------------------------
t="$root/tga"
pamtotga -cmap colour.ppm > "$t/netpbm_type9_8bit.tga" 2>/dev/null
pamtotga -cmap -norle colour.ppm > "$t/netpbm_type1_8bit.tga" 2>/dev/null
pamtotga -cmap16 -norle c555.ppm > "$t/netpbm_type1_cmap16.tga" 2>/dev/null
pamtotga -rgb -norle rgb.ppm > "$t/netpbm_type2_24bit.tga" 2>/dev/null
ppmtopgm grey.ppm | pamtotga -mono > "$t/netpbm_type11_8bit.tga" 2>/dev/null
# ImageMagick writes rows from the top whatever the origin it declares;
# only with -orient TopLeft does the header say so.
"$convert" colour.ppm -orient TopLeft -type Palette TGA:"$t/magick_type1_8bit_top.tga"
"$convert" colour.ppm -orient TopLeft -type Palette -compress RLE TGA:"$t/magick_type9_8bit_top.tga"
"$convert" rgb.ppm -orient TopLeft -type TrueColor -compress RLE TGA:"$t/magick_type10_24bit_top.tga"
"$convert" grey.ppm -orient TopLeft -type Grayscale TGA:"$t/magick_type3_8bit_top.tga"
"$convert" alpha.pam -orient TopLeft TGA:"$t/magick_type2_32bit_alpha_top.tga"

p="$root/pcx"
ppmtopcx two.ppm > "$p/netpbm_1bit.pcx" 2>/dev/null
ppmtopcx -packed four.ppm > "$p/netpbm_2bit_packed.pcx" 2>/dev/null
ppmtopcx colour.ppm > "$p/netpbm_4planes.pcx" 2>/dev/null
ppmtopcx -planes=2 four.ppm > "$p/netpbm_2planes.pcx" 2>/dev/null
ppmtopcx -packed colour.ppm > "$p/netpbm_4bit_packed.pcx" 2>/dev/null
ppmtopcx -8bit colour.ppm > "$p/netpbm_8bit.pcx" 2>/dev/null
ppmtopcx -24bit rgb.ppm > "$p/netpbm_24bit.pcx" 2>/dev/null
"$convert" colour.ppm -type Palette PCX:"$p/magick_8bit.pcx"
"$convert" rgb.ppm -type TrueColor PCX:"$p/magick_24bit.pcx"
"$convert" alpha.pam PCX:"$p/magick_32bit_alpha.pcx"

i="$root/iff"
ppmtoilbm two.ppm > "$i/netpbm_1plane.iff" 2>/dev/null
ppmtoilbm colour.ppm > "$i/netpbm_4planes.iff" 2>/dev/null
ppmtoilbm -nocompress colour.ppm > "$i/netpbm_4planes_uncompressed.iff" 2>/dev/null
ppmtoilbm -fixplanes 8 colour.ppm > "$i/netpbm_8planes.iff" 2>/dev/null
ppmtoilbm -24force rgb.ppm > "$i/netpbm_24planes.iff" 2>/dev/null
ppmtoilbm -hamforce -ham6 rgb.ppm > "$i/netpbm_ham6.iff" 2>/dev/null
ppmtoilbm -hamforce -ham8 rgb.ppm > "$i/netpbm_ham8.iff" 2>/dev/null
# A mask plane, from a PBM of the picture's shape (pixels of colour 0 out).
ppmtopgm colour.ppm | pgmtopbm -threshold -value 0.01 | pnminvert > mask.pbm
ppmtoilbm -maskfile mask.pbm colour.ppm > "$i/netpbm_4planes_mask.lbm" 2>/dev/null

# HAM cannot hold every colour: the reference is what netpbm's decoder makes
# of the file.
for f in netpbm_ham6 netpbm_ham8; do
  ilbmtoppm "$i/$f.iff" > "$i/$f.ppm" 2>/dev/null
done

same() {  # decoded reference
  # Decoders widen 5-bit channels in different ways: those compare at 5 bits.
  local depth=255
  case "$2" in *c555*) depth=31 ;; esac
  cmp -s <(pamdepth "$depth" "$1" 2>/dev/null) <(pamdepth "$depth" "$2")
}
check() {  # decoded reference fixture
  local decoded=$1 ref=$2
  if ! same "$decoded" "$ref"; then
    echo "$3 does not decode to $(basename "$ref")" >&2
    exit 1
  fi
}
reference() {
  case "$(basename "$1")" in
    *alpha*) echo rgb.ppm ;;  # the independent decoders are asked for the colours alone
    *cmap15* | *cmap16* | *16bit* | *15bit*) echo c555.ppm ;;
    *1bit* | *1plane*) echo two.ppm ;;
    *2bit* | *2planes*) echo four.ppm ;;
    *grey* | *type3_* | *type11_*) echo grey.ppm ;;
    *24bit* | *24planes*) echo rgb.ppm ;;
    *ham6*) echo netpbm_ham6.ppm ;;
    *ham8*) echo netpbm_ham8.ppm ;;
    *ehb*) echo ehb.ppm ;;
    *) echo colour.ppm ;;
  esac
}
for f in "$t"/*.tga "$p"/*.pcx "$i"/*.iff "$i"/*.lbm; do
  ref="$(reference "$f")"
  [ -e "$ref" ] || ref="$(dirname "$f")/$ref"
  case "$f" in
    *fuzz_*) continue ;;  # files that the fuzzers found, kept as they were
    # tgatoppm ignores the right-to-left bit: its columns come out mirrored.
    *right_to_left*) tgatoppm "$f" 2>/dev/null | pamflip -lr > "$work/out.ppm" ;;
    *.tga) tgatoppm "$f" 2>/dev/null > "$work/out.ppm" ;;
    # pcxtoppm and ImageMagick each read some of the PCX variants that the
    # other does not (ImageMagick shows 1-bit files black and white): a PCX
    # file passes when either agrees.
    *.pcx)
      pcxtoppm "$f" 2>/dev/null > "$work/out.ppm" || true
      if ! same "$work/out.ppm" "$ref"; then
        "$convert" "$f" -alpha off -depth 8 ppm:"$work/out.ppm"
      fi
      ;;
    # ilbmtoppm reads chunky rows of an odd width without their pad byte,
    # which the format's rows of whole words have; these two are not checked.
    *hand_pbm_*) continue ;;
    *) ilbmtoppm "$f" 2>/dev/null > "$work/out.ppm" ;;
  esac
  check "$work/out.ppm" "$ref" "$f"
done
ls -l "$t" "$p" "$i"
