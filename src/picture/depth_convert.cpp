// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/depth_convert.h"

#include "picture/dib_queries.h"
#include "picture/pictrix.h"

namespace grimora {

namespace {

enum class Conversion { k8From4, k24From1, k8From1, k4From1, k24From4, k24From8 };

// The pairs in the order in which they are tested; the first match wins.
bool Match(int32_t target, int32_t depth, Conversion& conversion) {
    struct Pair {
        int32_t target;
        int32_t depth;
        Conversion conversion;
    };
    static constexpr Pair kPairs[] = {
        {8, 4, Conversion::k8From4}, {24, 1, Conversion::k24From1}, {8, 1, Conversion::k8From1},
        {4, 1, Conversion::k4From1}, {24, 4, Conversion::k24From4}, {24, 8, Conversion::k24From8},
    };
    for (const Pair& pair : kPairs) {
        if (pair.target == target && pair.depth == depth) {
            conversion = pair.conversion;
            return true;
        }
    }
    return false;
}

uint8_t RandomLevel(RandomSource& random) {
    return static_cast<uint8_t>(random.Random(256) & ~3);
}

// Writes one entry into both copies: logPalette keeps its flags, the colour
// table its reserved byte.
void SetEntry(Dib& dib, int index, uint8_t red, uint8_t green, uint8_t blue) {
    PaletteEntry& e = dib.logPalette.palPalEntry[index];
    e.peRed = red;
    e.peGreen = green;
    e.peBlue = blue;
    RgbQuad& q = dib.info->bmiColors[index];
    q.rgbBlue = blue;
    q.rgbGreen = green;
    q.rgbRed = red;
}

// Fills the new picture's palette: the entries the source gives, random ones
// elsewhere (red, then green, then blue drawn), in index order; then a new
// palette handle replaces the one newdib made.
void BuildPalette(Dib& made, const Dib& source, Conversion conversion, RandomSource& random) {
    const int entries = conversion == Conversion::k4From1 ? 16 : 256;
    for (int i = 0; i < entries; ++i) {
        if (conversion == Conversion::k8From4 && i < 16) {
            const PaletteEntry& s = source.logPalette.palPalEntry[i];
            SetEntry(made, i, s.peRed, s.peGreen, s.peBlue);
        } else if (i == 0) {
            SetEntry(made, i, 0, 0, 0);
        } else if (i == entries - 1 && conversion != Conversion::k8From4) {
            SetEntry(made, i, 255, 255, 255);
        } else {
            const uint8_t red = RandomLevel(random);
            const uint8_t green = RandomLevel(random);
            const uint8_t blue = RandomLevel(random);
            SetEntry(made, i, red, green, blue);
        }
    }
    DeletePalette(made.palette);
    made.palette = CreatePalette(made.logPalette);
}

uint8_t Nibble(const uint8_t* row, int32_t x) {
    return (x & 1) ? (row[x >> 1] & 0x0Fu) : static_cast<uint8_t>(row[x >> 1] >> 4);
}

void ConvertRow(const Dib& source, const Dib& made, Conversion conversion, int32_t y,
                int32_t width) {
    const uint8_t* in = DibRow(source, y);
    uint8_t* out = DibRow(made, y);
    const PaletteEntry* colours = source.logPalette.palPalEntry;
    for (int32_t x = 0; x < width; ++x) {
        switch (conversion) {
            case Conversion::k8From4:
                out[x] = Nibble(in, x);
                break;
            case Conversion::k24From1:
                setpixel(made, x, y, getpixel(source, x, y) != 0 ? 0xFFFFFFu : 0u);
                break;
            case Conversion::k8From1:
            case Conversion::k4From1:
                setpixel(made, x, y, getpixel(source, x, y) != 0 ? 255u : 0u);
                break;
            case Conversion::k24From4:
            case Conversion::k24From8: {
                const PaletteEntry& e =
                    colours[conversion == Conversion::k24From4 ? Nibble(in, x) : in[x]];
                out[3 * x] = e.peBlue;
                out[3 * x + 1] = e.peGreen;
                out[3 * x + 2] = e.peRed;
                break;
            }
        }
    }
}

}  // namespace

void DepthUpTo(OwnedDib& source, int32_t bits, RandomSource& random,
               const std::function<void(int32_t)>& SetProStatus) {
    auto report = [&](int32_t percent) {
        if (SetProStatus) {
            SetProStatus(percent);
        }
    };
    report(0);
    const int32_t width = DibWidth(*source);
    const int32_t height = DibHeight(*source);
    const int32_t depth = DibBitCount(*source);
    Conversion conversion{};
    // The pair is tested before the new picture is made rather than after:
    // for a pair that converts nothing, making it only to free it again
    // would change nothing but the memory taken meanwhile.
    if (source->bits != nullptr && depth != 24 && Match(bits, depth, conversion)) {
        OwnedDib made;
        if (made.make(width, height, bits)) {
            if (bits != 24) {
                BuildPalette(made.edit(), *source, conversion, random);
            }
            for (int32_t y = 0; y < height; ++y) {
                report(height > 1 ? static_cast<int32_t>(int64_t{y} * 100 / (height - 1)) : 100);
                ConvertRow(*source, *made, conversion, y, width);
            }
            source = std::move(made);
        }
    }
    report(0);
}

}  // namespace grimora
