// SPDX-License-Identifier: GPL-3.0-or-later
// The smooth rendering against a plain per-pixel model, its measured
// properties, and partial renders after dabs against whole ones.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "picture/dib_queries.h"
#include "warp/render.h"
#include "warp/smooth_render.h"
#include "warp_test_support.h"

namespace grimora {
namespace {

using namespace warp_test;

// The method written out pixel by pixel: the mean offset of the 5 x 5
// entries about the pixel (positions held to the field), the pixel plus that
// mean held to the picture, and a bilinear blend (weights rounded to 64ths)
// rounded to nearest.
void ModelPixel(const Dib& source, const DisplacementField& field, int32_t c, int32_t r,
                uint8_t* out) {
    const int32_t w = field.width();
    const int32_t h = field.height();
    double mx = 0;
    double my = 0;
    for (int32_t dr = -2; dr <= 2; ++dr) {
        for (int32_t dc = -2; dc <= 2; ++dc) {
            const int32_t cc = std::clamp(c + dc, 0, w - 1);
            const int32_t rr = std::clamp(r + dr, 0, h - 1);
            mx += field.at(cc, rr).x - cc;
            my += field.at(cc, rr).y - rr;
        }
    }
    const double x = std::clamp(c + mx / 25, 0.0, w - 1.0);
    const double y = std::clamp(r + my / 25, 0.0, h - 1.0);
    const auto x0 = static_cast<int32_t>(std::floor(x));
    const auto y0 = static_cast<int32_t>(std::floor(y));
    const int32_t x1 = std::min(x0 + 1, w - 1);
    const int32_t y1 = std::min(y0 + 1, h - 1);
    const double fx = std::round((x - x0) * 64) / 64;
    const double fy = std::round((y - y0) * 64) / 64;
    for (int k = 0; k < 3; ++k) {
        const auto at = [&](int32_t px, int32_t py) { return DibRow(source, py)[3 * px + k]; };
        const double v = at(x0, y0) * (1 - fx) * (1 - fy) + at(x1, y0) * fx * (1 - fy) +
                         at(x0, y1) * (1 - fx) * fy + at(x1, y1) * fx * fy;
        out[k] = static_cast<uint8_t>(std::floor(v + 0.5 + 1e-9));
    }
}

OwnedDib RandomPicture(int32_t w, int32_t h, std::mt19937& gen) {
    std::uniform_int_distribution<int> byte(0, 255);
    return MakePicture(w, h, 24, [&](int32_t, int32_t) { return static_cast<uint8_t>(byte(gen)); });
}

DisplacementField RandomDabs(int32_t w, int32_t h, int dabs, std::mt19937& gen) {
    DisplacementField field = IdentityField(w, h);
    RecordingHost host;
    std::uniform_int_distribution<int32_t> x(0, w - 1);
    std::uniform_int_distribution<int32_t> y(0, h - 1);
    std::uniform_int_distribution<int32_t> mode(0, 4);
    std::uniform_int_distribution<int32_t> radius(3, 40);
    std::uniform_real_distribution<double> strength(0.1, 1.0);
    for (int k = 0; k < dabs; ++k) {
        EffectParams p =
            Dab(static_cast<EffectMode>(mode(gen)), x(gen), y(gen), radius(gen), strength(gen));
        p.mouseX = x(gen) % 23;
        p.mouseY = y(gen) % 19;
        DoEffekt(field, p, host);
    }
    return field;
}

// Sizes with edges, a single row and column, and a picture large enough for
// the second thread's chunks.
TEST(SmoothRender, MatchesThePlainModelOnRandomFieldsAndPictures) {
    std::mt19937 gen(19);
    const int32_t sizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {4, 3}, {37, 23}, {310, 260}};
    for (const auto& size : sizes) {
        const int32_t w = size[0];
        const int32_t h = size[1];
        OwnedDib source = RandomPicture(w, h, gen);
        // Warped by dabs, and entries anywhere: neighbours far apart.
        for (int kind = 0; kind < 2; ++kind) {
            DisplacementField field(w, h);
            if (kind == 0) {
                field = RandomDabs(w, h, 30, gen);
            } else {
                std::uniform_int_distribution<int32_t> cx(0, w - 1);
                std::uniform_int_distribution<int32_t> ry(0, h - 1);
                for (std::size_t k = 0; k < field.size(); ++k) {
                    field.data()[k] = {cx(gen), ry(gen)};
                }
            }
            OwnedDib result;
            RecordingMessages messages;
            renderSmooth(source.get(), field, result, messages);
            ASSERT_TRUE(messages.shown.empty());
            for (int32_t r = 0; r < h; ++r) {
                for (int32_t c = 0; c < w; ++c) {
                    uint8_t expected[3];
                    ModelPixel(source.get(), field, c, r, expected);
                    ASSERT_EQ(0, std::memcmp(expected, DibRow(result.get(), r) + 3 * c, 3))
                        << w << " x " << h << " kind " << kind << " at " << c << ", " << r;
                }
                for (int32_t k = 3 * w; k < result->stride; ++k) {
                    ASSERT_EQ(DibRow(result.get(), r)[k], 0);
                }
            }
        }
    }
}

TEST(SmoothRender, IsTheExactRenderWhereTheFieldShiftsByWholePixels) {
    std::mt19937 gen(7);
    OwnedDib source = RandomPicture(40, 30, gen);
    DisplacementField field = IdentityField(40, 30);
    // Columns 10 to 29 show the source 3 columns to the right; only pixels
    // within 2 of where the shift starts or ends see a mixed window.
    for (int32_t r = 0; r < 30; ++r) {
        for (int32_t c = 10; c < 30; ++c) {
            field.at(c, r).x = c + 3;
        }
    }
    OwnedDib exact;
    OwnedDib smooth;
    RecordingMessages messages;
    renderdi(source.get(), field, exact, messages);
    renderSmooth(source.get(), field, smooth, messages);
    for (int32_t r = 0; r < 30; ++r) {
        for (int32_t c = 0; c < 40; ++c) {
            const bool mixed = (c >= 8 && c <= 11) || (c >= 28 && c <= 31);
            const bool same = std::memcmp(DibRow(exact.get(), r) + 3 * c,
                                          DibRow(smooth.get(), r) + 3 * c, 3) == 0;
            EXPECT_TRUE(mixed || same) << c << ", " << r;
        }
    }
}

// A field that doubles the picture gives, on a ramp rising by 4 a column,
// a result that rises by 1 to 3 at every column, where the exact rendering
// rises by 0 and 4 in turn.
TEST(SmoothRender, MagnificationRisesSmoothlyWhereTheExactRenderSteps) {
    constexpr int32_t w = 64;
    OwnedDib source =
        MakePicture(w, 8, 24, [](int32_t, int32_t k) { return static_cast<uint8_t>(4 * (k / 3)); });
    DisplacementField field = IdentityField(w, 8);
    for (int32_t r = 0; r < 8; ++r) {
        for (int32_t c = 0; c < w; ++c) {
            field.at(c, r).x = 16 + c / 2;
        }
    }
    OwnedDib smooth;
    RecordingMessages messages;
    renderSmooth(source.get(), field, smooth, messages);
    const uint8_t* row = DibRow(smooth.get(), 4);
    for (int32_t c = 3; c + 3 < w; ++c) {
        const int step = row[3 * c + 3] - row[3 * c];
        EXPECT_GE(step, 1) << c;
        EXPECT_LE(step, 3) << c;
    }
}

TEST(SmoothRender, PartialRendersAfterRandomDabsEqualWholeOnes) {
    std::mt19937 gen(1919);
    constexpr int32_t w = 230;
    constexpr int32_t h = 170;
    OwnedDib source = RandomPicture(w, h, gen);
    DisplacementField field = IdentityField(w, h);
    OwnedDib partial;
    RecordingMessages messages;
    renderSmooth(source.get(), field, partial, messages);
    RecordingHost host;
    std::uniform_int_distribution<int32_t> x(-5, w + 5);
    std::uniform_int_distribution<int32_t> y(-5, h + 5);
    std::uniform_int_distribution<int32_t> mode(0, 4);
    std::uniform_int_distribution<int32_t> radius(1, 120);
    for (int k = 0; k < 60; ++k) {
        EffectParams p =
            Dab(static_cast<EffectMode>(mode(gen)), x(gen), y(gen), radius(gen), 0.3 + k % 7 * 0.1);
        p.mouseX = k % 11;
        p.normalize = k % 2 == 0;
        DoEffekt(field, p, host);
        ASSERT_TRUE(
            renderSmoothRect(source.get(), field, partial, SmoothReach(DabBounds(p, w, h), w, h)));
        OwnedDib whole;
        renderSmooth(source.get(), field, whole, messages);
        ASSERT_EQ(0, std::memcmp(partial->bits, whole->bits, whole->info->bmiHeader.biSizeImage))
            << "after dab " << k;
    }
}

TEST(SmoothRender, RefusesWhatTheExactRenderRefuses) {
    OwnedDib source = MakePicture(6, 5, 8, [](int32_t, int32_t) { return uint8_t{1}; });
    DisplacementField field = IdentityField(6, 5);
    OwnedDib result;
    RecordingMessages messages;
    renderSmooth(source.get(), field, result, messages);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], kNot24BitsMessage);
    ASSERT_TRUE(result.holdsPicture());
    EXPECT_EQ(DibBitCount(result.get()), 24);
    EXPECT_FALSE(renderSmoothRect(source.get(), field, result, {0, 0, 6, 5}));
    EXPECT_EQ(SmoothReach({-3, 2, 4, 1}, 6, 5), (DabRect{0, 0, 3, 5}));
    EXPECT_TRUE(SmoothReach({}, 6, 5).empty());
}

}  // namespace
}  // namespace grimora
