// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/iff_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace grimora {

// ByteRun1 data is read as one stream for the whole body, so that a run that
// goes on into the next row (some writers do that) still reads; a run past
// the last row is refused. Bytes left in the body after the last row are
// ignored.

namespace {

constexpr std::size_t kFormHeader = 12;
constexpr uint32_t kCamgHalfBrite = 0x80;
constexpr uint32_t kCamgHam = 0x800;

uint16_t ReadU16(std::span<const uint8_t> file, std::size_t at) {
    return static_cast<uint16_t>(file[at] << 8 | file[at + 1]);
}

uint32_t ReadU32(std::span<const uint8_t> file, std::size_t at) {
    return uint32_t{file[at]} << 24 | uint32_t{file[at + 1]} << 16 | uint32_t{file[at + 2]} << 8 |
           uint32_t{file[at + 3]};
}

bool Tag(std::span<const uint8_t> file, std::size_t at, const char* tag) {
    return file.size() >= at + 4 && std::memcmp(file.data() + at, tag, 4) == 0;
}

uint8_t OverWhite(unsigned colour, unsigned alpha) {
    return static_cast<uint8_t>((colour * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

// ByteRun1: n in 0..127 copies the next n + 1 bytes, n in -127..-1 repeats
// the next byte 1 - n times, -128 does nothing.
class BodyStream {
public:
    BodyStream(std::span<const uint8_t> body, bool byteRun1) : body_(body), packed_(byteRun1) {}

    bool read(uint8_t* out, std::size_t want, std::string& error) {
        if (!packed_) {
            if (body_.size() - pos_ < want) {
                error = "The picture data ends early.";
                return false;
            }
            std::memcpy(out, body_.data() + pos_, want);
            pos_ += want;
            return true;
        }
        std::size_t filled = 0;
        while (filled < want) {
            if (left_ == 0) {
                if (pos_ >= body_.size()) {
                    error = "The picture data ends early.";
                    return false;
                }
                const auto n = static_cast<int8_t>(body_[pos_++]);
                if (n == -128) {
                    continue;
                }
                repeat_ = n < 0;
                left_ = repeat_ ? 1u - n : n + 1u;
                if (repeat_) {
                    if (pos_ >= body_.size()) {
                        error = "The picture data ends early.";
                        return false;
                    }
                    value_ = body_[pos_++];
                }
            }
            const std::size_t n = std::min<std::size_t>(left_, want - filled);
            if (repeat_) {
                std::memset(out + filled, value_, n);
            } else {
                if (body_.size() - pos_ < n) {
                    error = "The picture data ends early.";
                    return false;
                }
                std::memcpy(out + filled, body_.data() + pos_, n);
                pos_ += n;
            }
            filled += n;
            left_ -= static_cast<unsigned>(n);
        }
        return true;
    }

    bool runsOn() const { return left_ != 0; }

private:
    std::span<const uint8_t> body_;
    bool packed_;
    std::size_t pos_ = 0;
    unsigned left_ = 0;
    bool repeat_ = false;
    uint8_t value_ = 0;
};

// Lane i (byte i in memory) of kSpread[b] is bit 7 - i of b: the eight
// pixels of one plane byte, leftmost first, each 0 or 1.
constexpr std::array<uint64_t, 256> kSpread = [] {
    std::array<uint64_t, 256> table{};
    for (std::size_t b = 0; b < table.size(); ++b) {
        for (int i = 0; i < 8; ++i) {
            if ((b >> (7 - i) & 1u) != 0) {
                const int lane = std::endian::native == std::endian::little ? i : 7 - i;
                table[b] |= uint64_t{1} << (8 * lane);
            }
        }
    }
    return table;
}();

// The bytes that planes first .. first + count - 1 (count at most 8) of one
// row make, plane first giving bit 0: eight pixels at a time. `out` has room
// for planeBytes * 8 pixels.
void GatherPlanes(const uint8_t* row, std::size_t planeBytes, int first, int count, uint8_t* out) {
    for (std::size_t i = 0; i < planeBytes; ++i) {
        uint64_t pixels = 0;
        for (int p = 0; p < count; ++p) {
            pixels |= kSpread[row[static_cast<std::size_t>(first + p) * planeBytes + i]] << p;
        }
        std::memcpy(out + 8 * i, &pixels, sizeof pixels);
    }
}

// Extra half-brite pictures take indices 32 to 63 as the halves of 0 to 31,
// so that a short colour map leaves a gap in each half.
bool HasColour(const IffHeader& header, uint32_t index) {
    if (header.mode == IffMode::kHalfBrite) {
        return index % 32 < static_cast<uint32_t>(header.colourCount - 32);
    }
    return index < static_cast<uint32_t>(header.colourCount);
}

int DeliveredPaletteBits(int planes) {
    return planes == 1 ? 1 : planes <= 4 ? 4 : 8;
}

}  // namespace

bool IsIffFile(std::span<const uint8_t> file) {
    return Tag(file, 0, "FORM") && (Tag(file, 8, "ILBM") || Tag(file, 8, "PBM "));
}

bool ReadIffHeader(std::span<const uint8_t> file, IffHeader& header, std::string& error) {
    if (!IsIffFile(file)) {
        error = "This is not an IFF picture file.";
        return false;
    }
    IffHeader h;
    h.chunky = Tag(file, 8, "PBM ");
    // A FORM length past the end of the file is taken as far as the file goes;
    // a chunk cut short is refused where it matters. A length shorter than the
    // form's type leaves no chunks at all.
    const std::size_t end =
        static_cast<std::size_t>(std::min<uint64_t>(uint64_t{ReadU32(file, 4)} + 8, file.size()));
    bool haveHeader = false;
    bool haveBody = false;
    uint32_t camg = 0;
    std::size_t mapAt = 0;
    std::size_t mapEntries = 0;
    for (std::size_t at = kFormHeader; at <= end && end - at >= 8;) {
        const uint32_t size = ReadU32(file, at + 4);
        const std::size_t data = at + 8;
        const std::size_t avail = std::min<std::size_t>(size, end - data);
        if (Tag(file, at, "BMHD")) {
            if (avail < 20) {
                error = "The BMHD chunk is too short.";
                return false;
            }
            h.width = ReadU16(file, data);
            h.height = ReadU16(file, data + 2);
            h.planes = file[data + 8];
            const int masking = file[data + 9];
            const int compression = file[data + 10];
            h.maskPlane = masking == 1;
            if (compression > 1) {
                error = "Unsupported IFF compression " + std::to_string(compression) + ".";
                return false;
            }
            h.byteRun1 = compression == 1;
            haveHeader = true;
        } else if (Tag(file, at, "CMAP")) {
            mapAt = data;
            mapEntries = std::min<std::size_t>(avail / 3, kMaxColours);
        } else if (Tag(file, at, "CAMG") && avail >= 4) {
            camg = ReadU32(file, data);
        } else if (Tag(file, at, "BODY") && !haveBody) {
            h.bodyOffset = data;
            h.bodySize = avail;
            haveBody = true;
        }
        if (size > end - data) {
            break;
        }
        at = data + size + (size & 1u);
        if (at > end) {
            break;
        }
    }
    if (!haveHeader) {
        error = "The file has no BMHD chunk.";
        return false;
    }
    if (!haveBody) {
        error = "The file has no BODY chunk.";
        return false;
    }
    if (!CheckPictureSize(h.width, h.height, error)) {
        return false;
    }

    const std::string planes = std::to_string(h.planes);
    if (h.chunky) {
        if (h.planes != 8 || h.maskPlane) {
            error = "Unsupported PBM layout: " + planes + " planes" +
                    (h.maskPlane ? " with a mask." : ".");
            return false;
        }
    } else if (h.planes < 1 || (h.planes > 8 && h.planes != 24 && h.planes != 32)) {
        error = "Unsupported number of bit planes: " + planes + ".";
        return false;
    }
    if ((camg & kCamgHam) != 0 && !h.chunky && (h.planes == 6 || h.planes == 8)) {
        h.mode = IffMode::kHam;
        h.deliveredBits = 24;
    } else if (h.planes > 8) {
        h.mode = IffMode::kDeep;
        h.deliveredBits = 24;
    } else if ((camg & kCamgHalfBrite) != 0 && h.planes == 6) {
        h.mode = IffMode::kHalfBrite;
        h.deliveredBits = 8;
    } else {
        h.deliveredBits = DeliveredPaletteBits(h.planes);
    }

    if (h.mode != IffMode::kDeep) {
        if (mapAt != 0) {
            for (std::size_t i = 0; i < mapEntries; ++i) {
                const std::size_t p = mapAt + 3 * i;
                h.colours[i] = RgbQuad{file[p + 2], file[p + 1], file[p], 0};
            }
            h.colourCount = static_cast<int>(mapEntries);
        } else {
            // Without a colour map the indices are taken as grey levels.
            const int levels = 1 << std::min(h.mode == IffMode::kHam ? h.planes - 2 : h.planes, 8);
            for (int i = 0; i < levels; ++i) {
                const auto v = static_cast<uint8_t>(levels == 1 ? 0 : i * 255 / (levels - 1));
                h.colours[static_cast<std::size_t>(i)] = RgbQuad{v, v, v, 0};
            }
            h.colourCount = levels;
        }
        if (h.mode == IffMode::kHalfBrite) {
            // The upper 32 colours are the lower 32 at half brightness.
            for (int i = 0; i < 32; ++i) {
                const RgbQuad& c = h.colours[static_cast<std::size_t>(i)];
                h.colours[static_cast<std::size_t>(32 + i)] = RgbQuad{
                    static_cast<uint8_t>(c.rgbBlue >> 1), static_cast<uint8_t>(c.rgbGreen >> 1),
                    static_cast<uint8_t>(c.rgbRed >> 1), 0};
            }
            h.colourCount = std::min(h.colourCount, 32) + 32;
        }
    }

    const int64_t rowBytes = h.chunky ? (h.width + 1) / 2 * 2
                                      : int64_t{(h.width + 15) / 16 * 2} * (h.planes + h.maskPlane);
    const int64_t total = rowBytes * h.height;
    const int64_t least = h.byteRun1 ? total / 128 * 2 : total;
    if (static_cast<int64_t>(h.bodySize) < least) {
        error = "The file is too short for a picture of " + PixelSizeText(h.width, h.height) +
                " pixels.";
        return false;
    }
    header = h;
    return true;
}

bool ReadIffPixels(std::span<const uint8_t> file, const IffHeader& header, OwnedDib& picture,
                   std::string& error, LoadProgress& progress) {
    const int bits = header.deliveredBits;
    BitmapInfo colours;
    std::copy(header.colours.begin(), header.colours.end(), colours.bmiColors);
    OwnedDib made;
    if (!MakeLoadedPicture(made, header.width, header.height, bits, bits <= 8 ? &colours : nullptr,
                           bits <= 8 ? kMaxColours : 0, error)) {
        return false;
    }
    const int32_t width = header.width;
    const std::size_t planeBytes = header.chunky ? static_cast<std::size_t>((width + 1) / 2 * 2)
                                                 : static_cast<std::size_t>((width + 15) / 16 * 2);
    const int storedPlanes = header.chunky ? 1 : header.planes + header.maskPlane;
    std::vector<uint8_t> row(planeBytes * static_cast<std::size_t>(storedPlanes));
    std::vector<uint32_t> values(static_cast<std::size_t>(width));
    std::vector<uint8_t> gathered(planeBytes * 8);
    BodyStream stream(file.subspan(header.bodyOffset, header.bodySize), header.byteRun1);
    progress.report(0, header.height);
    const Dib& dib = *made;
    for (int32_t r = 0; r < header.height; ++r) {
        if (!stream.read(row.data(), row.size(), error)) {
            return false;
        }
        // Pixel values: the chunky bytes, or bit p of the value from plane p.
        if (header.chunky) {
            std::copy(row.begin(), row.begin() + width, values.begin());
        } else {
            std::fill(values.begin(), values.end(), 0u);
            for (int first = 0; first < header.planes; first += 8) {
                GatherPlanes(row.data(), planeBytes, first, std::min(8, header.planes - first),
                             gathered.data());
                for (int32_t x = 0; x < width; ++x) {
                    values[static_cast<std::size_t>(x)] |=
                        uint32_t{gathered[static_cast<std::size_t>(x)]} << first;
                }
            }
        }
        const int32_t y = header.height - 1 - r;  // stored from the top
        uint8_t* dest = DibRow(dib, y);
        switch (header.mode) {
            case IffMode::kPalette:
            case IffMode::kHalfBrite:
                for (int32_t x = 0; x < width; ++x) {
                    const uint32_t v = values[static_cast<std::size_t>(x)];
                    if (!HasColour(header, v)) {
                        error = header.mode == IffMode::kHalfBrite
                                    ? "Palette index " + std::to_string(v) +
                                          " has no colour: the colour map has " +
                                          std::to_string(header.colourCount - 32) +
                                          " entries, and indices from 32 on their halves."
                                    : IndexPastPaletteText(static_cast<int>(v), header.colourCount);
                        return false;
                    }
                    setpixel(dib, x, y, v);
                }
                break;
            case IffMode::kHam: {
                // Each pixel either takes a base colour or changes one channel
                // of the pixel to its left; a row starts from base colour 0.
                const int dataBits = header.planes - 2;
                const uint32_t dataMask = (1u << dataBits) - 1;
                RgbQuad c = header.colours[0];
                for (int32_t x = 0; x < width; ++x) {
                    const uint32_t v = values[static_cast<std::size_t>(x)];
                    const uint32_t d = v & dataMask;
                    const auto level =
                        static_cast<uint8_t>(dataBits == 4 ? d * 17u : (d << 2 | d >> 4));
                    switch (v >> dataBits) {
                        case 0:
                            if (d >= static_cast<uint32_t>(header.colourCount)) {
                                error =
                                    IndexPastPaletteText(static_cast<int>(d), header.colourCount);
                                return false;
                            }
                            c = header.colours[d];
                            break;
                        case 1:
                            c.rgbBlue = level;
                            break;
                        case 2:
                            c.rgbRed = level;
                            break;
                        default:
                            c.rgbGreen = level;
                            break;
                    }
                    dest[3 * x] = c.rgbBlue;
                    dest[3 * x + 1] = c.rgbGreen;
                    dest[3 * x + 2] = c.rgbRed;
                }
                break;
            }
            case IffMode::kDeep:
                // Planes 0-7 red, 8-15 green, 16-23 blue, least significant
                // first; 24-31 alpha.
                for (int32_t x = 0; x < width; ++x) {
                    const uint32_t v = values[static_cast<std::size_t>(x)];
                    uint8_t red = v & 0xFFu, green = v >> 8 & 0xFFu, blue = v >> 16 & 0xFFu;
                    if (header.planes == 32) {
                        const unsigned alpha = v >> 24;
                        red = OverWhite(red, alpha);
                        green = OverWhite(green, alpha);
                        blue = OverWhite(blue, alpha);
                    }
                    dest[3 * x] = blue;
                    dest[3 * x + 1] = green;
                    dest[3 * x + 2] = red;
                }
                break;
        }
        progress.report(r + 1, header.height);
    }
    if (stream.runsOn()) {
        error = "The ByteRun1 data runs past the end of the picture.";
        return false;
    }
    picture = std::move(made);
    return true;
}

bool MeasureIff(std::span<const uint8_t> file, PictureSize& size) {
    IffHeader header;
    std::string error;
    if (!ReadIffHeader(file, header, error)) {
        return false;
    }
    size = {header.width, header.height};
    return true;
}

bool ReadIff(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress) {
    IffHeader header;
    return ReadIffHeader(file, header, error) &&
           ReadIffPixels(file, header, picture, error, progress);
}

}  // namespace grimora
