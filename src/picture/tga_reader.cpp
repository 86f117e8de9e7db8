// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/tga_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace grimora {

// Run-length packets may run on from one row into the next: the first
// version of the format allowed it and old writers do it. A packet past the
// last pixel of the picture is refused.
//
// The attribute bit of 16-bit pixels is ignored: many writers leave it 0,
// which would read as a picture that is wholly transparent.

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::size_t kFooterSize = 26;
constexpr char kFooterSignature[] = "TRUEVISION-XFILE.";

uint16_t ReadU16(std::span<const uint8_t> file, std::size_t at) {
    return static_cast<uint16_t>(file[at] | file[at + 1] << 8);
}

bool IsRle(int type) {
    return type >= 9;
}

TgaKind KindOf(int type) {
    switch (type & 7) {
        case 1:
            return TgaKind::kColourMapped;
        case 3:
            return TgaKind::kGrey;
        default:
            return TgaKind::kTrueColour;
    }
}

bool KnownType(int type) {
    return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

bool DepthFits(TgaKind kind, int bits) {
    switch (kind) {
        case TgaKind::kColourMapped:
            return bits == 8 || bits == 16;
        case TgaKind::kTrueColour:
            return bits == 15 || bits == 16 || bits == 24 || bits == 32;
        case TgaKind::kGrey:
            return bits == 8 || bits == 16;
    }
    return false;
}

bool MapEntryBitsKnown(int bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

bool HasFooter(std::span<const uint8_t> file) {
    return file.size() >= kHeaderSize + kFooterSize &&
           std::memcmp(file.data() + file.size() - 18, kFooterSignature, 18) == 0;
}

uint8_t Expand5(unsigned v) {
    return static_cast<uint8_t>(v << 3 | v >> 2);
}

// A colour over white, as a picture with transparent parts is shown on paper.
uint8_t OverWhite(unsigned colour, unsigned alpha) {
    return static_cast<uint8_t>((colour * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

// One colour of `bytes` bytes, as stored: 2 bytes 5-5-5, 3 bytes BGR, 4 BGRA.
RgbQuad DecodeColour(const uint8_t* p, int bytes, bool useAlpha) {
    switch (bytes) {
        case 2: {
            const unsigned v = p[0] | p[1] << 8;
            return RgbQuad{Expand5(v & 31u), Expand5(v >> 5 & 31u), Expand5(v >> 10 & 31u), 0};
        }
        case 3:
            return RgbQuad{p[0], p[1], p[2], 0};
        default:
            if (useAlpha) {
                return RgbQuad{OverWhite(p[0], p[3]), OverWhite(p[1], p[3]), OverWhite(p[2], p[3]),
                               0};
            }
            return RgbQuad{p[0], p[1], p[2], 0};
    }
}

// The pixel stream of the file, a row at a time. Run-length state carries
// over from row to row.
class PixelStream {
public:
    PixelStream(std::span<const uint8_t> file, std::size_t at, int bytesPerPixel, bool rle)
        : file_(file), pos_(at), bytes_(bytesPerPixel), rle_(rle) {}

    bool readRow(uint8_t* row, int32_t width, bool lastRow, std::string& error) {
        const std::size_t want = static_cast<std::size_t>(width) * bytes_;
        if (!rle_) {
            if (file_.size() - pos_ < want) {
                error = "The file ends inside the picture data.";
                return false;
            }
            std::memcpy(row, file_.data() + pos_, want);
            pos_ += want;
            return true;
        }
        std::size_t filled = 0;
        while (filled < want) {
            if (left_ == 0) {
                if (pos_ >= file_.size()) {
                    error = "The file ends inside the run-length data.";
                    return false;
                }
                const uint8_t packet = file_[pos_++];
                left_ = (packet & 0x7Fu) + 1u;
                repeat_ = (packet & 0x80u) != 0;
                if (repeat_) {
                    if (file_.size() - pos_ < static_cast<std::size_t>(bytes_)) {
                        error = "The file ends inside the run-length data.";
                        return false;
                    }
                    std::memcpy(value_, file_.data() + pos_, static_cast<std::size_t>(bytes_));
                    pos_ += static_cast<std::size_t>(bytes_);
                }
            }
            const std::size_t pixels = std::min<std::size_t>(left_, (want - filled) / bytes_);
            if (repeat_) {
                for (std::size_t i = 0; i < pixels; ++i, filled += bytes_) {
                    std::memcpy(row + filled, value_, static_cast<std::size_t>(bytes_));
                }
            } else {
                const std::size_t n = pixels * bytes_;
                if (file_.size() - pos_ < n) {
                    error = "The file ends inside the run-length data.";
                    return false;
                }
                std::memcpy(row + filled, file_.data() + pos_, n);
                pos_ += n;
                filled += n;
            }
            left_ -= static_cast<unsigned>(pixels);
        }
        if (lastRow && left_ != 0) {
            error = "The run-length data runs past the end of the picture.";
            return false;
        }
        return true;
    }

private:
    std::span<const uint8_t> file_;
    std::size_t pos_;
    int bytes_;
    bool rle_;
    unsigned left_ = 0;  // pixels left in the current packet
    bool repeat_ = false;
    uint8_t value_[4] = {};
};

}  // namespace

bool IsTgaFile(std::span<const uint8_t> file) {
    if (file.size() < kHeaderSize) {
        return false;
    }
    const int mapType = file[1];
    const int type = file[2];
    const int mapBits = file[7];
    const int bits = file[16];
    const int descriptor = file[17];
    if (mapType > 1 || !KnownType(type) || !DepthFits(KindOf(type), bits) ||
        ReadU16(file, 12) == 0 || ReadU16(file, 14) == 0 || (descriptor & 0xC0) != 0 ||
        (descriptor & 0x0F) > 8) {
        return false;
    }
    if (KindOf(type) == TgaKind::kColourMapped && mapType != 1) {
        return false;
    }
    if (mapType == 1 && (!MapEntryBitsKnown(mapBits) || ReadU16(file, 5) == 0)) {
        return false;
    }
    // A file without the footer of the second version of the format must
    // also have the colour map fields zero when it has no map, as writers
    // leave them.
    if (!HasFooter(file) && mapType == 0 &&
        (ReadU16(file, 3) != 0 || ReadU16(file, 5) != 0 || mapBits != 0)) {
        return false;
    }
    return true;
}

bool ReadTgaHeader(std::span<const uint8_t> file, TgaHeader& header, std::string& error) {
    if (file.size() < kHeaderSize) {
        error = "The file ends inside the TGA header.";
        return false;
    }
    if (!IsTgaFile(file)) {
        error = "This is not a TGA file.";
        return false;
    }
    TgaHeader h;
    const int type = file[2];
    h.kind = KindOf(type);
    h.rle = IsRle(type);
    h.width = ReadU16(file, 12);
    h.height = ReadU16(file, 14);
    h.pixelBits = file[16];
    h.alphaBits = file[17] & 0x0F;
    h.rightToLeft = (file[17] & 0x10) != 0;
    h.topDown = (file[17] & 0x20) != 0;
    if (h.kind == TgaKind::kColourMapped && h.pixelBits != 8) {
        error = "Colour-mapped TGA files with " + std::to_string(h.pixelBits) +
                "-bit indices are not supported.";
        return false;
    }
    if (!CheckPictureSize(h.width, h.height, error)) {
        return false;
    }

    // The colour map follows the image identification field. A map that a
    // true-colour or grey file carries is skipped.
    const std::size_t mapAt = kHeaderSize + file[0];
    const int mapEntryBytes = file[1] == 1 ? (file[7] + 7) / 8 : 0;
    const int mapLength = file[1] == 1 ? ReadU16(file, 5) : 0;
    const std::size_t mapBytes = static_cast<std::size_t>(mapLength) * mapEntryBytes;
    if (file.size() < mapAt + mapBytes) {
        error = file.size() < mapAt ? "The file ends inside the image identification field."
                                    : "The file ends inside the colour map.";
        return false;
    }
    if (h.kind == TgaKind::kColourMapped) {
        h.mapFirst = ReadU16(file, 3);
        if (h.mapFirst >= kMaxColours) {
            error = "The colour map starts at entry " + std::to_string(h.mapFirst) +
                    ", past any 8-bit index.";
            return false;
        }
        h.mapCount = std::min(mapLength, kMaxColours - h.mapFirst);
        const bool alpha = mapEntryBytes == 4 && h.alphaBits > 0;
        for (int i = 0; i < h.mapCount; ++i) {
            h.colours[static_cast<std::size_t>(h.mapFirst + i)] =
                DecodeColour(file.data() + mapAt + i * mapEntryBytes, mapEntryBytes, alpha);
        }
    }
    h.pixelOffset = mapAt + mapBytes;

    // The least the pixel data can take: all of it uncompressed, and for
    // run-length data one packet of 128 pixels per 128 pixels.
    const int64_t pixels = int64_t{h.width} * h.height;
    const int64_t bytesPerPixel = (h.pixelBits + 7) / 8;
    const int64_t least =
        h.rle ? (pixels + 127) / 128 * (1 + bytesPerPixel) : pixels * bytesPerPixel;
    if (static_cast<int64_t>(file.size() - h.pixelOffset) < least) {
        error = "The file is too short for a picture of " + PixelSizeText(h.width, h.height) +
                " pixels.";
        return false;
    }
    header = h;
    return true;
}

bool ReadTgaPixels(std::span<const uint8_t> file, const TgaHeader& header, OwnedDib& picture,
                   std::string& error, LoadProgress& progress) {
    const bool trueColour = header.kind == TgaKind::kTrueColour;
    BitmapInfo colours;
    if (header.kind == TgaKind::kColourMapped) {
        std::copy(header.colours.begin(), header.colours.end(), colours.bmiColors);
    } else if (header.kind == TgaKind::kGrey) {
        FillGreyColours(colours);
    }
    OwnedDib made;
    if (!MakeLoadedPicture(made, header.width, header.height, trueColour ? 24 : 8,
                           trueColour ? nullptr : &colours, trueColour ? 0 : kMaxColours, error)) {
        return false;
    }
    const int bytes = (header.pixelBits + 7) / 8;
    const bool alpha = header.alphaBits > 0;
    std::vector<uint8_t> raw(static_cast<std::size_t>(header.width) * bytes);
    PixelStream stream(file, header.pixelOffset, bytes, header.rle);
    progress.report(0, header.height);
    for (int32_t r = 0; r < header.height; ++r) {
        if (!stream.readRow(raw.data(), header.width, r == header.height - 1, error)) {
            return false;
        }
        uint8_t* dest = DibRow(*made, header.topDown ? header.height - 1 - r : r);
        for (int32_t x = 0; x < header.width; ++x) {
            const uint8_t* p =
                raw.data() +
                static_cast<std::size_t>(header.rightToLeft ? header.width - 1 - x : x) * bytes;
            switch (header.kind) {
                case TgaKind::kColourMapped:
                    if (*p < header.mapFirst || *p >= header.mapFirst + header.mapCount) {
                        error = "Pixel value " + std::to_string(*p) + " is outside the colour map.";
                        return false;
                    }
                    dest[x] = *p;
                    break;
                case TgaKind::kGrey:
                    // Two bytes are grey and alpha, or without attribute
                    // bits a 16-bit level, of which the high byte counts.
                    dest[x] = bytes == 1 ? p[0] : alpha ? OverWhite(p[0], p[1]) : p[1];
                    break;
                case TgaKind::kTrueColour: {
                    const RgbQuad c = DecodeColour(p, bytes, alpha);
                    dest[3 * x] = c.rgbBlue;
                    dest[3 * x + 1] = c.rgbGreen;
                    dest[3 * x + 2] = c.rgbRed;
                    break;
                }
            }
        }
        progress.report(r + 1, header.height);
    }
    picture = std::move(made);
    return true;
}

bool MeasureTga(std::span<const uint8_t> file, PictureSize& size) {
    TgaHeader header;
    std::string error;
    if (!ReadTgaHeader(file, header, error)) {
        return false;
    }
    size = {header.width, header.height};
    return true;
}

bool ReadTga(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress) {
    TgaHeader header;
    return ReadTgaHeader(file, header, error) &&
           ReadTgaPixels(file, header, picture, error, progress);
}

}  // namespace grimora
