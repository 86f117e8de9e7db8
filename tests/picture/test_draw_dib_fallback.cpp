// SPDX-License-Identifier: GPL-3.0-or-later
// The two ways DrawDib draws when a device fails the direct stretch.
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/dib_queries.h"
#include "picture/draw_dib.h"
#include "picture/memory_device.h"
#include "picture/owned_dib.h"
#include "recording_device.h"

namespace grimora {
namespace {

using draw_test::Call;
using draw_test::ColourAt;
using draw_test::DeviceShows;
using draw_test::NearestPixel;
using draw_test::PatternPicture;
using draw_test::RecordedCall;
using draw_test::RecordingDevice;
using draw_test::RecordingSink;

constexpr uint32_t kUntouched = 0xFF00FF;

std::vector<Call> kindsOf(const RecordingDevice& dc) {
    std::vector<Call> kinds;
    for (const RecordedCall& c : dc.calls) {
        if (c.call != Call::SetStretchBltMode && c.call != Call::SelectPalette &&
            c.call != Call::RealizePalette) {
            kinds.push_back(c.call);
        }
    }
    return kinds;
}

struct ScaleCase {
    const char* name;
    int32_t picWidth, picHeight;
    int32_t src[4];   // x, y, width, height
    int32_t dest[4];  // x, y, width, height
};

class OwnScalingTest : public ::testing::TestWithParam<std::tuple<int, ScaleCase>> {};

// The direct stretch fails; the picture is scaled here with the end pixels of
// the source on the end pixels of the destination, and copied.
TEST_P(OwnScalingTest, ScalesEndToEndAndCopiesOnce) {
    const auto& [bitCount, c] = GetParam();
    OwnedDib pic = PatternPicture(c.picWidth, c.picHeight, bitCount);
    MemoryDevice screen(40, 30, kUntouched);
    RecordingDevice dc(&screen);
    dc.tech = Technology::RasterPrinter;  // 8 and 24 bits would be scaled row by row on screens
    dc.failStretchDIBits = true;
    RecordingSink sink;
    const auto [dx, dy, dw, dh] = c.dest;
    const auto [sx, sy, sw, sh] = c.src;
    DrawDib(dc, dx, dy, dw, dh, *pic, sx, sy, sw, sh, true, RasterOp::SrcCopy, true, nullptr, sink);

    EXPECT_EQ(kindsOf(dc), (std::vector<Call>{Call::StretchDIBits, Call::SetDIBitsToDevice}));
    const RecordedCall copy = dc.of(Call::SetDIBitsToDevice).at(0);
    EXPECT_EQ(copy.args, (std::vector<int64_t>{dx, dy, dw, dh, 0, 0, 0, dh}));
    EXPECT_EQ(copy.bitCount, bitCount);
    EXPECT_TRUE(sink.messages.empty());

    // Corners of the destination show corners of the source rectangle.
    EXPECT_EQ(screen.pixel(dx, dy), ColourAt(*pic, sx, sy + (dh == 1 ? 0 : sh - 1)));
    EXPECT_EQ(screen.pixel(dx + dw - 1, dy + dh - 1),
              ColourAt(*pic, dw == 1 ? sx : sx + sw - 1, sy));
    EXPECT_TRUE(DeviceShows(screen, [&](int32_t x, int32_t y) {
        if (x < dx || x >= dx + dw || y < dy || y >= dy + dh) {
            return kUntouched;
        }
        const int32_t i = x - dx;
        const int32_t row = dh - 1 - (y - dy);  // memory row of the scaled picture
        const int32_t column = dw == 1 ? sx : sx + (sw - 1) * i / (dw - 1);
        const int32_t sourceRow = dh == 1 ? sy : sy + (sh - 1) * row / (dh - 1);
        return ColourAt(*pic, column, sourceRow);
    }));
}

INSTANTIATE_TEST_SUITE_P(
    Depths, OwnScalingTest,
    ::testing::Combine(
        ::testing::Values(1, 4, 8, 24, 32),
        ::testing::Values(ScaleCase{"Enlarge", 7, 5, {0, 0, 7, 5}, {1, 2, 20, 13}},
                          ScaleCase{"ShrinkPart", 30, 20, {3, 2, 21, 14}, {5, 0, 9, 6}},
                          ScaleCase{"OneWide", 30, 20, {4, 0, 26, 20}, {0, 0, 1, 6}},
                          ScaleCase{"OneHigh", 30, 20, {0, 5, 30, 15}, {0, 0, 9, 1}},
                          ScaleCase{"OnePixel", 30, 20, {2, 3, 10, 10}, {3, 3, 1, 1}})),
    [](const ::testing::TestParamInfo<std::tuple<int, ScaleCase>>& info) {
        return std::string(std::get<1>(info.param).name) + "_" +
               std::to_string(std::get<0>(info.param));
    });

class DeviceBitmapTest : public ::testing::TestWithParam<int> {};

// Without RC_DIBTODEV the picture goes through a device bitmap. Its rows run
// top-down, so a source rectangle counted from the bottom must be turned over.
TEST_P(DeviceBitmapTest, PartOfThePictureComesThroughABitmap) {
    OwnedDib pic = PatternPicture(8, 6, GetParam());
    MemoryDevice screen(16, 12, kUntouched);
    RecordingDevice dc(&screen);
    dc.tech = Technology::RasterPrinter;
    dc.caps = 0;
    dc.failStretchDIBits = true;
    RecordingSink sink;
    // Columns 1 to 4 of the two bottom rows, doubled, into (2, 3).
    DrawDib(dc, 2, 3, 8, 4, *pic, 1, 0, 4, 2, true, RasterOp::SrcCopy, true, nullptr, sink);

    EXPECT_EQ(kindsOf(dc), (std::vector<Call>{Call::StretchDIBits, Call::CreateCompatibleBitmap,
                                              Call::SetDIBits, Call::StretchBlt}));
    EXPECT_EQ(dc.of(Call::CreateCompatibleBitmap)[0].args, (std::vector<int64_t>{8, 6}));
    EXPECT_EQ(dc.of(Call::SetDIBits)[0].args, (std::vector<int64_t>{0, 6}));
    EXPECT_EQ(dc.of(Call::StretchBlt)[0].args, (std::vector<int64_t>{2, 3, 8, 4, 1, 4, 4, 2}));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(DeviceShows(screen, [&](int32_t x, int32_t y) {
        const bool inside = x >= 2 && x < 10 && y >= 3 && y < 7;
        return inside ? NearestPixel(*pic, x - 2, y - 3, 8, 4, 1, 0, 4, 2) : kUntouched;
    }));
}

INSTANTIATE_TEST_SUITE_P(Depths, DeviceBitmapTest, ::testing::Values(4, 24));

TEST(DrawDibFallback, ScaledCopyThatDrawsNothingFallsBackToTheBitmap) {
    OwnedDib pic = PatternPicture(8, 6, 24);
    RecordingDevice dc;
    dc.tech = Technology::RasterPrinter;
    dc.failStretchDIBits = true;
    dc.copyNothing = true;
    RecordingSink sink;
    DrawDib(dc, 0, 0, 16, 12, *pic, 0, 0, 8, 6, true, RasterOp::SrcAnd, true, nullptr, sink);
    EXPECT_EQ(kindsOf(dc),
              (std::vector<Call>{Call::StretchDIBits, Call::SetDIBitsToDevice,
                                 Call::CreateCompatibleBitmap, Call::SetDIBits, Call::StretchBlt}));
    EXPECT_EQ(dc.of(Call::StretchBlt)[0].rop, RasterOp::SrcAnd);
}

struct FailureCase {
    const char* name;
    bool failCreate, failSetDIBits, failStretchBlt;
    const char* message;
    std::vector<Call> calls;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class BitmapFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(BitmapFailureTest, SaysWhatTheDeviceLacksAndRestoresThePalette) {
    const FailureCase& c = GetParam();
    OwnedDib pic = PatternPicture(8, 6, 8);
    int dummy = 0;
    const auto before = reinterpret_cast<PaletteHandle>(&dummy);
    RecordingDevice dc;
    dc.tech = Technology::RasterPrinter;
    dc.caps = 0;
    dc.failStretchDIBits = true;
    dc.failCreateBitmap = c.failCreate;
    dc.failSetDIBits = c.failSetDIBits;
    dc.failStretchBlt = c.failStretchBlt;
    dc.selected = before;
    RecordingSink sink;
    DrawDib(dc, 0, 0, 16, 12, *pic, 0, 0, 8, 6, true, RasterOp::SrcCopy, true, nullptr, sink);
    EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(kindsOf(dc), c.calls);
    EXPECT_EQ(dc.of(Call::SelectPalette).at(0).palette, pic->palette);
    EXPECT_EQ(dc.selected, before);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, BitmapFailureTest,
    ::testing::Values(FailureCase{"NoBitmap",
                                  true,
                                  false,
                                  false,
                                  "Could not create bitmap.",
                                  {Call::StretchDIBits, Call::CreateCompatibleBitmap}},
                      FailureCase{
                          "NoSetDIBits",
                          false,
                          true,
                          false,
                          "The device does not support the Funtkion setdibits!",
                          {Call::StretchDIBits, Call::CreateCompatibleBitmap, Call::SetDIBits}},
                      FailureCase{"NoStretchBlt",
                                  false,
                                  false,
                                  true,
                                  "The device does not support the function StretchBlt!",
                                  {Call::StretchDIBits, Call::CreateCompatibleBitmap,
                                   Call::SetDIBits, Call::StretchBlt}}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

}  // namespace
}  // namespace grimora
