#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates tests/fixtures/damaged/: files that are hostile (cheap to store,
# costly to decode), damaged (their pixels are not all there) or only odd
# (a harmless warning), each named after its fault, with the reference
# pictures of those that must load. Most are written byte by byte by the
# Python part below from the formats' documented layouts, since no encoder
# writes such files; the JPEG ones that start from a whole file start from
# one that Pillow wrote (Debian package python3-pil).
#
#   scripts/make-damaged-fixtures.sh            the fixtures, at a few KB each,
#       and the hostile structures at the loader fuzzer's largest picture
#       size, as seeds of its corpus (fuzz/corpus/fuzz_open_dib/)
#   scripts/make-damaged-fixtures.sh --largest DIR
#       the two hostile structures at the largest picture size the loader
#       takes, with a plain picture of the same size beside each, for timing
#       by hand (bench/README.md); nothing in the tree changes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root="$(cd "$here/.." && pwd)"
python=/usr/bin/python3  # Debian's, which has python3-pil

"$here/install-deps.sh" python3-pil

if [ "${1:-}" = "--largest" ]; then
  out="${2:?--largest needs a folder}"
  mode=largest
else
  out="$root/tests/fixtures/damaged"
  mode=fixtures
fi
mkdir -p "$out"
seeds="$(mktemp -d)"
trap 'rm -rf "$seeds"' EXIT

"$python" - "$out" "$mode" "$seeds" <<'PY'
import io
import struct
import sys
import zlib

from PIL import Image

out, mode, seed_folder = sys.argv[1], sys.argv[2], sys.argv[3]


def save(name, data):
    with open(out + "/" + name, "wb") as f:
        f.write(data)


def write_ppm(name, width, height, colour):
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            pixels += bytes(colour(x, y))
    save(name, b"P6\n%d %d\n255\n" % (width, height) + bytes(pixels))


# ---------------------------------------------------------------- TIFF
# Classic little-endian TIFF: the header, the data blocks one after the
# other, then the directory and the values that do not fit in its entries.
SHORT, LONG = 3, 4


def tiff(width, height, blocks, tags, data_last=False):
    """blocks: byte strings stored one after the other, after the header or,
    with data_last, after the directory. tags: (tag, type, values), where
    values may be a function of the blocks' offsets."""
    tags = sorted(tags + [(256, LONG, [width]), (257, LONG, [height])])

    def directory(ifd_at, offsets):
        extra_at = ifd_at + 2 + 12 * len(tags) + 4
        ifd = struct.pack("<H", len(tags))
        extra = b""
        for tag, kind, values in tags:
            values = values(offsets) if callable(values) else values
            packed = b"".join(struct.pack("<H" if kind == SHORT else "<I", v) for v in values)
            if len(packed) <= 4:
                ifd += struct.pack("<HHI", tag, kind, len(values)) + packed.ljust(4, b"\0")
            else:
                ifd += struct.pack("<HHII", tag, kind, len(values), extra_at + len(extra))
                extra += packed + b"\0" * (len(packed) & 1)
        return ifd + struct.pack("<I", 0) + extra

    data = b"".join(blocks)
    if data_last:
        size = len(directory(8, [0] * len(blocks)))
        at = 8 + size
    else:
        at = 8
    offsets = []
    for b in blocks:
        offsets.append(at)
        at += len(b)
    if data_last:
        return b"II*\0" + struct.pack("<I", 8) + directory(8, offsets) + data
    ifd_at = at + (at & 1)
    head = b"II*\0" + struct.pack("<I", ifd_at) + data
    return head + b"\0" * (ifd_at - len(head)) + directory(ifd_at, offsets)


def grey_tags(compression, extra=()):
    return [(258, SHORT, [8]), (259, SHORT, [compression]), (262, SHORT, [1]),
            (277, SHORT, [1])] + list(extra)


def strip_tiff(width, height, rows_per_strip, strips, compression, counts=None,
               data_last=False):
    counts = counts or [len(s) for s in strips]
    return tiff(width, height, strips, grey_tags(compression, [
        (273, LONG, lambda offsets: offsets),
        (278, LONG, [rows_per_strip]),
        (279, LONG, counts)]), data_last)


def shared_tile_tiff(width, height, tile_width, tile_length, tile):
    """Every tile of the picture points at the same Deflate stream."""
    stream = zlib.compress(tile, 9)
    count = -(-width // tile_width) * -(-height // tile_length)
    return tiff(width, height, [stream], grey_tags(8, [
        (322, LONG, [tile_width]), (323, LONG, [tile_length]),
        (324, LONG, lambda offsets: [offsets[0]] * count),
        (325, LONG, [len(stream)] * count)]))


def grey_level(x, y):
    return (x * 7 + y * 3) & 255


# ---------------------------------------------------------------- JPEG
# A grey baseline or progressive JPEG of blocks of one level each: only DC
# coefficients, so that a few lines of Huffman coding write it.
def huffman_table(lengths):
    """DHT payload and codes for symbols given as (symbol, code length)."""
    counts = [0] * 17
    for _, n in lengths:
        counts[n] += 1
    order = sorted(lengths, key=lambda s: s[1])
    codes, code, length = {}, 0, 1
    for symbol, n in order:
        while length < n:
            code <<= 1
            length += 1
        codes[symbol] = (code, n)
        code += 1
    payload = bytes(counts[1:]) + bytes(s for s, _ in order)
    return payload, codes


# DC: difference category 0 in one bit, the others in five; AC: end of band
# and the end-of-band runs EOB1..EOB14, four bits each.
DC_PAYLOAD, DC_CODES = huffman_table([(0, 1)] + [(c, 5) for c in range(1, 12)])
AC_PAYLOAD, AC_CODES = huffman_table([(r << 4, 4) for r in range(15)])


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, length):
        self.acc = (self.acc << length) | (value & ((1 << length) - 1))
        self.n += length
        while self.n >= 8:
            self.n -= 8
            byte = (self.acc >> self.n) & 255
            self.out.append(byte)
            if byte == 255:
                self.out.append(0)  # stuffed
        self.acc &= (1 << self.n) - 1

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)  # padded with ones
        data = bytes(self.out)
        self.out = bytearray()
        return data


def marker(code, payload=b""):
    return bytes([0xFF, code]) + struct.pack(">H", len(payload) + 2) + payload


def put_difference(bits, diff):
    category = abs(diff).bit_length()
    bits.put(*DC_CODES[category])
    if category:
        bits.put(diff if diff > 0 else diff + (1 << category) - 1, category)


def put_eob_runs(bits, blocks):
    while blocks:
        run = min(blocks, 32767)
        r = run.bit_length() - 1
        bits.put(*AC_CODES[r << 4])
        bits.put(run - (1 << r), r)
        blocks -= run


def jpeg(width, height, level, progressive=False, scans=(), restart=0, jfif=(1, 1)):
    """level(bx, by): the block's grey level. Baseline files code each
    block's end of band; progressive ones get their DC scan and then
    `scans`, (Ss, Se, Ah, Al) each, coded as end-of-band runs alone."""
    bw, bh = -(-width // 8), -(-height // 8)
    head = b"\xFF\xD8" + marker(0xE0, b"JFIF\0" + bytes(jfif) + b"\0\0\1\0\1\0\0")
    head += marker(0xDB, b"\0" + bytes([8] * 64))  # DC 8 = one grey level
    head += marker(0xC2 if progressive else 0xC0,
                   struct.pack(">BHHB", 8, height, width, 1) + b"\1\x11\0")
    head += marker(0xC4, b"\x00" + DC_PAYLOAD) + marker(0xC4, b"\x10" + AC_PAYLOAD)
    if restart:
        head += marker(0xDD, struct.pack(">H", restart))

    def sos(ss, se, ah, al):
        return marker(0xDA, bytes([1, 1, 0x00, ss, se, ah << 4 | al]))

    body = sos(0, 0 if progressive else 63, 0, 0)
    bits = BitWriter()
    previous, count = 0, 0
    for by in range(bh):
        for bx in range(bw):
            if restart and count and count % restart == 0:
                body += bits.flush() + bytes([0xFF, 0xD0 + (count // restart - 1) % 8])
                previous = 0
            value = level(bx, by) - 128
            put_difference(bits, value - previous)
            previous = value
            if not progressive:
                bits.put(*AC_CODES[0])
            count += 1
    body += bits.flush()
    for scan in scans:
        body += sos(*scan)
        put_eob_runs(bits, bw * bh)
        body += bits.flush()
    return head + body + b"\xFF\xD9"


def block_level(bx, by):
    return (bx * 37 + by * 23) % 200 + 20


def entropy_span(data):
    """Where the first scan's entropy-coded data starts and ends."""
    start = data.index(b"\xFF\xDA")
    start += 2 + struct.unpack(">H", data[start + 2:start + 4])[0]
    end = start
    while not (data[end] == 0xFF and data[end + 1] not in (0x00,) + tuple(range(0xD0, 0xD8))):
        end += 1
    return start, end


def largest():
    # 65535 x 2048 pixels (the largest width, 2^27 pixels in all): tiles 16
    # pixels wide and 65536 rows tall, 32 times the picture's height.
    width, height = 65535, 2048
    save("largest_tiff_tall_narrow_tiles_sharing_one_stream.tif",
         shared_tile_tiff(width, height, 16, 65536, bytes(16 * 65536)))
    rows = 8
    strip = zlib.compress(bytes(width * rows), 9)
    count = -(-height // rows)
    save("largest_tiff_plain_strips.tif", strip_tiff(width, height, rows, [strip] * count, 8))
    # 8192 x 16384 (2^27 pixels): one AC scan, then 497 refinement scans of
    # nothing but end-of-band runs; a second file repeats the first AC scan
    # instead, which no decoder warns about; the plain file is baseline.
    width, height = 8192, 16384
    flat = lambda bx, by: 128
    save("largest_jpeg_refinement_scans_of_eob_runs.jpg",
         jpeg(width, height, flat, True, [(1, 63, 0, 1)] + [(1, 63, 1, 0)] * 497))
    save("largest_jpeg_repeated_ac_scans_of_eob_runs.jpg",
         jpeg(width, height, flat, True, [(1, 63, 0, 0)] * 499))
    save("largest_jpeg_plain_baseline.jpg", jpeg(width, height, flat))


def seeds(folder):
    # The hostile structures at the largest picture size the fuzzers decode
    # (4 megapixels), and under their size limit for an input (64 KB):
    # replayed with the fuzzers' time limit, a loader that is slow on them
    # fails. Tiles of 16 x 2^20 pixels reach far below a picture 1024 rows
    # high, or far past one 16 columns wide.
    save_as = lambda name, data: open(folder + "/" + name, "wb").write(data)
    save_as("tiff_tall_narrow_tiles_sharing_one_stream.tif",
            shared_tile_tiff(4096, 1024, 16, 1 << 20, bytes(16 << 20)))
    save_as("tiff_tiles_far_wider_than_the_picture.tif",
            shared_tile_tiff(16, 4096, 1 << 20, 16, bytes(16 << 20)))
    flat = lambda bx, by: 128
    save_as("jpeg_refinement_scans_of_eob_runs.jpg",
            jpeg(2048, 2048, flat, True, [(1, 63, 0, 1)] + [(1, 63, 1, 0)] * 497))
    save_as("jpeg_repeated_ac_scans_of_eob_runs.jpg",
            jpeg(2048, 2048, flat, True, [(1, 63, 0, 0)] * 499))


if mode == "largest":
    largest()
    sys.exit(0)
seeds(seed_folder)

# Hostile structures, small enough to keep: tall narrow tiles that share one
# stream and reach far below the picture (loads, each tile decoded once and
# only down to the picture's last row); tiles far wider than the picture
# (refused before decoding); a progressive JPEG with 497 refinement scans of
# end-of-band runs, and one with 499 repeated AC scans (both refused).
W, H = 48, 40
tile = bytes(grey_level(x, y) for y in range(4096) for x in range(16))
save("tiff_tall_narrow_tiles_sharing_one_stream.tif", shared_tile_tiff(W, H, 16, 4096, tile))
write_ppm("tiff_tall_narrow_tiles_sharing_one_stream.ppm", W, H,
          lambda x, y: (grey_level(x % 16, y),) * 3)
save("tiff_tiles_far_wider_than_the_picture.tif",
     shared_tile_tiff(16, 16, 1 << 20, 16, bytes((1 << 20) * 16)))


def raw_tiff(blocks, entries):
    """blocks after the header; entries (tag, type, count, value), the value
    a number kept in the entry or a function of the blocks' offsets."""
    offsets, at = [], 8
    for b in blocks:
        offsets.append(at)
        at += len(b)
    ifd = struct.pack("<H", len(entries))
    for tag, kind, count, value in sorted(entries):
        value = value(offsets) if callable(value) else value
        packed = struct.pack("<H", value) + b"\0\0" if kind == SHORT else struct.pack("<I", value)
        ifd += struct.pack("<HHI", tag, kind, count) + packed
    return b"II*\0" + struct.pack("<I", at) + b"".join(blocks) + ifd + struct.pack("<I", 0)


def bilevel_entries(width, height, compression, piece_bytes, tile=None):
    entries = [(256, LONG, 1, width), (257, LONG, 1, height), (258, SHORT, 1, 1),
               (259, SHORT, 1, compression), (262, SHORT, 1, 0), (277, SHORT, 1, 1)]
    if tile:
        return entries + [(322, LONG, 1, tile[0]), (323, LONG, 1, tile[1]),
                          (324, LONG, 1, lambda o: o[0]), (325, LONG, 1, piece_bytes)]
    return entries + [(273, LONG, 1, lambda o: o[0]), (278, LONG, 1, height),
                      (279, LONG, 1, piece_bytes)]


# One-bit tiles 2^26 pixels wide on a picture of one pixel: little to decode,
# but a row of RGBA 256 MB long (refused: no tile need be wider than the
# largest picture). A JBIG strip whose own header declares a picture of
# nearly 2^32 x 2^32 pixels (jbigkit would end the program). A whole grey
# picture with 300 unknown tags that all point at one 4 KB block (libtiff
# would copy the block for each).
save("tiff_one_bit_tiles_far_wider_than_the_picture.tif",
     raw_tiff([bytes(16)], bilevel_entries(1, 1, 1, 16, (1 << 26, 16))))
jbig_header = bytes([0, 0, 1, 0]) + struct.pack(">III", 0xFFFFFFF0, 0xFFFFFFF0, 128) + bytes(4)
# Each byte's bits reversed, as libtiff stores JBIG in the usual fill order.
jbig_header = bytes(int(f"{b:08b}"[::-1], 2) for b in jbig_header)
save("tiff_jbig_header_declaring_a_huge_picture.tif",
     raw_tiff([jbig_header + bytes(16)], bilevel_entries(8, 8, 34661, 36)))
pixels = bytes(grey_level(x, y) for y in range(16) for x in range(16))
save("tiff_tags_pointing_at_one_block.tif", raw_tiff([pixels, bytes(4096)], [
    (256, LONG, 1, 16), (257, LONG, 1, 16), (258, SHORT, 1, 8), (259, SHORT, 1, 1),
    (262, SHORT, 1, 1), (273, LONG, 1, lambda o: o[0]), (277, SHORT, 1, 1),
    (278, LONG, 1, 16), (279, LONG, 1, len(pixels))] +
    [(40000 + i, 7, 4096, lambda o: o[1]) for i in range(300)]))
save("jpeg_refinement_scans_of_eob_runs.jpg",
     jpeg(256, 256, block_level, True, [(1, 63, 0, 1)] + [(1, 63, 1, 0)] * 497))
save("jpeg_repeated_ac_scans_of_eob_runs.jpg",
     jpeg(256, 256, block_level, True, [(1, 63, 0, 0)] * 499))

# TIFF: grey 32 x 32 in eight Deflate strips of four rows, whole; then with
# strip 5 cut to half its bytes, with strip 5 replaced by a stream whose
# first block has the reserved block type, and as one uncompressed strip
# whose byte count is half what its rows need (libtiff ignores such a count
# and reads on into what follows the strip). Then 100 uncompressed rows
# whose last strip is half as long as its byte count says (the file ends
# there).
W, H = 32, 32
rows = [bytes(grey_level(x, y) for x in range(W)) for y in range(H)]
strips = [zlib.compress(b"".join(rows[y:y + 4])) for y in range(0, H, 4)]
write_ppm("tiff_intact.ppm", W, H, lambda x, y: (grey_level(x, y),) * 3)
save("tiff_intact.tif", strip_tiff(W, H, 4, strips, 8))
cut = list(strips)
cut[5] = cut[5][:len(cut[5]) // 2]
save("tiff_deflate_strip_cut_short.tif", strip_tiff(W, H, 4, cut, 8))
corrupt = list(strips)
corrupt[5] = b"\x78\x9c\x07" + corrupt[5][3:]  # BFINAL 1, BTYPE 3
save("tiff_deflate_strip_reserved_block_type.tif", strip_tiff(W, H, 4, corrupt, 8))
pixels = b"".join(rows)
save("tiff_byte_count_that_lies.tif", strip_tiff(W, H, H, [pixels], 1, [len(pixels) // 2]))
# One-row strips, so that a reader of bands of rows meets the short strip
# inside a band.
tall = [bytes(grey_level(x, y) for x in range(W)) for y in range(100)]
whole = strip_tiff(W, 100, 1, tall, 1, data_last=True)
save("tiff_last_strip_half_its_byte_count.tif", whole[:len(whole) - W // 2])
# Only odd: a tag that no reader knows.
save("tiff_unknown_tag.tif", tiff(W, H, strips, grey_tags(8, [
    (273, LONG, lambda offsets: offsets), (278, LONG, [4]),
    (279, LONG, [len(s) for s in strips]), (65000, LONG, [7])])))

# JPEG: a Pillow baseline file cut in its scan and ended with the end-of-
# image marker; the same with a restart marker in the middle of the scan
# (the file has no restart interval); one of ours with a restart marker
# every block and one of them numbered out of turn.
W, H = 48, 40
smooth = Image.new("RGB", (W, H))
for y in range(H):
    for x in range(W):
        smooth.putpixel((x, y), (60 + x * 3, 200 - y * 4, 90 + x + y))
buffer = io.BytesIO()
smooth.save(buffer, "JPEG", quality=90)
intact = buffer.getvalue()
save("jpeg_intact.jpg", intact)
start, end = entropy_span(intact)
middle = (start + end) // 2
if intact[middle - 1] == 0xFF:
    middle += 1
save("jpeg_cut_then_ended.jpg", intact[:middle] + b"\xFF\xD9")
save("jpeg_stray_restart_marker.jpg", intact[:middle] + b"\xFF\xD0" + intact[middle:])
restarts = jpeg(W, H, block_level, restart=1)
save("jpeg_intact_restarts.jpg", restarts)
fourth = restarts.index(b"\xFF\xD3")
save("jpeg_restart_marker_out_of_turn.jpg",
     restarts[:fourth] + b"\xFF\xD5" + restarts[fourth + 2:])
# Only odd: bytes after the end; a progressive file padded before its end
# marker; a JFIF version from the future.
save("jpeg_bytes_after_the_end.jpg", intact + b"\0\0 trailing bytes \xFF")
buffer = io.BytesIO()
smooth.save(buffer, "JPEG", quality=90, progressive=True)
progressive = buffer.getvalue()
save("jpeg_intact_progressive.jpg", progressive)
save("jpeg_progressive_padded_before_the_end.jpg", progressive[:-2] + b"\0\0\0\xFF\xD9")
save("jpeg_unknown_jfif_version.jpg", jpeg(W, H, block_level, jfif=(3, 0)))
save("jpeg_intact_blocks.jpg", jpeg(W, H, block_level))
write_ppm("jpeg_blocks.ppm", W, H, lambda x, y: (block_level(x // 8, y // 8),) * 3)


# ---------------------------------------------------------------- PNG
def png_chunk(kind, payload):
    return struct.pack(">I", len(payload)) + kind + payload + struct.pack(
        ">I", zlib.crc32(kind + payload) & 0xFFFFFFFF)


def palette_png(width, height, depth, palette, index):
    rows = b""
    for y in range(height):
        bits = "".join(format(index(x, y), "0%db" % depth) for x in range(width))
        bits += "0" * (-len(bits) % 8)
        rows += b"\0" + bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
    return (b"\x89PNG\r\n\x1a\n" +
            png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, 3, 0, 0, 0)) +
            png_chunk(b"PLTE", b"".join(bytes(c) for c in palette)) +
            png_chunk(b"IDAT", zlib.compress(rows)) + png_chunk(b"IEND", b""))


# Palette pictures with one pixel whose index has no entry.
W, H = 13, 7
save("png_1bit_index_past_the_palette.png",
     palette_png(W, H, 1, [(10, 200, 30)], lambda x, y: int(x == 9 and y == 4)))
sixteen = [(i * 16, 255 - i * 16, (i * 77) & 255) for i in range(16)]
save("png_8bit_index_past_the_palette.png",
     palette_png(W, H, 8, sixteen, lambda x, y: 200 if (x, y) == (3, 5) else (x + y) % 16))


# ---------------------------------------------------------------- IFF
def iff_chunk(kind, payload):
    return kind + struct.pack(">I", len(payload)) + payload + b"\0" * (len(payload) & 1)


def ehb_iff(width, height, colour_map, index):
    row_bytes = (width + 15) // 16 * 2
    body = b""
    for y in range(height):
        for p in range(6):
            plane = bytearray(row_bytes)
            for x in range(width):
                if index(x, y) >> p & 1:
                    plane[x // 8] |= 0x80 >> (x % 8)
            body += plane
    form = b"ILBM" + iff_chunk(b"BMHD", struct.pack(">HHhhBBBBHBBhh", width, height, 0, 0, 6,
                                                     0, 0, 0, 0, 1, 1, width, height))
    form += iff_chunk(b"CMAP", b"".join(bytes(c) for c in colour_map))
    form += iff_chunk(b"CAMG", struct.pack(">I", 0x80)) + iff_chunk(b"BODY", body)
    return b"FORM" + struct.pack(">I", len(form)) + form


# Extra half-brite with a map of 16 colours: indices 0-15 and 32-47 have a
# colour, 16-31 and 48-63 none.
low = [((i * 50) & 255, (i * 90 + 30) & 255, 255 - i * 12) for i in range(16)]
within = lambda x, y: (x + y) % 16 + (32 if (x * y) % 3 == 0 else 0)
save("iff_ehb_short_colour_map.iff", ehb_iff(W, H, low, within))
write_ppm("iff_ehb_short_colour_map.ppm", W, H,
          lambda x, y: tuple(c >> (within(x, y) >> 5) for c in low[within(x, y) % 32]))
save("iff_ehb_index_past_a_short_colour_map.iff",
     ehb_iff(W, H, low, lambda x, y: 20 if (x, y) == (6, 2) else within(x, y)))


# ---------------------------------------------------------------- GIF
def lzw(indices, min_size):
    """Codes of `min_size` + 1 bits, literals only, with a clear code often
    enough that the code size never grows."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    codes = [clear]
    for i, v in enumerate(indices):
        if i and i % 200 == 0:
            codes.append(clear)
        codes.append(v)
    codes.append(end)
    acc = n = 0
    data = bytearray()
    for c in codes:
        acc |= c << n
        n += min_size + 1
        while n >= 8:
            data.append(acc & 255)
            acc >>= 8
            n -= 8
    if n:
        data.append(acc & 255)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                      for i in range(0, len(data), 255))
    return bytes([min_size]) + blocks + b"\0"


def table(colours):
    return b"".join(bytes(c) for c in colours)


def gif(width, height, global_colours, background, frame, local_colours, indices,
        transparent=None):
    size_bits = lambda colours: (len(colours) - 1).bit_length() - 1
    data = b"GIF89a" + struct.pack("<HHBBB", width, height, 0xF0 | size_bits(global_colours),
                                   background, 0) + table(global_colours)
    if transparent is not None:
        data += b"\x21\xF9\x04\x01\0\0" + bytes([transparent]) + b"\0"
    left, top, w, h = frame
    flags = 0x80 | size_bits(local_colours) if local_colours else 0
    data += b"\x2C" + struct.pack("<HHHHB", left, top, w, h, flags)
    data += table(local_colours or [])
    return data + lzw(indices, 8) + b"\x3B"


# A full table of 16 colours and a transparent index, 20, past it; the
# codes are 9 bits wide, so pixels can carry it.
shown = lambda x, y: 20 if (x + 2 * y) % 5 == 0 else (x * 3 + y) % 16
save("gif_transparent_index_past_a_full_table.gif",
     gif(W, H, sixteen, 0, (0, 0, W, H), None, [shown(x, y) for y in range(H) for x in range(W)],
         transparent=20))
write_ppm("gif_transparent_index_past_a_full_table.ppm", W, H,
          lambda x, y: (255, 255, 255) if shown(x, y) == 20 else sixteen[shown(x, y)])
# A frame with a table of its own on a screen whose background is entry 2
# of the global table; entry 2 of the frame's table is another colour.
global_colours = [(0, 0, 0), (200, 0, 0), (0, 160, 0), (0, 0, 200)]
local_colours = [(255, 255, 255), (240, 240, 0), (0, 230, 230), (230, 0, 230)]
frame = (4, 2, 6, 3)
inside = lambda x, y: (x + y) % 4
save("gif_background_from_the_global_table.gif",
     gif(W, H, global_colours, 2, frame, local_colours,
         [inside(x, y) for y in range(frame[3]) for x in range(frame[2])]))


def framed(x, y):
    left, top, w, h = frame
    if left <= x < left + w and top <= y < top + h:
        return local_colours[inside(x - left, y - top)]
    return global_colours[2]


write_ppm("gif_background_from_the_global_table.ppm", W, H, framed)

# ---------------------------------------------------------------- TGA
# Grey, 16 bits a pixel, no attribute bits: the level is the high byte.
level = lambda x, y: (x * 19 + y * 31) & 255
pixels = b"".join(struct.pack("<H", level(x, y) << 8 | (x * 41 + 7) & 255)
                  for y in range(H) for x in range(W))
save("tga_grey_16bit_without_alpha.tga",
     struct.pack("<BBBHHBHHHHBB", 0, 0, 3, 0, 0, 0, 0, 0, W, H, 16, 0x20) + pixels)
write_ppm("tga_grey_16bit_without_alpha.ppm", W, H, lambda x, y: (level(x, y),) * 3)
PY

[ "$mode" = fixtures ] || exit 0
# The hostile structures also seed the loader's fuzzer, at its size.
for f in "$seeds"/*; do
  cp "$f" "$root/fuzz/corpus/fuzz_open_dib/$(sha1sum "$f" | cut -c1-40)"
done

