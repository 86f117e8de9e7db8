// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/bmp_reader.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

namespace grimora {

// A short colour table is fine as long as no pixel uses an index past it:
// such a pixel has no colour, so the file is refused rather than shown with
// made-up ones. Broken RLE data is refused too: guessing where a run was
// meant to go gives a scrambled picture.

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kBitmapArrayHeaderSize = 14;

constexpr const char* kEndsInHeader = "The file ends inside the bitmap header.";
constexpr const char* kEndsBeforeData = "The file ends before the picture data.";
constexpr const char* kRunPastRow = "The RLE data runs past the end of a row.";
constexpr const char* kRunPastPicture = "The RLE data runs past the end of the picture.";

uint16_t ReadU16(std::span<const uint8_t> file, std::size_t at) {
    return static_cast<uint16_t>(file[at] | file[at + 1] << 8);
}

uint32_t ReadU32(std::span<const uint8_t> file, std::size_t at) {
    return uint32_t{file[at]} | uint32_t{file[at + 1]} << 8 | uint32_t{file[at + 2]} << 16 |
           uint32_t{file[at + 3]} << 24;
}

int32_t ReadI32(std::span<const uint8_t> file, std::size_t at) {
    return static_cast<int32_t>(ReadU32(file, at));
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string SizeText(int64_t width, int64_t height) {
    return std::to_string(width) + " × " + std::to_string(height);
}

// The three families of info header. OS/2 2.x headers are 16 to 64 bytes
// long; of those lengths, 40, 52 and 56 are Windows headers.
enum class HeaderKind { kCore, kOs2, kWindows, kUnknown };

HeaderKind KindOfHeader(uint32_t size) {
    switch (size) {
        case 12:
            return HeaderKind::kCore;
        case 40:
        case 52:
        case 56:
        case 108:
        case 124:
            return HeaderKind::kWindows;
        default:
            return size >= 16 && size <= 64 ? HeaderKind::kOs2 : HeaderKind::kUnknown;
    }
}

// Compression field to compression, for the header family it came from. The
// alpha bit fields of Windows CE read like bit fields whose alpha is ignored.
bool DecodeCompression(uint32_t value, HeaderKind kind, BmpCompression& compression,
                       bool& alphaMask, std::string& error) {
    alphaMask = false;
    switch (value) {
        case 0:
            compression = BmpCompression::kNone;
            return true;
        case 1:
            compression = BmpCompression::kRle8;
            return true;
        case 2:
            compression = BmpCompression::kRle4;
            return true;
        case 3:
            if (kind == HeaderKind::kOs2) {
                error = "OS/2 bitmaps with Huffman compression are not supported.";
                return false;
            }
            compression = BmpCompression::kBitFields;
            return true;
        case 4:
            error = kind == HeaderKind::kOs2
                        ? "OS/2 bitmaps with RLE24 compression are not supported."
                        : "Bitmaps holding a JPEG picture are not supported.";
            return false;
        case 5:
            error = "Bitmaps holding a PNG picture are not supported.";
            return false;
        case 6:
            if (kind == HeaderKind::kWindows) {
                compression = BmpCompression::kBitFields;
                alphaMask = true;
                return true;
            }
            break;
        default:
            break;
    }
    error = "Unknown compression " + std::to_string(value) + ".";
    return false;
}

bool CheckDepth(int bitCount, BmpCompression compression, std::string& error) {
    const std::string depth = std::to_string(bitCount);
    if (!IsDibDepth(bitCount)) {
        error = "Unsupported colour depth: " + depth + " bits per pixel.";
        return false;
    }
    switch (compression) {
        case BmpCompression::kNone:
            return true;
        case BmpCompression::kRle8:
            if (bitCount != 8) {
                error = "RLE8 compression needs 8 bits per pixel, not " + depth + ".";
                return false;
            }
            return true;
        case BmpCompression::kRle4:
            if (bitCount != 4) {
                error = "RLE4 compression needs 4 bits per pixel, not " + depth + ".";
                return false;
            }
            return true;
        case BmpCompression::kBitFields:
            if (bitCount != 16 && bitCount != 32) {
                error = "Bit fields need 16 or 32 bits per pixel, not " + depth + ".";
                return false;
            }
            return true;
    }
    return false;
}

bool CheckMasks(const std::array<uint32_t, 3>& masks, int bitCount, std::string& error) {
    static constexpr const char* kNames[] = {"red", "green", "blue"};
    uint32_t seen = 0;
    for (std::size_t i = 0; i < masks.size(); ++i) {
        const uint32_t mask = masks[i];
        const std::string name = kNames[i];
        if (mask == 0) {
            error = "The " + name + " bit-field mask is zero.";
            return false;
        }
        if (bitCount == 16 && mask > 0xFFFFu) {
            error = "The " + name + " bit-field mask " + Hex(mask) + " does not fit in 16 bits.";
            return false;
        }
        const uint32_t shifted = mask >> std::countr_zero(mask);
        if ((shifted & (shifted + 1)) != 0) {
            error = "The " + name + " bit-field mask " + Hex(mask) + " is not contiguous.";
            return false;
        }
        if ((mask & seen) != 0) {
            error = "The bit-field masks overlap.";
            return false;
        }
        seen |= mask;
    }
    return true;
}

// One colour channel of a bit-field pixel, widened to 8 bits by repeating
// its bits (5 bits abcde give abcdeabc), so that full scale stays full scale;
// a field wider than 8 bits gives its top 8. This is what other readers do,
// so a picture looks the same in Grimora as elsewhere.
class Channel {
public:
    explicit Channel(uint32_t mask)
        : mask_(mask), shift_(std::countr_zero(mask)), bits_(std::popcount(mask)) {
        if (bits_ < 8) {
            table_.resize(std::size_t{1} << bits_);
            for (uint32_t v = 0; v < table_.size(); ++v) {
                uint32_t repeated = 0;
                int filled = 0;
                for (; filled < 8; filled += bits_) {
                    repeated = repeated << bits_ | v;
                }
                table_[v] = static_cast<uint8_t>(repeated >> (filled - 8));
            }
        }
    }

    uint8_t operator()(uint32_t pixel) const {
        const uint32_t v = (pixel & mask_) >> shift_;
        return bits_ < 8 ? table_[v] : static_cast<uint8_t>(v >> (bits_ - 8));
    }

private:
    uint32_t mask_;
    int shift_;
    int bits_;
    std::vector<uint8_t> table_;
};

// Maps the rows of the file, in file order, to memory rows.
struct RowOrder {
    int32_t height;
    bool topDown;
    int32_t operator()(int64_t fileRow) const {
        return static_cast<int32_t>(topDown ? height - 1 - fileRow : fileRow);
    }
};

void ConvertBitFieldRow(const uint8_t* source, uint8_t* dest, int32_t width, int bitCount,
                        const Channel& red, const Channel& green, const Channel& blue) {
    const int bytesPerPixel = bitCount / 8;
    for (int32_t x = 0; x < width; ++x, source += bytesPerPixel, dest += 3) {
        uint32_t pixel = uint32_t{source[0]} | uint32_t{source[1]} << 8;
        if (bitCount == 32) {
            pixel |= uint32_t{source[2]} << 16 | uint32_t{source[3]} << 24;
        }
        dest[0] = blue(pixel);
        dest[1] = green(pixel);
        dest[2] = red(pixel);
    }
}

void ReadUncompressed(std::span<const uint8_t> file, const BmpHeader& header, const Dib& dib,
                      LoadProgress& progress) {
    const int bits = header.bitCount;
    const int64_t sourceStride = DibStride(header.width, bits);
    const std::size_t rowBytes = static_cast<std::size_t>((int64_t{header.width} * bits + 7) / 8);
    const RowOrder order{header.height, header.topDown};
    std::array<uint32_t, 3> masks = header.masks;
    if (bits == 16 || bits == 32) {
        if (header.compression == BmpCompression::kNone) {
            masks = bits == 16 ? std::array<uint32_t, 3>{0x7C00u, 0x03E0u, 0x001Fu}
                               : std::array<uint32_t, 3>{0xFF0000u, 0xFF00u, 0xFFu};
        }
    } else {
        masks = {0xFF0000u, 0xFF00u, 0xFFu};  // unused; keeps the channels valid
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

    for (int64_t r = 0; r < header.height; ++r) {
        const uint8_t* source = file.data() + header.pixelOffset + r * sourceStride;
        uint8_t* dest = DibRow(dib, order(r));
        if (bits == 16 || bits == 32) {
            ConvertBitFieldRow(source, dest, header.width, bits, red, green, blue);
        } else {
            std::memcpy(dest, source, rowBytes);
        }
        progress.report(r + 1, header.height);
    }
}

// RLE8 and RLE4: pairs of (count, value) runs, and escapes after a zero count:
// 0 end of row, 1 end of picture, 2 a move right and up, 3..255 that many
// literal pixels padded to an even number of bytes.
//
// Some writers (ImageMagick among them) encode a row with its padding, so a
// run may reach into the padding of the stored row; those pixels are dropped.
// A run past the padded row, or past the last row, is refused.
bool ReadRle(std::span<const uint8_t> file, const BmpHeader& header, const Dib& dib,
             std::string& error, LoadProgress& progress) {
    const bool four = header.compression == BmpCompression::kRle4;
    const int64_t width = header.width;
    const int64_t paddedWidth = DibStride(width, header.bitCount) * 8 / header.bitCount;
    const int64_t height = header.height;
    const RowOrder order{header.height, header.topDown};
    const std::size_t size = file.size();
    std::size_t pos = header.pixelOffset;
    int64_t x = 0;
    int64_t y = 0;  // file row, 0 = first stored

    auto put = [&](int64_t px, uint8_t value) {
        if (px >= width) {
            return;
        }
        uint8_t* row = DibRow(dib, order(y));
        if (!four) {
            row[px] = value;
        } else if (px % 2 == 0) {
            row[px / 2] = static_cast<uint8_t>((row[px / 2] & 0x0Fu) | (value << 4));
        } else {
            row[px / 2] = static_cast<uint8_t>((row[px / 2] & 0xF0u) | (value & 0x0Fu));
        }
    };
    auto room = [&](int64_t count) {
        if (y >= height) {
            error = kRunPastPicture;
            return false;
        }
        if (x + count > paddedWidth) {
            error = kRunPastRow;
            return false;
        }
        return true;
    };

    for (;;) {
        if (size - pos < 2) {
            // A missing end-of-picture mark after the last row is common and harmless.
            if (y >= height) {
                return true;
            }
            error = kEndsBeforeData;
            return false;
        }
        const uint8_t count = file[pos];
        const uint8_t value = file[pos + 1];
        pos += 2;
        if (count > 0) {
            if (!room(count)) {
                return false;
            }
            for (int i = 0; i < count; ++i) {
                const uint8_t v = !four ? value : (i % 2 == 0 ? value >> 4 : value & 0x0Fu);
                put(x + i, v);
            }
            x += count;
            continue;
        }
        switch (value) {
            case 0:
                x = 0;
                ++y;
                progress.report(std::min(y, height), height);
                break;
            case 1:
                return true;
            case 2: {
                if (size - pos < 2) {
                    error = kEndsBeforeData;
                    return false;
                }
                x += file[pos];
                y += file[pos + 1];
                pos += 2;
                if (x > paddedWidth || y > height) {
                    error = "An RLE move goes past the edge of the picture.";
                    return false;
                }
                progress.report(y, height);
                break;
            }
            default: {
                const std::size_t bytes = four ? (value + 1u) / 2 : value;
                const std::size_t padded = (bytes + 1) & ~std::size_t{1};
                if (size - pos < bytes) {
                    error = kEndsBeforeData;
                    return false;
                }
                if (!room(value)) {
                    return false;
                }
                for (int i = 0; i < value; ++i) {
                    const uint8_t b = file[pos + (four ? i / 2 : i)];
                    put(x + i, !four ? b : (i % 2 == 0 ? b >> 4 : b & 0x0Fu));
                }
                x += value;
                // The padding byte of the last literal run may be missing.
                pos += std::min(padded, size - pos);
                break;
            }
        }
    }
}

}  // namespace

bool IsBmpFile(std::span<const uint8_t> file) {
    auto magic = [&](std::size_t at, const char* text) {
        return file.size() >= at + 2 && file[at] == text[0] && file[at + 1] == text[1];
    };
    return magic(0, "BM") || (magic(0, "BA") && magic(kBitmapArrayHeaderSize, "BM"));
}

bool ReadBmpHeader(std::span<const uint8_t> file, BmpHeader& header, std::string& error) {
    if (!IsBmpFile(file)) {
        error = "This is not a bitmap file.";
        return false;
    }
    // A bitmap array's first member is an ordinary bitmap file; its offsets
    // count from the start of the whole file.
    const std::size_t base = file[1] == 'A' ? kBitmapArrayHeaderSize : 0;
    const uint64_t size = file.size();
    const uint64_t infoAt = base + kFileHeaderSize;
    if (size < infoAt + 4) {
        error = kEndsInHeader;
        return false;
    }
    const uint32_t dataOffset = ReadU32(file, base + 10);
    BmpHeader h;
    h.headerSize = ReadU32(file, infoAt);
    const HeaderKind kind = KindOfHeader(h.headerSize);
    if (kind == HeaderKind::kUnknown) {
        error = "Unknown bitmap header size " + std::to_string(h.headerSize) + ".";
        return false;
    }
    if (size < infoAt + h.headerSize) {
        error = kEndsInHeader;
        return false;
    }

    int64_t width = 0;
    int64_t height = 0;
    uint32_t compressionValue = 0;
    uint32_t coloursUsed = 0;
    if (kind == HeaderKind::kCore) {
        width = ReadU16(file, infoAt + 4);
        height = ReadU16(file, infoAt + 6);
        h.bitCount = ReadU16(file, infoAt + 10);
    } else {
        width = ReadI32(file, infoAt + 4);
        height = ReadI32(file, infoAt + 8);
        h.bitCount = ReadU16(file, infoAt + 14);
        // Short OS/2 2.x headers leave out the fields at their end; those are zero.
        if (h.headerSize >= 20) {
            compressionValue = ReadU32(file, infoAt + 16);
        }
        if (h.headerSize >= 36) {
            coloursUsed = ReadU32(file, infoAt + 32);
        }
    }

    bool alphaMask = false;
    if (!DecodeCompression(compressionValue, kind, h.compression, alphaMask, error) ||
        !CheckDepth(h.bitCount, h.compression, error)) {
        return false;
    }

    h.topDown = height < 0;
    const int64_t rows = height < 0 ? -height : height;
    if (width < 1 || rows < 1) {
        error = "The picture size is invalid: " + SizeText(width, height) + " pixels.";
        return false;
    }
    if (!IsPictureSize(width, rows)) {
        error = "The picture is too large: " + SizeText(width, rows) + " pixels.";
        return false;
    }
    h.width = static_cast<int32_t>(width);
    h.height = static_cast<int32_t>(rows);

    // Bit-field masks sit in the longer Windows headers, or follow a 40-byte one.
    uint64_t tableAt = infoAt + h.headerSize;
    if (h.compression == BmpCompression::kBitFields) {
        const uint64_t masksAt = infoAt + 40;
        if (h.headerSize == 40) {
            const uint64_t maskBytes = alphaMask ? 16 : 12;
            if (size < tableAt + maskBytes) {
                error = kEndsInHeader;
                return false;
            }
            tableAt += maskBytes;
        }
        for (std::size_t i = 0; i < 3; ++i) {
            h.masks[i] = ReadU32(file, masksAt + 4 * i);
        }
        if (!CheckMasks(h.masks, h.bitCount, error)) {
            return false;
        }
    }

    // The colour table: as many entries as the header says, 2^bits when it
    // says 0, and never more than fit before the pixel data.
    const uint64_t entrySize = kind == HeaderKind::kCore ? 3 : 4;
    const uint64_t declared = coloursUsed != 0  ? coloursUsed
                              : h.bitCount <= 8 ? uint64_t{1} << h.bitCount
                                                : 0;
    if (dataOffset != 0 && dataOffset < tableAt) {
        error = "The picture data offset " + std::to_string(dataOffset) +
                " points inside the bitmap header.";
        return false;
    }
    h.pixelOffset = dataOffset != 0 ? dataOffset : tableAt + declared * entrySize;
    if (h.bitCount <= 8) {
        uint64_t entries = std::min<uint64_t>(declared, uint64_t{1} << h.bitCount);
        entries = std::min<uint64_t>(entries, (h.pixelOffset - tableAt) / entrySize);
        if (entries == 0) {
            error = "The colour table is missing.";
            return false;
        }
        if (size < tableAt + entries * entrySize) {
            error = "The file ends inside the colour table.";
            return false;
        }
        h.colourCount = static_cast<int>(entries);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::size_t at = tableAt + i * entrySize;
            h.colours[i] = RgbQuad{file[at], file[at + 1], file[at + 2], 0};
        }
    }

    if (h.pixelOffset >= size) {
        error = kEndsBeforeData;
        return false;
    }
    if (h.compression == BmpCompression::kNone || h.compression == BmpCompression::kBitFields) {
        // The last row's padding may be left out.
        const uint64_t rowBytes = (width * h.bitCount + 7) / 8;
        const uint64_t needed = DibStride(width, h.bitCount) * (rows - 1) + rowBytes;
        if (size - h.pixelOffset < needed) {
            error = kEndsBeforeData;
            return false;
        }
    }
    header = h;
    return true;
}

bool ReadBmpPixels(std::span<const uint8_t> file, const BmpHeader& header, OwnedDib& picture,
                   std::string& error, LoadProgress& progress) {
    const bool palette = header.bitCount <= 8;
    BitmapInfo colours;
    std::copy(header.colours.begin(), header.colours.end(), colours.bmiColors);
    OwnedDib made;
    if (!made.make(header.width, header.height, palette ? header.bitCount : 24,
                   palette ? &colours : nullptr, palette ? kMaxColours : 0)) {
        error = "Not enough memory for a picture of " + SizeText(header.width, header.height) +
                " pixels.";
        return false;
    }
    progress.report(0, header.height);
    switch (header.compression) {
        case BmpCompression::kNone:
        case BmpCompression::kBitFields:
            ReadUncompressed(file, header, made.get(), progress);
            break;
        case BmpCompression::kRle8:
        case BmpCompression::kRle4:
            if (!ReadRle(file, header, made.get(), error, progress)) {
                return false;
            }
            break;
    }
    if (palette && header.colourCount < (1 << header.bitCount)) {
        const int largest = LargestPaletteIndex(made.get());
        if (largest >= header.colourCount) {
            error = IndexPastPaletteText(largest, header.colourCount);
            return false;
        }
    }
    picture = std::move(made);
    return true;
}

bool ReadBmp(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress) {
    BmpHeader header;
    return ReadBmpHeader(file, header, error) &&
           ReadBmpPixels(file, header, picture, error, progress);
}

}  // namespace grimora
