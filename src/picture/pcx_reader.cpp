// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/pcx_reader.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace grimora {

// The run-length data is read as one stream for the whole picture: writers
// let runs go on from one plane or row into the next, and other readers
// accept that. A run past the last row is refused.

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteSize = 1 + 3 * 256;  // marker 12, then 256 RGB
constexpr uint8_t kPaletteMarker = 12;

// The 16 colours of the standard display palette, for 4-bit files without
// a palette of their own.
constexpr RgbQuad kStandardColours[16] = {
    {0x00, 0x00, 0x00, 0}, {0xAA, 0x00, 0x00, 0}, {0x00, 0xAA, 0x00, 0}, {0xAA, 0xAA, 0x00, 0},
    {0x00, 0x00, 0xAA, 0}, {0xAA, 0x00, 0xAA, 0}, {0x00, 0x55, 0xAA, 0}, {0xAA, 0xAA, 0xAA, 0},
    {0x55, 0x55, 0x55, 0}, {0xFF, 0x55, 0x55, 0}, {0x55, 0xFF, 0x55, 0}, {0xFF, 0xFF, 0x55, 0},
    {0x55, 0x55, 0xFF, 0}, {0xFF, 0x55, 0xFF, 0}, {0x55, 0xFF, 0xFF, 0}, {0xFF, 0xFF, 0xFF, 0},
};

uint16_t ReadU16(std::span<const uint8_t> file, std::size_t at) {
    return static_cast<uint16_t>(file[at] | file[at + 1] << 8);
}

uint8_t OverWhite(unsigned colour, unsigned alpha) {
    return static_cast<uint8_t>((colour * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

// The layouts read, and the depth each is delivered at.
int DeliveredBits(int bitsPerPlane, int planes) {
    if (planes < 1) {
        return 0;  // no data at all: not a picture of zeros
    }
    if (planes == 1) {
        switch (bitsPerPlane) {
            case 1:
                return 1;
            case 2:
            case 4:
                return 4;
            case 8:
                return 8;
            default:
                return 0;
        }
    }
    if (bitsPerPlane == 1 && planes <= 4) {
        return 4;
    }
    if (bitsPerPlane == 8 && (planes == 3 || planes == 4)) {
        return 24;
    }
    return 0;
}

// The run-length stream: a byte with its top two bits set repeats the next
// byte (its low six bits) times; any other byte stands for itself.
class RleStream {
public:
    RleStream(std::span<const uint8_t> file, std::size_t at, bool rle)
        : file_(file), pos_(at), rle_(rle) {}

    bool read(uint8_t* out, std::size_t want, std::string& error) {
        if (!rle_) {
            if (file_.size() - pos_ < want) {
                error = "The file ends inside the picture data.";
                return false;
            }
            std::memcpy(out, file_.data() + pos_, want);
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
                const uint8_t b = file_[pos_++];
                if ((b & 0xC0u) == 0xC0u) {
                    if (pos_ >= file_.size()) {
                        error = "The file ends inside the run-length data.";
                        return false;
                    }
                    left_ = b & 0x3Fu;
                    value_ = file_[pos_++];
                } else {
                    left_ = 1;
                    value_ = b;
                }
            }
            const std::size_t n = std::min<std::size_t>(left_, want - filled);
            std::memset(out + filled, value_, n);
            filled += n;
            left_ -= static_cast<unsigned>(n);
        }
        return true;
    }

    bool runsOn() const { return left_ != 0; }

private:
    std::span<const uint8_t> file_;
    std::size_t pos_;
    bool rle_;
    unsigned left_ = 0;
    uint8_t value_ = 0;
};

}  // namespace

bool IsPcxFile(std::span<const uint8_t> file) {
    if (file.size() < kHeaderSize || file[0] != 0x0A || file[2] > 1) {
        return false;
    }
    const int version = file[1];
    return version == 0 || version == 2 || version == 3 || version == 4 || version == 5;
}

bool ReadPcxHeader(std::span<const uint8_t> file, PcxHeader& header, std::string& error) {
    if (!IsPcxFile(file)) {
        error = file.size() < kHeaderSize ? "The file ends inside the PCX header."
                                          : "This is not a PCX file.";
        return false;
    }
    PcxHeader h;
    h.rle = file[2] == 1;
    h.bitsPerPlane = file[3];
    h.planes = file[65];
    h.bytesPerLine = ReadU16(file, 66);
    const int xMin = ReadU16(file, 4);
    const int yMin = ReadU16(file, 6);
    const int xMax = ReadU16(file, 8);
    const int yMax = ReadU16(file, 10);
    if (xMax < xMin || yMax < yMin) {
        error = "The picture size is invalid: the window runs from " + std::to_string(xMin) + ", " +
                std::to_string(yMin) + " to " + std::to_string(xMax) + ", " + std::to_string(yMax) +
                ".";
        return false;
    }
    h.width = xMax - xMin + 1;
    h.height = yMax - yMin + 1;
    h.deliveredBits = DeliveredBits(h.bitsPerPlane, h.planes);
    if (h.deliveredBits == 0) {
        error = "Unsupported PCX layout: " + std::to_string(h.planes) + " planes of " +
                std::to_string(h.bitsPerPlane) + " bits.";
        return false;
    }
    if (!CheckPictureSize(h.width, h.height, error)) {
        return false;
    }
    const int64_t needed = (int64_t{h.width} * h.bitsPerPlane + 7) / 8;
    if (h.bytesPerLine < needed) {
        error = "The line length of " + std::to_string(h.bytesPerLine) +
                " bytes is too short for " + std::to_string(h.width) + " pixels.";
        return false;
    }

    // The least the pixel data can take: all of it uncompressed, and two bytes
    // for each 63 bytes of run-length data.
    const int64_t total = int64_t{h.planes} * h.bytesPerLine * h.height;
    const int64_t least = h.rle ? total / 63 * 2 : total;
    const bool trailingPalette = h.deliveredBits == 8;
    const int64_t space = static_cast<int64_t>(file.size() - kHeaderSize) -
                          (trailingPalette && file.size() >= kHeaderSize + kPaletteSize
                               ? static_cast<int64_t>(kPaletteSize)
                               : 0);
    if (space < least) {
        error = "The file is too short for a picture of " + PixelSizeText(h.width, h.height) +
                " pixels.";
        return false;
    }

    if (h.deliveredBits == 8) {
        // The palette follows the pixel data, behind a marker byte. Without
        // it the picture is taken to be grey, as 8-bit files without one are.
        const std::size_t at = file.size() - kPaletteSize;
        const bool present =
            file.size() >= kHeaderSize + kPaletteSize && file[at] == kPaletteMarker;
        for (int i = 0; i < kMaxColours; ++i) {
            const auto grey = static_cast<uint8_t>(i);
            const std::size_t p = at + 1 + 3 * static_cast<std::size_t>(i);
            h.colours[static_cast<std::size_t>(i)] =
                present ? RgbQuad{file[p + 2], file[p + 1], file[p], 0}
                        : RgbQuad{grey, grey, grey, 0};
        }
    } else if (h.deliveredBits <= 4) {
        for (std::size_t i = 0; i < 16; ++i) {
            const std::size_t p = 16 + 3 * i;
            h.colours[i] = RgbQuad{file[p + 2], file[p + 1], file[p], 0};
        }
        // Many writers of black-and-white files leave the header palette
        // empty; their pictures are black on white.
        if (h.deliveredBits == 1 && std::memcmp(&h.colours[0], &h.colours[1], 3) == 0) {
            h.colours[0] = RgbQuad{0, 0, 0, 0};
            h.colours[1] = RgbQuad{255, 255, 255, 0};
        }
        // Version 3 files say that they carry no palette, and files with an
        // empty one would show all black: both get the 16 standard colours.
        const bool empty =
            std::all_of(file.begin() + 16, file.begin() + 64, [](uint8_t b) { return b == 0; });
        if (h.deliveredBits == 4 && (file[1] == 3 || empty)) {
            std::copy(std::begin(kStandardColours), std::end(kStandardColours), h.colours.begin());
        }
    }
    header = h;
    return true;
}

bool ReadPcxPixels(std::span<const uint8_t> file, const PcxHeader& header, OwnedDib& picture,
                   std::string& error, LoadProgress& progress) {
    const int bits = header.deliveredBits;
    BitmapInfo colours;
    std::copy(header.colours.begin(), header.colours.end(), colours.bmiColors);
    OwnedDib made;
    if (!MakeLoadedPicture(made, header.width, header.height, bits, bits <= 8 ? &colours : nullptr,
                           bits <= 8 ? kMaxColours : 0, error)) {
        return false;
    }
    const std::size_t line = static_cast<std::size_t>(header.bytesPerLine);
    std::vector<uint8_t> scan(line * static_cast<std::size_t>(header.planes));
    RleStream stream(file, kHeaderSize, header.rle);
    progress.report(0, header.height);
    const int32_t width = header.width;
    for (int32_t r = 0; r < header.height; ++r) {
        if (!stream.read(scan.data(), scan.size(), error)) {
            return false;
        }
        // Rows are stored from the top.
        const Dib& dib = *made;
        const int32_t y = header.height - 1 - r;
        uint8_t* dest = DibRow(dib, y);
        if (header.planes == 1 && header.bitsPerPlane != 2) {
            // 1, 4 and 8 bits packed are laid out as in the picture.
            std::memcpy(dest, scan.data(),
                        static_cast<std::size_t>((int64_t{width} * bits + 7) / 8));
        } else if (bits == 4) {
            for (int32_t x = 0; x < width; ++x) {
                unsigned index = 0;
                if (header.planes == 1) {
                    index = scan[static_cast<std::size_t>(x / 4)] >> (6 - 2 * (x % 4)) & 3u;
                } else {
                    for (int p = 0; p < header.planes; ++p) {
                        const uint8_t b = scan[p * line + static_cast<std::size_t>(x / 8)];
                        index |= (b >> (7 - x % 8) & 1u) << p;
                    }
                }
                setpixel(dib, x, y, index);
            }
        } else {
            const uint8_t* red = scan.data();
            const uint8_t* green = red + line;
            const uint8_t* blue = green + line;
            const uint8_t* alpha = header.planes == 4 ? blue + line : nullptr;
            for (int32_t x = 0; x < width; ++x) {
                uint8_t* p = dest + 3 * static_cast<std::size_t>(x);
                if (alpha != nullptr) {
                    p[0] = OverWhite(blue[x], alpha[x]);
                    p[1] = OverWhite(green[x], alpha[x]);
                    p[2] = OverWhite(red[x], alpha[x]);
                } else {
                    p[0] = blue[x];
                    p[1] = green[x];
                    p[2] = red[x];
                }
            }
        }
        progress.report(r + 1, header.height);
    }
    if (stream.runsOn()) {
        error = "The run-length data runs past the end of the picture.";
        return false;
    }
    picture = std::move(made);
    return true;
}

bool MeasurePcx(std::span<const uint8_t> file, PictureSize& size) {
    PcxHeader header;
    std::string error;
    if (!ReadPcxHeader(file, header, error)) {
        return false;
    }
    size = {header.width, header.height};
    return true;
}

bool ReadPcx(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress) {
    PcxHeader header;
    return ReadPcxHeader(file, header, error) &&
           ReadPcxPixels(file, header, picture, error, progress);
}

}  // namespace grimora
