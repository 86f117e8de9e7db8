// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dib_image.h"

#include <array>
#include <cstdint>

#include "picture/dib_queries.h"

namespace grimora {
namespace {

constexpr uint32_t kBiRgb = 0;

QRgb Rgb(uint8_t red, uint8_t green, uint8_t blue) {
    return qRgb(red, green, blue);
}

// A 5-bit field widened to 8 bits with rounding.
uint8_t Widen5(uint32_t v) {
    return static_cast<uint8_t>((v * 255 + 15) / 31);
}

}  // namespace

QImage DibToQImage(const Dib& picture) {
    if (picture.bits == nullptr || picture.info == nullptr) {
        return {};
    }
    const BitmapInfoHeader& header = picture.info->bmiHeader;
    const int32_t width = DibWidth(picture);
    const int32_t height = DibHeight(picture);
    const int bits = DibBitCount(picture);
    if (width <= 0 || height <= 0 || !IsDibDepth(bits) || header.biCompression != kBiRgb ||
        picture.stride < DibStride(width, bits)) {
        return {};
    }

    std::array<QRgb, kMaxColours> table{};  // black past the table's end
    if (bits <= 8) {
        const uint32_t entries = 1u << bits;
        const uint32_t used =
            header.biClrUsed == 0 || header.biClrUsed > entries ? entries : header.biClrUsed;
        for (uint32_t i = 0; i < used; ++i) {
            const RgbQuad& c = picture.info->bmiColors[i];
            table[i] = Rgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
        }
        for (uint32_t i = used; i < entries; ++i) {
            table[i] = Rgb(0, 0, 0);
        }
    }

    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = DibRow(picture, height - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int32_t x = 0; x < width; ++x) {
            switch (bits) {
                case 1:
                    out[x] = table[(row[x / 8] >> (7 - x % 8)) & 1];
                    break;
                case 4:
                    out[x] = table[(row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF];
                    break;
                case 8:
                    out[x] = table[row[x]];
                    break;
                case 16: {
                    const uint32_t v = row[2 * x] | uint32_t{row[2 * x + 1]} << 8;
                    out[x] = Rgb(Widen5(v >> 10 & 31), Widen5(v >> 5 & 31), Widen5(v & 31));
                    break;
                }
                case 24:
                    out[x] = Rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                    break;
                case 32:
                    out[x] = Rgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
                    break;
                default:
                    return {};
            }
        }
    }
    return image;
}

}  // namespace grimora
