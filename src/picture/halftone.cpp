// SPDX-License-Identifier: GPL-3.0-or-later
// Halftoning of 24-bit pictures for displays of 256 colours or fewer: a fixed
// palette (a 6 x 6 x 6 colour cube and a ramp of greys) and Floyd-Steinberg
// error diffusion.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "picture/dib_queries.h"
#include "picture/pictrix.h"

namespace grimora {

namespace {

constexpr int kCubeLevels = 6;
constexpr int kCubeSize = kCubeLevels * kCubeLevels * kCubeLevels;  // 216
constexpr int kExtraGreys = kMaxColours - kCubeSize;                // 40

struct HalftonePalette {
    std::array<RgbQuad, kMaxColours> colours{};
    std::array<uint8_t, 256> nearestLevel{};  // channel value -> cube level
    std::array<uint8_t, 256> nearestGrey{};   // grey value -> palette index

    HalftonePalette() {
        for (int r = 0; r < kCubeLevels; ++r) {
            for (int g = 0; g < kCubeLevels; ++g) {
                for (int b = 0; b < kCubeLevels; ++b) {
                    colours[cubeIndex(r, g, b)] = RgbQuad{level(b), level(g), level(r), 0};
                }
            }
        }
        // Greys between the cube's own six, so that neutral tones dither finely.
        for (int k = 0; k < kExtraGreys; ++k) {
            const auto v = static_cast<uint8_t>((k + 1) * 255 / (kExtraGreys + 1));
            colours[kCubeSize + k] = RgbQuad{v, v, v, 0};
        }
        for (int v = 0; v < 256; ++v) {
            nearestLevel[v] = static_cast<uint8_t>((v + 25) / 51);
            int best = 0;
            int bestDistance = 1 << 30;
            for (int i = 0; i < kMaxColours; ++i) {
                const RgbQuad& c = colours[i];
                if (c.rgbRed != c.rgbGreen || c.rgbGreen != c.rgbBlue) {
                    continue;
                }
                const int d = std::abs(c.rgbRed - v);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            nearestGrey[v] = static_cast<uint8_t>(best);
        }
    }

    static int cubeIndex(int r, int g, int b) { return (r * kCubeLevels + g) * kCubeLevels + b; }
    static uint8_t level(int l) { return static_cast<uint8_t>(l * 51); }

    static int distance(const RgbQuad& c, int r, int g, int b) {
        const int dr = c.rgbRed - r;
        const int dg = c.rgbGreen - g;
        const int db = c.rgbBlue - b;
        return dr * dr + dg * dg + db * db;
    }

    // The closer of the nearest cube colour and the nearest grey.
    int nearest(int r, int g, int b) const {
        const int cube = cubeIndex(nearestLevel[r], nearestLevel[g], nearestLevel[b]);
        const int grey = nearestGrey[(r * 299 + g * 587 + b * 114 + 500) / 1000];
        return distance(colours[grey], r, g, b) < distance(colours[cube], r, g, b) ? grey : cube;
    }
};

const HalftonePalette& halftonePalette() {
    static const HalftonePalette palette;
    return palette;
}

uint8_t clampChannel(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// Scales source to width x height by nearest pixel and diffuses the error of
// each pixel's palette colour onto its neighbours still to come.
void halftone(Dib& dest, const Dib& source, int32_t width, int32_t height) {
    dest = Dib{};
    if (source.bits == nullptr || DibBitCount(source) != 24) {
        return;
    }
    const int32_t srcW = DibWidth(source);
    const int32_t srcH = DibHeight(source);
    if (srcW < 1 || srcH < 1) {
        return;
    }
    const HalftonePalette& pal = halftonePalette();
    BitmapInfo colours{};
    std::copy(pal.colours.begin(), pal.colours.end(), colours.bmiColors);
    Dib made;
    newdib(made, width, height, 8, &colours, kMaxColours);
    if (made.allocation == nullptr) {
        return;
    }

    std::vector<int32_t> columnOffset(static_cast<std::size_t>(width));
    for (int32_t i = 0; i < width; ++i) {
        columnOffset[i] = static_cast<int32_t>(int64_t{i} * srcW / width) * 3;
    }
    // Error of the current and the next row, three channels, one guard pixel
    // at either end so that neighbours need no bounds tests.
    const std::size_t errorLength = (static_cast<std::size_t>(width) + 2) * 3;
    std::vector<int> current(errorLength, 0);
    std::vector<int> next(errorLength, 0);

    // Top row first, as the picture is seen.
    for (int32_t t = 0; t < height; ++t) {
        const int32_t row = height - 1 - t;
        const int32_t srcRow = srcH - 1 - static_cast<int32_t>(int64_t{t} * srcH / height);
        const uint8_t* in = DibRow(source, srcRow);
        uint8_t* out = DibRow(made, row);
        std::fill(next.begin(), next.end(), 0);
        for (int32_t i = 0; i < width; ++i) {
            const uint8_t* p = in + columnOffset[i];
            int* e = &current[(static_cast<std::size_t>(i) + 1) * 3];
            const int b = clampChannel(p[0] + e[0] / 16);
            const int g = clampChannel(p[1] + e[1] / 16);
            const int r = clampChannel(p[2] + e[2] / 16);
            const int index = pal.nearest(r, g, b);
            out[i] = static_cast<uint8_t>(index);
            const RgbQuad& c = pal.colours[index];
            const int errors[3] = {b - c.rgbBlue, g - c.rgbGreen, r - c.rgbRed};
            int* below = &next[(static_cast<std::size_t>(i) + 1) * 3];
            for (int ch = 0; ch < 3; ++ch) {
                const int err = errors[ch];
                e[3 + ch] += err * 7;
                below[-3 + ch] += err * 3;
                below[ch] += err * 5;
                below[3 + ch] += err * 1;
            }
        }
        current.swap(next);
    }
    dest = made;
}

}  // namespace

void DIBHalftoneDIB(Dib& dest, Dib source) {
    halftone(dest, source, DibWidth(source), DibHeight(source));
}

void DIBHalftoneDIBXY(Dib& dest, Dib source, int32_t width, int32_t height) {
    halftone(dest, source, width, height);
}

}  // namespace grimora
