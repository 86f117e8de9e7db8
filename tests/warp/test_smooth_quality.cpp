// SPDX-License-Identifier: GPL-3.0-or-later
// How close the exact and the smooth rendering come to the warp a single grow
// or shrink dab stands for: the source sampled at the dab's continuous
// positions (its distance unrounded) by bicubic interpolation, averaged over
// 4 x 4 points per pixel. Measured on a public-domain photograph (a NASA
// portrait that Debian's python3-skimage ships); prints the PSNR inside and
// outside each dab's disc. Outside, the two differ only within two pixels of
// the rim, where the smooth window mixes in entries from inside: by at most
// a tenth of a decibel either way.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include <gtest/gtest.h>

#include "picture/dib_queries.h"
#include "picture/pictrix.h"
#include "warp/render.h"
#include "warp/smooth_render.h"
#include "warp_test_support.h"

namespace grimora {
namespace {

using namespace warp_test;

// Catmull-Rom weights for a point t in [0, 1) past the second of four pixels.
void CubicWeights(double t, double w[4]) {
    const double t2 = t * t;
    const double t3 = t2 * t;
    w[0] = 0.5 * (-t3 + 2 * t2 - t);
    w[1] = 0.5 * (3 * t3 - 5 * t2 + 2);
    w[2] = 0.5 * (-3 * t3 + 4 * t2 + t);
    w[3] = 0.5 * (t3 - t2);
}

void Bicubic(const Dib& source, double x, double y, double out[3]) {
    const int32_t w = DibWidth(source);
    const int32_t h = DibHeight(source);
    const auto x0 = static_cast<int32_t>(std::floor(x));
    const auto y0 = static_cast<int32_t>(std::floor(y));
    double wx[4];
    double wy[4];
    CubicWeights(x - x0, wx);
    CubicWeights(y - y0, wy);
    out[0] = out[1] = out[2] = 0;
    for (int j = 0; j < 4; ++j) {
        const uint8_t* row = DibRow(source, std::clamp(y0 - 1 + j, 0, h - 1));
        for (int i = 0; i < 4; ++i) {
            const uint8_t* p = row + 3 * std::clamp(x0 - 1 + i, 0, w - 1);
            for (int k = 0; k < 3; ++k) {
                out[k] += wx[i] * wy[j] * p[k];
            }
        }
    }
}

struct Errors {
    double inside = 0;  // sums of squared differences
    double outside = 0;
    int64_t insideCount = 0;
    int64_t outsideCount = 0;
};

double Psnr(double squared, int64_t count) {
    return 10 * std::log10(255.0 * 255.0 * 3 * static_cast<double>(count) / squared);
}

struct Case {
    EffectMode mode;
    int32_t radius;
    double strength;
};

// Over the dab's square grown by a quarter of the radius, within the picture.
void Measure(const Dib& source, const Case& dab, int32_t X, int32_t Y, const Dib& exact,
             const Dib& smooth, Errors& exactErrors, Errors& smoothErrors) {
    const int32_t w = DibWidth(source);
    const int32_t h = DibHeight(source);
    const int32_t margin = dab.radius + dab.radius / 4;
    const double R = dab.radius;
    const double S = dab.strength;
    for (int32_t i = std::max(0, Y - margin); i < std::min(h, Y + margin + 1); ++i) {
        for (int32_t j = std::max(0, X - margin); j < std::min(w, X + margin + 1); ++j) {
            double truth[3] = {0, 0, 0};
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    const double u = j + (sx + 0.5) / 4 - 0.5;
                    const double v = i + (sy + 0.5) / 4 - 0.5;
                    const double d = std::hypot(X - u, Y - v);
                    double F = 1;
                    if (d <= R) {
                        const double q = std::sqrt(d / R);
                        F = dab.mode == EffectMode::Grow ? q * S + 1 - S : (1 - q) * S + 1;
                    }
                    const double px = std::clamp((u - X) * F + X, 0.0, w - 1.0);
                    const double py = std::clamp((v - Y) * F + Y, 0.0, h - 1.0);
                    double sample[3];
                    Bicubic(source, px, py, sample);
                    for (int k = 0; k < 3; ++k) {
                        truth[k] += std::clamp(sample[k], 0.0, 255.0) / 16;
                    }
                }
            }
            const bool inside = std::hypot(j - X, i - Y) <= R;
            for (int k = 0; k < 3; ++k) {
                const double e = DibRow(exact, i)[3 * j + k] - truth[k];
                const double s = DibRow(smooth, i)[3 * j + k] - truth[k];
                (inside ? exactErrors.inside : exactErrors.outside) += e * e;
                (inside ? smoothErrors.inside : smoothErrors.outside) += s * s;
            }
            (inside ? exactErrors.insideCount : exactErrors.outsideCount) += 1;
            (inside ? smoothErrors.insideCount : smoothErrors.outsideCount) += 1;
        }
    }
}

TEST(SmoothQuality, CloserToTheContinuousWarpInsideEveryDabAndNoWorseOutside) {
    Dib loaded;
    OpenDib(loaded, GRIMORA_PHOTO, nullptr);
    OwnedDib source(loaded);
    ASSERT_NE(source->bits, nullptr)
        << GRIMORA_PHOTO << ": " << source->errorText << " (scripts/install-deps.sh installs it)";
    ASSERT_EQ(DibBitCount(source.get()), 24);
    const int32_t w = DibWidth(source.get());
    const int32_t h = DibHeight(source.get());
    // About the face's left eye, memory rows counted from the bottom.
    const int32_t X = w * 45 / 100;
    const int32_t Y = h - 1 - h * 40 / 100;
    std::printf("%-6s %4s %4s | inside: exact smooth gain | outside: exact smooth\n", "dab", "R",
                "S");
    for (const EffectMode mode : {EffectMode::Grow, EffectMode::Shrink}) {
        for (const int32_t radius : {50, 150, 300}) {
            for (const double strength : {0.4, 1.0}) {
                const Case dab{mode, radius, strength};
                DisplacementField field = IdentityField(w, h);
                RecordingHost host;
                DoEffekt(field, Dab(mode, X, Y, radius, strength), host);
                OwnedDib exact;
                OwnedDib smooth;
                RecordingMessages messages;
                renderdi(source.get(), field, exact, messages);
                renderSmooth(source.get(), field, smooth, messages);
                Errors e;
                Errors s;
                Measure(source.get(), dab, X, Y, exact.get(), smooth.get(), e, s);
                const double exactIn = Psnr(e.inside, e.insideCount);
                const double smoothIn = Psnr(s.inside, s.insideCount);
                std::printf("%-6s %4d %4.1f | %6.2f %6.2f %+5.2f dB",
                            mode == EffectMode::Grow ? "grow" : "shrink", radius, strength, exactIn,
                            smoothIn, smoothIn - exactIn);
                EXPECT_GE(smoothIn - exactIn, 3.0) << radius << " " << strength;
                if (e.outsideCount > 0) {
                    const double exactOut = Psnr(e.outside, e.outsideCount);
                    const double smoothOut = Psnr(s.outside, s.outsideCount);
                    std::printf(" | %6.2f %6.2f", exactOut, smoothOut);
                    EXPECT_GE(smoothOut, exactOut - 0.1) << radius << " " << strength;
                }
                std::printf("\n");
            }
        }
    }
}

}  // namespace
}  // namespace grimora
