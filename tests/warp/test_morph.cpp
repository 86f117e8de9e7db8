// SPDX-License-Identifier: GPL-3.0-or-later
// The frames of the distortion: their fields against the rounding written
// out, full-size frames against the renders, scaled frames against box means.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>

#include <gtest/gtest.h>

#include "picture/dib_queries.h"
#include "warp/morph.h"
#include "warp/render.h"
#include "warp/smooth_render.h"
#include "warp_test_support.h"

namespace grimora {
namespace {

using namespace warp_test;

TEST(Morph, RoundsQuotientsToNearestWithHalvesToEven) {
    std::mt19937 gen(24);
    std::uniform_int_distribution<int64_t> num(-2000000, 2000000);
    std::uniform_int_distribution<int64_t> den(1, 999);
    for (int i = 0; i < 100000; ++i) {
        const int64_t n = num(gen) / (i % 3 == 0 ? 1 : 1000);
        const int64_t d = i % 5 == 0 ? 2 : den(gen);
        // Exact in doubles at these sizes; nearbyint rounds halves to even.
        ASSERT_EQ(RoundHalfEven(n, d), static_cast<int64_t>(std::nearbyint(double(n) / double(d))))
            << n << " / " << d;
    }
    EXPECT_EQ(RoundHalfEven(5, 2), 2);
    EXPECT_EQ(RoundHalfEven(-5, 2), -2);
    EXPECT_EQ(RoundHalfEven(7, 2), 4);
}

TEST(Morph, FramesRunFromTheIdentityToTheField) {
    const DisplacementField field = RandomField(5);
    for (const int32_t frames : {2, 3, 24}) {
        DisplacementField out;
        MorphField(field, 0, frames, out);
        EXPECT_EQ(Entries(out), Entries(IdentityField(100, 100)));
        MorphField(field, frames - 1, frames, out);
        EXPECT_EQ(Entries(out), Entries(field));
        const int32_t k = frames / 2;
        MorphField(field, k, frames, out);
        for (int32_t r = 0; r < 100; ++r) {
            for (int32_t c = 0; c < 100; ++c) {
                const double x = k * double(field.at(c, r).x - c) / (frames - 1);
                const double y = k * double(field.at(c, r).y - r) / (frames - 1);
                ASSERT_EQ(out.at(c, r).x, c + std::nearbyint(x));
                ASSERT_EQ(out.at(c, r).y, r + std::nearbyint(y));
            }
        }
    }
}

// A frame at full size is exactly the render of its field, in either mode.
TEST(Morph, FullSizeFramesAreTheRendersOfTheirFields) {
    std::mt19937 gen(9);
    std::uniform_int_distribution<int> byte(0, 255);
    OwnedDib source = MakePicture(
        100, 100, 24, [&](int32_t, int32_t) { return static_cast<uint8_t>(byte(gen)); });
    const DisplacementField field = RandomField(9);
    for (const bool smooth : {false, true}) {
        MorphRenderer frames(source.get(), field, 5, 100, smooth);
        ASSERT_TRUE(frames.ok());
        for (int32_t k = 0; k < 5; ++k) {
            RgbaFrame frame;
            frames.render(k, frame);
            DisplacementField morphed;
            MorphField(field, k, 5, morphed);
            OwnedDib expected;
            RecordingMessages messages;
            smooth ? renderSmooth(source.get(), morphed, expected, messages)
                   : renderdi(source.get(), morphed, expected, messages);
            ASSERT_EQ(frame.width, 100);
            ASSERT_EQ(frame.height, 100);
            for (int32_t v = 0; v < 100; ++v) {
                const uint8_t* in = DibRow(expected.get(), 99 - v);
                for (int32_t u = 0; u < 100; ++u) {
                    const uint8_t* out = &frame.pixels[(v * 100 + u) * 4];
                    ASSERT_EQ(out[0], in[3 * u + 2]);
                    ASSERT_EQ(out[1], in[3 * u + 1]);
                    ASSERT_EQ(out[2], in[3 * u]);
                    ASSERT_EQ(out[3], 255);
                }
            }
        }
    }
}

// Scaled down by 4.1, the first frame is the source and the last the result,
// each averaged over the 4 or 5 pixels square that a frame pixel covers. The
// grid's 4 x 4 points stand in for that area; where 4 points cover 5 pixels
// their mean lies up to half a pixel off the area's centre, which on this
// picture (up to 4.3 levels a pixel) costs about a level and a half.
TEST(Morph, ScaledFramesAreAreaMeansOfSourceAndResult) {
    constexpr int32_t w = 410;
    constexpr int32_t h = 307;
    OwnedDib source = MakePicture(w, h, 24, [](int32_t r, int32_t k) {
        const double x = k / 3;
        return static_cast<uint8_t>(128 + 100 * std::sin(x / 23 + (k % 3)) * std::cos(r / 31.0));
    });
    DisplacementField field = IdentityField(w, h);
    RecordingHost host;
    DoEffekt(field, Dab(EffectMode::Grow, 200, 150, 90, 0.8), host);
    DoEffekt(field, Dab(EffectMode::Shrink, 90, 60, 50, 1.0), host);
    ASSERT_EQ(MorphFrameSize(w, h, 100).width, 100);
    ASSERT_EQ(MorphFrameSize(w, h, 100).height, 75);
    for (const bool smooth : {false, true}) {
        OwnedDib result;
        RecordingMessages messages;
        smooth ? renderSmooth(source.get(), field, result, messages)
               : renderdi(source.get(), field, result, messages);
        MorphRenderer frames(source.get(), field, 6, 100, smooth);
        ASSERT_TRUE(frames.ok());
        for (const int32_t k : {0, 5}) {
            const Dib& expected = k == 0 ? source.get() : result.get();
            RgbaFrame frame;
            frames.render(k, frame);
            double total = 0;
            for (int32_t v = 0; v < 75; ++v) {
                const int32_t top = v * h / 75;
                const int32_t bottom = (v + 1) * h / 75;
                for (int32_t u = 0; u < 100; ++u) {
                    const int32_t left = u * w / 100;
                    const int32_t right = (u + 1) * w / 100;
                    for (int ch = 0; ch < 3; ++ch) {
                        double mean = 0;
                        for (int32_t y = top; y < bottom; ++y) {
                            for (int32_t x = left; x < right; ++x) {
                                mean += DibRow(expected, h - 1 - y)[3 * x + ch];
                            }
                        }
                        mean /= (bottom - top) * (right - left);
                        const double d = std::abs(mean - frame.pixels[(v * 100 + u) * 4 + 2 - ch]);
                        ASSERT_LE(d, 12) << u << ", " << v;
                        total += d;
                    }
                }
            }
            EXPECT_LE(total / (75 * 100 * 3), 1.5) << "smooth " << smooth << " frame " << k;
        }
    }
}

TEST(Morph, RefusesWhatItCannotAnimate) {
    OwnedDib source = MakePicture(4, 4, 24, [](int32_t, int32_t) { return uint8_t{9}; });
    const DisplacementField field = IdentityField(4, 4);
    EXPECT_FALSE(MorphRenderer(source.get(), field, 1, 640, false).ok());
    EXPECT_FALSE(MorphRenderer(source.get(), field, 5, 0, false).ok());
    EXPECT_FALSE(MorphRenderer(source.get(), IdentityField(4, 5), 5, 640, false).ok());
    OwnedDib palette = MakePicture(4, 4, 8, [](int32_t, int32_t) { return uint8_t{1}; });
    EXPECT_FALSE(MorphRenderer(palette.get(), field, 5, 640, false).ok());
}

}  // namespace
}  // namespace grimora
