// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "app/dialogs/print_layout.h"

namespace grimora {
namespace {

PrintOptions Options(bool full, int w, int h, bool aspect, bool centred) {
    return {full, w, h, aspect, centred};
}

struct Placement {
    const char* name;
    int64_t areaWidth, areaHeight, pictureWidth, pictureHeight;
    PrintOptions options;
    PrintRect expected;
};

TEST(PrintLayout, PlacesThePictureForEveryOptionOnPortraitAndLandscapePages) {
    // A 2 : 1 picture on a portrait area of 1000 x 1400 and a landscape one
    // of 1400 x 1000.
    const Placement cases[] = {
        {"full, aspect, centred, portrait",
         1000,
         1400,
         400,
         200,
         Options(true, 50, 50, true, true),
         {0, 450, 1000, 500}},
        {"full, aspect, centred, landscape",
         1400,
         1000,
         400,
         200,
         Options(true, 50, 50, true, true),
         {0, 150, 1400, 700}},
        {"full, aspect, top-left, landscape",
         1400,
         1000,
         400,
         200,
         Options(true, 50, 50, true, false),
         {0, 0, 1400, 700}},
        {"tall picture fills the height",
         1400,
         1000,
         100,
         400,
         Options(true, 50, 50, true, true),
         {575, 0, 250, 1000}},
        {"full, stretched, top-left, portrait",
         1000,
         1400,
         400,
         200,
         Options(true, 50, 50, false, false),
         {0, 0, 1000, 1400}},
        {"full, stretched, centred fills anyway",
         1400,
         1000,
         400,
         200,
         Options(true, 10, 10, false, true),
         {0, 0, 1400, 1000}},
        {"user 50 x 50, aspect, centred, portrait",
         1000,
         1400,
         400,
         200,
         Options(false, 50, 50, true, true),
         {250, 575, 500, 250}},
        {"user 50 x 50, aspect, centred, landscape",
         1400,
         1000,
         400,
         200,
         Options(false, 50, 50, true, true),
         {350, 325, 700, 350}},
        {"user 30 x 80, stretched, top-left, portrait",
         1000,
         1400,
         400,
         200,
         Options(false, 30, 80, false, false),
         {0, 0, 300, 1120}},
        {"user 30 x 80, stretched, centred, landscape",
         1400,
         1000,
         400,
         200,
         Options(false, 30, 80, false, true),
         {490, 100, 420, 800}},
        {"percentages out of range are held to 1 and 100",
         1000,
         1400,
         400,
         200,
         Options(false, 250, 0, false, false),
         {0, 0, 1000, 14}},
        {"a picture of one pixel row stays visible",
         1000,
         1400,
         5000,
         1,
         Options(false, 1, 1, true, false),
         {0, 0, 10, 1}},
        {"no printable area", 0, 1400, 400, 200, Options(true, 50, 50, true, true), {}},
        {"no picture", 1000, 1400, 0, 200, Options(true, 50, 50, true, true), {}},
    };
    for (const Placement& c : cases) {
        SCOPED_TRACE(c.name);
        const PrintRect r =
            PlacePicture(c.areaWidth, c.areaHeight, c.pictureWidth, c.pictureHeight, c.options);
        EXPECT_EQ(r, c.expected) << r.x << ", " << r.y << ", " << r.width << " x " << r.height;
        EXPECT_LE(r.x + r.width, c.areaWidth);
        EXPECT_LE(r.y + r.height, c.areaHeight);
    }
}

TEST(PrintLayout, TheOtherPercentageKeepsThePicturesShape) {
    // 50 % of a portrait area's 1000 is 500; half that, 250, is 17.9 % of 1400.
    EXPECT_EQ(HeightPercentForWidth(50, 1000, 1400, 400, 200, 7), 18);
    EXPECT_EQ(HeightPercentForWidth(50, 1400, 1000, 400, 200, 7), 35);
    EXPECT_EQ(WidthPercentForHeight(35, 1400, 1000, 400, 200, 7), 50);
    EXPECT_EQ(WidthPercentForHeight(18, 1000, 1400, 400, 200, 7), 50);
    // A square picture on a square area: the same percentage.
    EXPECT_EQ(HeightPercentForWidth(63, 900, 900, 20, 20, 7), 63);
    // Held within 1 to 100.
    EXPECT_EQ(HeightPercentForWidth(100, 1400, 1000, 100, 400, 7), 100);
    EXPECT_EQ(WidthPercentForHeight(100, 1000, 1400, 400, 100, 7), 100);
    EXPECT_EQ(HeightPercentForWidth(1, 1000, 1400, 4000, 10, 7), 1);
    // Nothing to measure: the fallback.
    EXPECT_EQ(HeightPercentForWidth(50, 1000, 0, 400, 200, 7), 7);
    EXPECT_EQ(WidthPercentForHeight(50, 1000, 1400, 400, 0, 7), 7);
}

TEST(PrintLayout, ThePreviewFitsTheSheetAndPutsThePictureWhereItPrints) {
    PageMetrics landscape{2000, 1000, {100, 50, 1800, 900}};
    // The sheet's width takes the box's 174 free pixels: scale 0.087.
    const PagePreview wide =
        PreviewPage(landscape, 190, 190, 8, 40, 20, Options(true, 50, 50, true, true));
    EXPECT_EQ(wide.page, (PrintRect{8, 51, 174, 87}));
    EXPECT_EQ(wide.picture, (PrintRect{17, 55, 156, 79}));

    PageMetrics portrait{1000, 2000, {0, 0, 1000, 2000}};
    const PagePreview tall =
        PreviewPage(portrait, 190, 190, 8, 40, 20, Options(false, 50, 50, false, false));
    EXPECT_EQ(tall.page, (PrintRect{51, 8, 87, 174}));
    EXPECT_EQ(tall.picture, (PrintRect{51, 8, 44, 87}));

    // A box too small for its margins shows nothing.
    EXPECT_EQ(PreviewPage(portrait, 16, 190, 8, 40, 20, {}).page, PrintRect{});
}

}  // namespace
}  // namespace grimora
