// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the reader tests: fixtures written by other programs
// (scripts/make-*-fixtures.sh), their reference pictures, and the comparison
// of a loaded picture with one.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/dib.h"
#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"

namespace grimora::fixtures {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes FixtureFile(const std::string& folder, const std::string& name) {
    return ReadFile(std::string(GRIMORA_FIXTURES) + "/" + folder + "/" + name);
}

// "loaded", or the message with which the loader refused the file.
inline std::string LoadError(const Bytes& file) {
    Dib dib;
    OpenDibFromMemory(dib, file.data(), file.size(), nullptr);
    const OwnedDib picture(dib);
    return dib.bits == nullptr ? dib.errorText : "loaded";
}

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// A binary PPM (P6, maxval 255) as rows from the top.
struct Reference {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    Rgb at(int x, int top) const { return pixels[static_cast<std::size_t>(top * width + x)]; }
};

inline Reference ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    Reference ref;
    in >> magic >> ref.width >> ref.height >> maxval;
    in.get();
    EXPECT_EQ(magic, "P6") << path;
    EXPECT_EQ(maxval, 255) << path;
    for (int i = 0; i < ref.width * ref.height; ++i) {
        Rgb c;
        c.r = in.get();
        c.g = in.get();
        c.b = in.get();
        ref.pixels.push_back(c);
    }
    EXPECT_TRUE(in) << path << " is short";
    return ref;
}

// Through the whole loader, so that the format is also recognised among all
// the others.
inline OwnedDib Load(const Bytes& file, const ProgressCallback& progress = nullptr) {
    Dib dib;
    OpenDibFromMemory(dib, file.data(), file.size(), progress);
    return OwnedDib(dib);
}

// Pixel x of memory row y as a colour; palette indices through logPalette.
inline Rgb Colour(const Dib& dib, int x, int y) {
    const uint32_t v = getpixel(dib, x, y);
    if (dib.info->bmiHeader.biBitCount <= 8) {
        const PaletteEntry& e = dib.logPalette.palPalEntry[v];
        return {e.peRed, e.peGreen, e.peBlue};
    }
    return {static_cast<int>(v & 0xFF), static_cast<int>(v >> 8 & 0xFF),
            static_cast<int>(v >> 16 & 0xFF)};
}

// Compares a loaded picture with a reference, each channel within
// `tolerance`, stopping at the first difference so that one fault does not
// bury the report.
inline void ExpectPicture(const Dib& dib, const Reference& ref, int tolerance = 0) {
    const auto near = [tolerance](const Rgb& a, const Rgb& b) {
        return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
               std::abs(a.b - b.b) <= tolerance;
    };
    ASSERT_NE(dib.bits, nullptr) << dib.errorText;
    ASSERT_EQ(dib.info->bmiHeader.biWidth, ref.width);
    ASSERT_EQ(dib.info->bmiHeader.biHeight, ref.height);
    for (int top = 0; top < ref.height; ++top) {
        for (int x = 0; x < ref.width; ++x) {
            const Rgb got = Colour(dib, x, ref.height - 1 - top);
            if (!near(got, ref.at(x, top))) {
                ADD_FAILURE() << "first difference at x " << x << ", y " << top
                              << " from the top: got " << got << ", expected " << ref.at(x, top);
                return;
            }
        }
    }
}

// Drawing uses the colour table, conversion uses logPalette: both must agree.
inline void ExpectPaletteFilled(const Dib& dib) {
    const int bits = dib.info->bmiHeader.biBitCount;
    ASSERT_LE(bits, 8);
    EXPECT_EQ(dib.hasPalette, 1);
    EXPECT_NE(dib.palette, nullptr);
    ASSERT_EQ(dib.logPalette.palNumEntries, 1 << bits);
    for (int i = 0; i < (1 << bits); ++i) {
        const RgbQuad& q = dib.info->bmiColors[i];
        const PaletteEntry& e = dib.logPalette.palPalEntry[i];
        ASSERT_EQ(Rgb(q.rgbRed, q.rgbGreen, q.rgbBlue), Rgb(e.peRed, e.peGreen, e.peBlue))
            << "entry " << i;
    }
}

// One fixture: its file in tests/fixtures/<folder>/, the reference picture
// beside it, the depth it is delivered at and how far a channel may be off.
struct FixtureCase {
    const char* file;
    const char* reference;
    int deliveredBits;
    int tolerance = 0;
};

inline void PrintTo(const FixtureCase& c, std::ostream* out) {
    *out << c.file;
}

inline std::string FixtureName(const testing::TestParamInfo<FixtureCase>& info) {
    const std::string name = info.param.file;
    return name.substr(0, name.find('.'));
}

inline void ExpectFixture(const std::string& folder, const FixtureCase& c) {
    const std::string base = std::string(GRIMORA_FIXTURES) + "/" + folder + "/";
    const OwnedDib dib = Load(ReadFile(base + c.file));
    ExpectPicture(*dib, ReadPpm(base + c.reference), c.tolerance);
    ASSERT_NE(dib->bits, nullptr);
    EXPECT_EQ(dib->info->bmiHeader.biBitCount, c.deliveredBits);
    if (c.deliveredBits <= 8) {
        ExpectPaletteFilled(*dib);
    }
}

// A file that must be refused with a message containing `message`.
struct BrokenCase {
    const char* name;
    std::function<Bytes()> make;
    const char* message;
};

inline void PrintTo(const BrokenCase& c, std::ostream* out) {
    *out << c.name;
}

inline std::string BrokenName(const testing::TestParamInfo<BrokenCase>& info) {
    return info.param.name;
}

inline void ExpectRefused(const BrokenCase& c) {
    const OwnedDib dib = Load(c.make());
    EXPECT_EQ(dib->bits, nullptr);
    EXPECT_FALSE(dib.holdsPicture());
    EXPECT_NE(std::string(dib->errorText).find(c.message), std::string::npos)
        << "message: " << dib->errorText;
}

}  // namespace grimora::fixtures
