// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

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

class DrawDibTest : public ::testing::Test {
protected:
    void TearDown() override { SetScreenDepthHook(nullptr); }

    void setScreenDepth(int bits) {
        SetScreenDepthHook([this, bits] {
            ++depthQueries;
            return bits;
        });
    }

    // Draws the whole picture at destWidth x destHeight the way the views do.
    void drawWhole(DeviceContext& dc, const Dib& pic, int32_t destWidth, int32_t destHeight) {
        DrawDib(dc, 0, 0, destWidth, destHeight, pic, 0, 0, DibWidth(pic), DibHeight(pic), true,
                RasterOp::SrcCopy, true, nullptr, sink);
    }

    RecordingSink sink;
    int depthQueries = 0;
};

TEST(NearestQuotient, RoundsHalvesToEven) {
    struct Case {
        int64_t num, den, expected;
    };
    const Case cases[] = {{5, 2, 2},  {7, 2, 4}, {-5, 2, -2},         {-7, 2, -4}, {9, -2, -4},
                          {1, 3, 0},  {2, 3, 1}, {-2, 3, -1},         {10, 4, 2},  {14, 4, 4},
                          {11, 4, 3}, {0, 5, 0}, {200 * 50, 100, 100}};
    for (const Case& c : cases) {
        EXPECT_EQ(NearestQuotient(c.num, c.den), c.expected) << c.num << " / " << c.den;
    }
}

TEST_F(DrawDibTest, EnlargingSendsEachSourceRowTwiceAndShowsTheNearestPixels) {
    OwnedDib pic = PatternPicture(320, 200, 24);
    MemoryDevice screen(640, 400, kUntouched);
    RecordingDevice dc(&screen);
    drawWhole(dc, *pic, 640, 400);

    EXPECT_TRUE(dc.of(Call::StretchDIBits).empty());
    const std::vector<RecordedCall> rows = dc.of(Call::SetDIBitsToDevice);
    ASSERT_EQ(rows.size(), 400u);
    for (int64_t j = 0; j < 400; ++j) {
        const RecordedCall& row = rows[static_cast<std::size_t>(j)];
        ASSERT_EQ(row.args, (std::vector<int64_t>{0, j, 640, 1, 0, 0, 0, 1})) << j;
        ASSERT_EQ(row.bitCount, 24);
        ASSERT_EQ(row.dibWidth, 640);
        ASSERT_EQ(row.dibHeight, 1);
    }
    EXPECT_EQ(dc.of(Call::SetStretchBltMode).at(0).mode, StretchBltMode::ColorOnColor);
    EXPECT_TRUE(DeviceShows(screen, [&](int32_t x, int32_t y) {
        return ColourAt(*pic, x / 2, 199 - y / 2);  // columns 0, 0, 1, 1, ...
    }));
}

TEST_F(DrawDibTest, RowRepeatedWhenEnlargingIsSentWithoutBeingRebuilt) {
    OwnedDib pic = PatternPicture(32, 20, 24);
    RecordingDevice dc;
    dc.scribbleRows = true;
    drawWhole(dc, *pic, 64, 40);

    const std::vector<RecordedCall> rows = dc.of(Call::SetDIBitsToDevice);
    ASSERT_EQ(rows.size(), 40u);
    for (std::size_t j = 0; j < rows.size(); ++j) {
        const std::vector<uint8_t>& sent = rows[j].firstRow;
        if (j % 2 == 1) {
            // Our scribble over the previous row comes back: not copied again.
            EXPECT_EQ(sent, std::vector<uint8_t>(sent.size(), RecordingDevice::kScribble)) << j;
            continue;
        }
        const uint8_t* source = DibRow(*pic, 19 - static_cast<int32_t>(j / 2));
        for (int32_t i = 0; i < 64; ++i) {
            ASSERT_EQ(sent[3 * i], source[3 * (i / 2)]) << j << "," << i;
            ASSERT_EQ(sent[3 * i + 2], source[3 * (i / 2) + 2]) << j << "," << i;
        }
    }
}

TEST_F(DrawDibTest, ShrinkingThreeToOneTakesEveryThirdColumnAndRow) {
    OwnedDib pic = PatternPicture(300, 60, 24);
    MemoryDevice screen(100, 20, kUntouched);
    RecordingDevice dc(&screen);
    drawWhole(dc, *pic, 100, 20);
    EXPECT_EQ(dc.of(Call::SetDIBitsToDevice).size(), 20u);
    EXPECT_TRUE(DeviceShows(screen, [&](int32_t x, int32_t y) {
        return ColourAt(*pic, 3 * x, 59 - 3 * y);  // columns 0, 3, ... 297
    }));
}

TEST_F(DrawDibTest, AtItsOwnSizeEveryRowIsSentOnceFromTheTop) {
    OwnedDib pic = PatternPicture(50, 40, 24);
    RecordingDevice dc;
    drawWhole(dc, *pic, 50, 40);
    const std::vector<RecordedCall> rows = dc.of(Call::SetDIBitsToDevice);
    ASSERT_EQ(rows.size(), 40u);
    for (int32_t j = 0; j < 40; ++j) {
        const uint8_t* source = DibRow(*pic, 39 - j);
        EXPECT_TRUE(
            std::equal(source, source + 150, rows[static_cast<std::size_t>(j)].firstRow.begin()))
            << j;
    }
    // One batch around the rows, so that a device may draw them at once.
    ASSERT_EQ(dc.of(Call::BeginRows).size(), 1u);
    EXPECT_EQ(dc.of(Call::BeginRows)[0].args, (std::vector<int64_t>{0, 0, 50, 40}));
    EXPECT_EQ(dc.of(Call::EndRows).size(), 1u);
    EXPECT_EQ(dc.calls.back().call, Call::EndRows);
}

TEST_F(DrawDibTest, EightBitPicturesAreScaledThroughTheirColourTable) {
    setScreenDepth(8);
    OwnedDib pic = PatternPicture(37, 23, 8);
    ASSERT_EQ(pic->hasPalette, 1);
    MemoryDevice screen(90, 50, kUntouched);
    RecordingDevice dc(&screen);
    drawWhole(dc, *pic, 80, 45);

    EXPECT_EQ(depthQueries, 0);  // the display's depth matters for 24 bits only
    EXPECT_TRUE(dc.of(Call::StretchDIBits).empty());
    ASSERT_EQ(dc.of(Call::SetDIBitsToDevice).size(), 45u);
    EXPECT_EQ(dc.of(Call::SetDIBitsToDevice)[0].bitCount, 8);
    EXPECT_TRUE(DeviceShows(screen, [&](int32_t x, int32_t y) {
        return x < 80 && y < 45 ? NearestPixel(*pic, x, y, 80, 45, 0, 0, 37, 23) : kUntouched;
    }));
}

// A wide picture zoomed tenfold has rows wider than any picture the library
// makes; they must still be drawn.
TEST_F(DrawDibTest, RowsWiderThanTheLargestPictureAreDrawn) {
    constexpr int32_t kWide = kMaxPictureSide + 4465;  // 70000
    for (const int bitCount : {8, 24}) {
        OwnedDib pic = PatternPicture(8, 2, bitCount);
        MemoryDevice screen(kWide, 2, kUntouched);
        drawWhole(screen, *pic, kWide, 2);
        EXPECT_TRUE(DeviceShows(screen, [&](int32_t x, int32_t y) {
            return NearestPixel(*pic, x, y, kWide, 2, 0, 0, 8, 2);
        })) << bitCount;
    }
}

TEST_F(DrawDibTest, PartialSourceRectanglesShowTheirOwnPixels) {
    OwnedDib pic = PatternPicture(40, 30, 24);
    MemoryDevice screen(64, 64, kUntouched);
    // Columns 5 to 20 and memory rows 4 to 15, drawn at 3 : 2 into (7, 9).
    DrawDib(screen, 7, 9, 24, 18, *pic, 5, 4, 16, 12, true, RasterOp::SrcCopy, true, nullptr, sink);
    EXPECT_TRUE(DeviceShows(screen, [&](int32_t x, int32_t y) {
        const bool inside = x >= 7 && x < 31 && y >= 9 && y < 27;
        return inside ? NearestPixel(*pic, x - 7, y - 9, 24, 18, 5, 4, 16, 12) : kUntouched;
    }));
}

TEST_F(DrawDibTest, RowsOutsideThePictureComeOutBlack) {
    OwnedDib pic = PatternPicture(10, 8, 24);
    MemoryDevice screen(10, 10, kUntouched);
    // Two rows above the top and three columns left of the left edge.
    DrawDibRows24(screen, 0, 0, 10, 10, *pic, -3, -2, 10, 10);
    EXPECT_TRUE(DeviceShows(screen, [&](int32_t x, int32_t y) {
        return x < 3 || y < 2 ? 0u : ColourAt(*pic, x - 3, 7 - (y - 2));
    }));
}

// How a picture gets drawn, told from the calls the device saw.
enum class Way { Rows, Stretch, Halftone };

struct WayCase {
    const char* name;
    Technology technology;
    int bitCount;
    int screenDepth;
    bool halftone;
    Way way;
};

class DrawDibWayTest : public DrawDibTest, public ::testing::WithParamInterface<WayCase> {};

TEST_P(DrawDibWayTest, PicksTheWayAndRestoresThePalette) {
    const WayCase& c = GetParam();
    setScreenDepth(c.screenDepth);
    OwnedDib pic = PatternPicture(60, 40, c.bitCount);
    pic.edit().hasPalette = 1;  // every way must put the palette back
    OwnedDib other = PatternPicture(2, 2, 8);
    int dummy = 0;
    const auto before = reinterpret_cast<PaletteHandle>(&dummy);

    RecordingDevice dc;
    dc.tech = c.technology;
    dc.selected = before;
    DrawDib(dc, 3, 4, 90, 60, *pic, 0, 0, 60, 40, c.halftone, RasterOp::SrcInvert, false,
            other->palette, sink);

    const std::vector<RecordedCall> stretches = dc.of(Call::StretchDIBits);
    switch (c.way) {
        case Way::Rows:
            EXPECT_TRUE(stretches.empty());
            EXPECT_EQ(dc.of(Call::SetDIBitsToDevice).size(), 60u);
            break;
        case Way::Stretch:
            ASSERT_EQ(stretches.size(), 1u);
            EXPECT_EQ(stretches[0].args, (std::vector<int64_t>{3, 4, 90, 60, 0, 0, 60, 40}));
            EXPECT_EQ(stretches[0].bits, pic->bits);
            EXPECT_EQ(stretches[0].rop, RasterOp::SrcInvert);
            break;
        case Way::Halftone:
            ASSERT_EQ(stretches.size(), 1u);
            EXPECT_EQ(stretches[0].bitCount, 8);
            EXPECT_NE(stretches[0].bits, pic->bits);
            EXPECT_EQ(stretches[0].rop, RasterOp::SrcInvert);
            break;
    }
    const std::vector<RecordedCall> selections = dc.of(Call::SelectPalette);
    ASSERT_FALSE(selections.empty());
    EXPECT_EQ(selections.front().palette, other->palette);
    EXPECT_EQ(selections.front().args, std::vector<int64_t>{0});  // not forced to the background
    EXPECT_EQ(dc.selected, before);
    EXPECT_TRUE(sink.messages.empty());
}

constexpr Technology kScreen = Technology::RasterDisplay;
constexpr Technology kPrinter = Technology::RasterPrinter;

INSTANTIATE_TEST_SUITE_P(
    Ways, DrawDibWayTest,
    ::testing::Values(WayCase{"TrueColour24", kScreen, 24, 24, true, Way::Rows},
                      WayCase{"HighColour24", kScreen, 24, 16, true, Way::Rows},
                      WayCase{"EightBitScreen24", kScreen, 24, 8, true, Way::Halftone},
                      WayCase{"FourBitScreen24", kScreen, 24, 4, true, Way::Halftone},
                      WayCase{"EightBitScreen24NoHalftone", kScreen, 24, 8, false, Way::Rows},
                      WayCase{"EightBitScreen8", kScreen, 8, 8, true, Way::Rows},
                      WayCase{"Printer24", kPrinter, 24, 24, true, Way::Stretch},
                      WayCase{"Printer8", kPrinter, 8, 24, true, Way::Stretch},
                      WayCase{"PrinterOnEightBitScreen24", kPrinter, 24, 8, true, Way::Halftone},
                      WayCase{"Screen4", kScreen, 4, 24, true, Way::Stretch},
                      WayCase{"Screen1", kScreen, 1, 24, true, Way::Stretch},
                      WayCase{"Screen32", kScreen, 32, 24, true, Way::Stretch},
                      WayCase{"Printer1", kPrinter, 1, 8, true, Way::Stretch}),
    [](const ::testing::TestParamInfo<WayCase>& info) { return info.param.name; });

TEST_F(DrawDibTest, HalftonesAtTheReducedSizeWhenShrinking) {
    setScreenDepth(8);
    OwnedDib pic = PatternPicture(200, 100, 24);
    RecordingDevice dc;
    // Source 100 x 50 at (50, 20) into 40 x 20: halftoned at 80 x 40, of which
    // the matching 40 x 20 is copied one to one.
    DrawDib(dc, 5, 6, 40, 20, *pic, 50, 20, 100, 50, true, RasterOp::SrcCopy, true, nullptr, sink);
    EXPECT_GE(depthQueries, 1);
    const std::vector<RecordedCall> stretches = dc.of(Call::StretchDIBits);
    ASSERT_EQ(stretches.size(), 1u);
    EXPECT_EQ(stretches[0].dibWidth, 80);
    EXPECT_EQ(stretches[0].dibHeight, 40);
    EXPECT_EQ(stretches[0].args, (std::vector<int64_t>{5, 6, 40, 20, 20, 8, 40, 20}));
}

TEST_F(DrawDibTest, HalftonesAtFullSizeAndStretchesWhenEnlarging) {
    setScreenDepth(8);
    OwnedDib pic = PatternPicture(200, 100, 24);
    MemoryDevice screen(300, 150, kUntouched);
    RecordingDevice dc(&screen);
    DrawDib(dc, 0, 0, 300, 150, *pic, 50, 20, 100, 50, true, RasterOp::SrcCopy, true, nullptr,
            sink);
    const std::vector<RecordedCall> stretches = dc.of(Call::StretchDIBits);
    ASSERT_EQ(stretches.size(), 1u);
    EXPECT_EQ(stretches[0].dibWidth, 200);
    EXPECT_EQ(stretches[0].dibHeight, 100);
    EXPECT_EQ(stretches[0].args, (std::vector<int64_t>{0, 0, 300, 150, 50, 20, 100, 50}));
    // Each source pixel became a 3 x 3 block of one halftone colour.
    for (int32_t y = 0; y < 150; y += 3) {
        for (int32_t x = 0; x < 300; x += 3) {
            ASSERT_NE(screen.pixel(x, y), kUntouched);
            ASSERT_EQ(screen.pixel(x + 2, y + 2), screen.pixel(x, y)) << x << "," << y;
        }
    }
}

// Clipping, seen in the arguments of the stretch a printer gets. The picture
// is 100 x 80.
struct ClipCase {
    const char* name;
    int32_t dest[4];  // x, y, width, height
    int32_t src[4];
    int64_t expectedDest[4];
    int64_t expectedSrc[4];
};

class DrawDibClipTest : public DrawDibTest, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(DrawDibClipTest, ClipsTheSourceAndShrinksTheDestination) {
    const ClipCase& c = GetParam();
    OwnedDib pic = PatternPicture(100, 80, 24);
    RecordingDevice dc;
    dc.tech = Technology::RasterPrinter;
    DrawDib(dc, c.dest[0], c.dest[1], c.dest[2], c.dest[3], *pic, c.src[0], c.src[1], c.src[2],
            c.src[3], true, RasterOp::SrcCopy, true, nullptr, sink);
    const std::vector<RecordedCall> stretches = dc.of(Call::StretchDIBits);
    ASSERT_EQ(stretches.size(), 1u);
    const std::vector<int64_t> expected{c.expectedDest[0], c.expectedDest[1], c.expectedDest[2],
                                        c.expectedDest[3], c.expectedSrc[0],  c.expectedSrc[1],
                                        c.expectedSrc[2],  c.expectedSrc[3]};
    EXPECT_EQ(stretches[0].args, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, DrawDibClipTest,
    ::testing::Values(
        ClipCase{"Inside", {1, 2, 30, 40}, {10, 20, 30, 40}, {1, 2, 30, 40}, {10, 20, 30, 40}},
        // Half the width beyond the right edge: half the width, same destX.
        ClipCase{
            "RightHalf", {10, 5, 200, 160}, {50, 0, 100, 80}, {10, 5, 100, 160}, {50, 0, 50, 80}},
        // srcY + srcHeight = H + 10: destY moves down by the height of 10 rows.
        ClipCase{
            "TopTenRows", {0, 0, 100, 160}, {0, 10, 100, 80}, {0, 20, 100, 140}, {0, 10, 100, 70}},
        ClipCase{"Bottom", {0, 3, 100, 160}, {0, -10, 100, 80}, {0, 3, 100, 140}, {0, 0, 100, 70}},
        ClipCase{"Left", {0, 0, 200, 160}, {-25, 0, 100, 80}, {50, 0, 150, 160}, {0, 0, 75, 80}},
        ClipCase{
            "HalfRoundsDownToEven", {0, 0, 5, 160}, {99, 0, 2, 80}, {0, 0, 2, 160}, {99, 0, 1, 80}},
        ClipCase{
            "HalfRoundsUpToEven", {0, 0, 7, 160}, {99, 0, 2, 80}, {0, 0, 4, 160}, {99, 0, 1, 80}},
        ClipCase{"AllFourEdges",
                 {0, 0, 240, 192},
                 {-10, -8, 120, 96},
                 {20, 16, 200, 160},
                 {0, 0, 100, 80}}),
    [](const ::testing::TestParamInfo<ClipCase>& info) { return info.param.name; });

TEST_F(DrawDibTest, SourcesOutsideThePictureOrEmptyDrawNothing) {
    OwnedDib pic = PatternPicture(100, 80, 24);
    struct Source {
        int32_t x, y, width, height;
    };
    const Source sources[] = {
        {100, 0, 10, 10}, {-10, 0, 10, 80}, {0, 80, 100, 10}, {0, -80, 100, 80}, {0, 0, 0, 80},
        {0, 0, 100, 0},   {0, 0, -5, 80},   {99, 0, 100, 80},  // one column into a destination 50
                                                               // wide: rounds to nothing
    };
    for (const Technology tech : {Technology::RasterDisplay, Technology::RasterPrinter}) {
        for (const Source& s : sources) {
            RecordingDevice dc;
            dc.tech = tech;
            DrawDib(dc, 0, 0, 50, 40, *pic, s.x, s.y, s.width, s.height, true, RasterOp::SrcCopy,
                    true, nullptr, sink);
            for (const RecordedCall& call : dc.calls) {
                EXPECT_EQ(call.call, Call::SetStretchBltMode) << s.x << "," << s.y;
            }
        }
    }
}

TEST_F(DrawDibTest, ClippedSourceLeavesTheRestOfTheDestinationAlone) {
    OwnedDib pic = PatternPicture(100, 80, 24);
    MemoryDevice screen(200, 200, kUntouched);
    // Right half beyond the picture, top 10 rows beyond it.
    DrawDib(screen, 0, 0, 200, 160, *pic, 50, 10, 100, 80, true, RasterOp::SrcCopy, true, nullptr,
            sink);
    // Destination 100 wide; 140 high from y = 20.
    EXPECT_TRUE(DeviceShows(screen, [&](int32_t x, int32_t y) {
        const bool inside = x < 100 && y >= 20 && y < 160;
        return inside ? NearestPixel(*pic, x, y - 20, 100, 140, 50, 10, 50, 70) : kUntouched;
    }));
}

TEST(MemoryDevice, RasterOperationsCombineWithWhatIsThere) {
    OwnedDib pic;
    ASSERT_TRUE(pic.make(1, 1, 24));
    setpixel(*pic, 0, 0, draw_test::kRopSource);
    for (const draw_test::RasterOpCase& c : draw_test::RasterOpCases()) {
        MemoryDevice device(2, 2, draw_test::kRopBackground);
        EXPECT_EQ(device.stretchDIBits(0, 0, 2, 2, 0, 0, 1, 1, pic->bits, *pic->info, c.rop), 1);
        EXPECT_EQ(device.pixel(1, 1), c.expected) << static_cast<uint32_t>(c.rop);
    }
}

}  // namespace
}  // namespace grimora
