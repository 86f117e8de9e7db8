// SPDX-License-Identifier: GPL-3.0-or-later
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "editor/spin_text.h"
#include "editor/zoom_ratio.h"

namespace grimora {
namespace {

struct ZoomCase {
    const char* text;
    int32_t numerator;
    int32_t denominator;
};

class ZoomTable : public testing::TestWithParam<ZoomCase> {};

TEST_P(ZoomTable, GivesTheRatioOfTheDigits) {
    const ZoomCase& c = GetParam();
    const ZoomChange change = ZoomRatioFromText(c.text);
    ASSERT_EQ(change.outcome, ZoomOutcome::Changed) << c.text;
    EXPECT_EQ(change.ratio, (ZoomRatio{c.numerator, c.denominator})) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    FieldStepsAndTypedValues, ZoomTable,
    testing::Values(
        // The field's own steps below 1.
        ZoomCase{"0.1", 10, 100}, ZoomCase{"0.2", 10, 50}, ZoomCase{"0.3", 10, 33},
        ZoomCase{"0.4", 10, 25}, ZoomCase{"0.5", 10, 20}, ZoomCase{"0.6", 10, 16},
        ZoomCase{"0.7", 10, 14}, ZoomCase{"0.8", 10, 12}, ZoomCase{"0.9", 10, 11},
        // From 1 on, ten times the value over 10; binary doubles get some of
        // these one too small (2.3 * 10 = 22.99...).
        ZoomCase{"1.0", 10, 10}, ZoomCase{"1.1", 11, 10}, ZoomCase{"1.4", 14, 10},
        ZoomCase{"2.3", 23, 10}, ZoomCase{"4.1", 41, 10}, ZoomCase{"5.7", 57, 10},
        ZoomCase{"8.2", 82, 10}, ZoomCase{"9.9", 99, 10}, ZoomCase{"10.0", 100, 10},
        // Typed between the steps.
        ZoomCase{"0.35", 10, 28}, ZoomCase{"2.57", 25, 10}, ZoomCase{"0.123", 10, 81},
        // Spellings a field may hold.
        ZoomCase{"1", 10, 10}, ZoomCase{" 2 ", 20, 10}, ZoomCase{"+3.", 30, 10},
        ZoomCase{".5", 10, 20}, ZoomCase{"0,6", 10, 16}, ZoomCase{"007.50", 75, 10},
        // Exact where a double would round: 10 / 0.3333...34 is just below 30.
        ZoomCase{"0.33333333333333333333334", 10, 29}, ZoomCase{"0.25", 10, 40},
        ZoomCase{"0.0000000047", 10, 2127659574},
        // The largest numerator that fits.
        ZoomCase{"214748364.7", 2147483647, 10},
        // A text that is not a number reads as the minimum 0.1.
        ZoomCase{"", 10, 100}, ZoomCase{"abc", 10, 100}, ZoomCase{"1e2", 10, 100},
        ZoomCase{"1.2.3", 10, 100}, ZoomCase{"-", 10, 100}, ZoomCase{".", 10, 100}));

TEST(ZoomRatio, RefusesValuesWithoutAPositiveRatio) {
    struct Case {
        const char* text;
        ZoomOutcome outcome;
    };
    for (const Case& c : {
             Case{"0", ZoomOutcome::DivisionByZero},
             Case{"0.000", ZoomOutcome::DivisionByZero},
             Case{"-0", ZoomOutcome::DivisionByZero},
             Case{"-0.5", ZoomOutcome::Negative},
             Case{"-3", ZoomOutcome::Negative},
             Case{"214748364.8", ZoomOutcome::TooLarge},
             Case{"99999999999999999999999", ZoomOutcome::TooLarge},
             Case{"0.0000000001", ZoomOutcome::TooLarge},
             Case{"0.00000000465", ZoomOutcome::TooLarge},
         }) {
        EXPECT_EQ(ZoomRatioFromText(c.text).outcome, c.outcome) << c.text;
    }
}

TEST(ZoomRatio, ViewLengthAndBack) {
    const ZoomRatio twice{20, 10};
    const ZoomRatio third{10, 33};
    EXPECT_EQ(ViewLength(101, twice), 202);
    EXPECT_EQ(ViewLength(75, twice), 150);
    EXPECT_EQ(ViewLength(101, third), 30);
    EXPECT_EQ(ViewLength(75, third), 22);
    EXPECT_EQ(ViewLength(75, ZoomRatio{10, 16}), 46);  // 0.6 scales by 10 / 16

    // A large picture at a large zoom does not overflow.
    EXPECT_EQ(ViewLength(65535, ZoomRatio{2147483647, 10}), int64_t{65535} * 2147483647 / 10);

    EXPECT_EQ(PictureLength(201, twice), 100);
    EXPECT_EQ(PictureLength(29, third), 95);
    // Toward zero: less than one picture pixel left of the view is column 0.
    EXPECT_EQ(PictureLength(-1, twice), 0);
    EXPECT_EQ(PictureLength(-2, twice), -1);
    EXPECT_EQ(PictureLength(-1, ZoomRatio{1, 1}), -1);
    EXPECT_EQ(PictureLength(std::numeric_limits<int32_t>::min(), ZoomRatio{10, 2147483647}),
              int64_t{std::numeric_limits<int32_t>::min()} * 2147483647 / 10);
}

TEST(SpinText, ReadsTheFieldsNumbers) {
    EXPECT_DOUBLE_EQ(SpinEditValue("0.4", 0.1), 0.4);
    EXPECT_DOUBLE_EQ(SpinEditValue("-1", 0.1), -1.0);
    EXPECT_DOUBLE_EQ(SpinEditValue("2,5", 0.1), 2.5);
    EXPECT_DOUBLE_EQ(SpinEditValue("x", 5.0), 5.0);
    // Beyond the double range: the largest finite double, never infinity.
    EXPECT_EQ(SpinEditValue(std::string(400, '9'), 0.1), std::numeric_limits<double>::max());
    EXPECT_EQ(SpinEditValue("-" + std::string(400, '9'), 0.1), -std::numeric_limits<double>::max());
    // Too small for a double: zero, not the largest double.
    EXPECT_EQ(SpinEditValue("0." + std::string(400, '0') + "1", 0.1), 0.0);
    EXPECT_EQ(SpinEditValue("-0." + std::string(400, '0') + "1", 0.1), 0.0);
}

// Random pictures and areas: the text is the field's own (its formula gives
// the ratio), the picture fits at it, and the field's next larger ratio
// would not fit.
TEST(FitZoomText, GivesTheLargestOfTheFieldsZoomsThatFits) {
    std::mt19937 random(18);
    const auto fits = [](ZoomRatio zoom, int32_t w, int32_t h, int64_t aw, int64_t ah) {
        return ViewLength(w, zoom) <= aw && ViewLength(h, zoom) <= ah;
    };
    for (int round = 0; round < 20000; ++round) {
        const int32_t w = 1 + static_cast<int32_t>(random() % (round % 2 ? 100 : 30000));
        const int32_t h = 1 + static_cast<int32_t>(random() % (round % 2 ? 100 : 30000));
        const int64_t aw = 1 + random() % 3000;
        const int64_t ah = 1 + random() % 3000;
        const std::string text = FitZoomText(w, h, aw, ah);
        const ZoomChange change = ZoomRatioFromText(text);
        ASSERT_EQ(change.outcome, ZoomOutcome::Changed) << text;
        const ZoomRatio zoom = change.ratio;
        // The next larger of the field's ratios.
        const ZoomRatio larger =
            zoom.denominator == 10 ? ZoomRatio{zoom.numerator + 1, 10}
                                   : (zoom.denominator == 11 ? ZoomRatio{10, 10}
                                                             : ZoomRatio{10, zoom.denominator - 1});
        const bool smallest = zoom == ZoomRatio{10, 100};
        const bool largest = zoom == ZoomRatio{100, 10};
        ASSERT_TRUE(smallest || fits(zoom, w, h, aw, ah)) << text << " " << w << "x" << h;
        ASSERT_TRUE(largest || !fits(larger, w, h, aw, ah)) << text << " " << w << "x" << h;
        ASSERT_LE(text.size(), 6u) << text;
    }
    EXPECT_EQ(FitZoomText(6000, 4000, 550, 389), "0.1");
    EXPECT_EQ(FitZoomText(320, 200, 550, 389), "1.7");
    EXPECT_EQ(FitZoomText(1000, 1000, 370, 500), "0.37");
    EXPECT_EQ(FitZoomText(100000, 10, 500, 500), "0.1");
}

}  // namespace
}  // namespace grimora
