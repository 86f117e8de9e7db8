// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "warp/effect.h"
#include "warp_test_support.h"

namespace grimora {
namespace {

using namespace warp_test;

constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();
constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();

// The m for which m * m - 1 measures as m, up to 2 * 300 * 300.
bool MeasuresOneAbove(int64_t m) {
    const int64_t runs[][2] = {{3, 3},   {7, 8},     {11, 12},   {19, 21},  {33, 36},
                               {56, 63}, {100, 110}, {177, 196}, {321, 351}};
    for (const auto& run : runs) {
        if (m >= run[0] && m <= run[1]) {
            return true;
        }
    }
    return false;
}

uint64_t FloorSqrt(uint64_t n) {
    uint64_t s = static_cast<uint64_t>(std::sqrt(static_cast<long double>(n)));
    while (s * s > n) {
        --s;
    }
    while ((s + 1) * (s + 1) <= n) {
        ++s;
    }
    return s;
}

// The distance the brushes measure for n = dx^2 + dy^2 (small n only).
int64_t MeasuredDistance(int64_t n) {
    if (n == 0) {
        return 0;
    }
    const auto s = static_cast<int64_t>(FloorSqrt(static_cast<uint64_t>(n)));
    return (n + 1 == (s + 1) * (s + 1) && MeasuresOneAbove(s + 1)) ? s + 1 : s;
}

bool InDisc(int32_t x, int32_t y, int32_t radius, int32_t j, int32_t i) {
    if (radius <= 0) {
        return false;
    }
    const int64_t dx = int64_t{x} - j;
    const int64_t dy = int64_t{y} - i;
    return MeasuredDistance(dx * dx + dy * dy) <= radius;
}

// Fails for every entry that changed although it lies outside the disc.
void ExpectChangesOnlyInDisc(const std::vector<Displacement>& before,
                             const DisplacementField& after, const EffectParams& p) {
    for (int32_t i = 0; i < after.height(); ++i) {
        for (int32_t j = 0; j < after.width(); ++j) {
            if (!InDisc(p.centreX, p.centreY, p.radius, j, i)) {
                ASSERT_EQ(after.at(j, i), before[static_cast<std::size_t>(i) * after.width() + j])
                    << "column " << j << ", row " << i << " lies outside the disc";
            }
        }
    }
}

// ---------------------------------------------------------------------------
// The integer square root

TEST(HeronSqrt, ListedValues) {
    const struct {
        uint64_t n;
        int64_t root;
    } cases[] = {{1, 1},  {2, 1},  {3, 1},    {4, 2},    {8, 3},      {15, 3},      {48, 7},
                 {63, 8}, {99, 9}, {120, 11}, {360, 19}, {9999, 100}, {10000, 100}, {180000, 424}};
    for (const auto& c : cases) {
        EXPECT_EQ(HeronSqrt(c.n), c.root) << c.n;
    }
}

TEST(HeronSqrt, IsTheFloorRootSaveForTheListedSquaresLessOne) {
    uint64_t s = 1;
    for (uint64_t n = 1; n <= 180000; ++n) {
        while ((s + 1) * (s + 1) <= n) {
            ++s;
        }
        const bool oneAbove = n + 1 == (s + 1) * (s + 1) && MeasuresOneAbove(int64_t(s + 1));
        ASSERT_EQ(HeronSqrt(n), static_cast<int64_t>(oneAbove ? s + 1 : s)) << n;
    }
}

// Distances across the largest pictures exceed 32 bits.
TEST(HeronSqrt, DistancesBeyond32Bits) {
    std::vector<uint64_t> ns = {uint64_t{1} << 32, (uint64_t{1} << 32) + 1, 65536ull * 65536 + 3,
                                2ull * 65534 * 65534, 2ull * 65535 * 65535};
    std::mt19937_64 gen(11);
    std::uniform_int_distribution<uint64_t> wide(uint64_t{1} << 31, 2ull * 65535 * 65535);
    for (int k = 0; k < 20000; ++k) {
        ns.push_back(wide(gen));
    }
    for (const uint64_t n : ns) {
        const auto s = static_cast<int64_t>(FloorSqrt(n));
        const int64_t got = HeronSqrt(n);
        const bool squareLessOne = n + 1 == static_cast<uint64_t>(s + 1) * (s + 1);
        if (squareLessOne) {
            EXPECT_TRUE(got == s || got == s + 1) << n << " gave " << got;
        } else {
            EXPECT_EQ(got, s) << n;
        }
    }
}

// Beyond any picture's distances the 32-bit difference can end the loop
// early: for 2^34 + 8 the steps are 2^33 + 4 and then 2^32 + 3, whose
// difference 2^32 + 1 reads as 1.
TEST(HeronSqrt, EndsOnA32BitDifference) {
    EXPECT_EQ(HeronSqrt((uint64_t{1} << 34) + 8), (int64_t{1} << 32) + 3);
}

// ---------------------------------------------------------------------------
// Grow and shrink, on the identity field of a 100 x 100 picture

struct ScaledEntry {
    const char* name;
    EffectMode mode;
    int32_t radius;
    double strength;
    int32_t centreX;
    int32_t column;
    int32_t row;
    Displacement expected;
};

class GrowShrinkExamples : public ::testing::TestWithParam<ScaledEntry> {};

TEST_P(GrowShrinkExamples, EntryTakesTheScaledPosition) {
    const ScaledEntry& c = GetParam();
    DisplacementField field = IdentityField(100, 100);
    const std::vector<Displacement> before = Entries(field);
    const EffectParams p = Dab(c.mode, c.centreX, 50, c.radius, c.strength);
    RecordingHost host;
    DoEffekt(field, p, host);
    EXPECT_EQ(field.at(c.column, c.row), c.expected);
    ExpectChangesOnlyInDisc(before, field, p);
}

INSTANTIATE_TEST_SUITE_P(
    Worked, GrowShrinkExamples,
    ::testing::Values(
        // d = 5 of 10: F = sqrt(0.5), 53.54 rounds to 54.
        ScaledEntry{"GrowHalfway", EffectMode::Grow, 10, 1.0, 50, 55, 50, {54, 50}},
        ScaledEntry{"GrowHalfwayInY", EffectMode::Grow, 10, 1.0, 50, 50, 55, {50, 54}},
        // d = 5 of 10 from (3, 4): 52.12 and 52.83.
        ScaledEntry{"GrowDiagonal", EffectMode::Grow, 10, 1.0, 50, 53, 54, {52, 53}},
        ScaledEntry{"GrowCentre", EffectMode::Grow, 10, 1.0, 50, 50, 50, {50, 50}},
        ScaledEntry{"GrowRim", EffectMode::Grow, 10, 1.0, 50, 60, 50, {60, 50}},
        // F = 0.5 exactly: 52.5 and 47.5 go to the even neighbour.
        ScaledEntry{"GrowHalfToEvenDown", EffectMode::Grow, 20, 1.0, 50, 55, 50, {52, 50}},
        ScaledEntry{"GrowHalfToEvenUp", EffectMode::Grow, 20, 1.0, 50, 45, 50, {48, 50}},
        // Near-halves that only extended precision at each stage decides.
        // F = 0.95 held as the double just below it: -10 * F + 50 is 40.5 and
        // a little, which a double sum would round to 40.
        ScaledEntry{"GrowSampleInExtended", EffectMode::Grow, 40, 0.1, 50, 40, 50, {41, 50}},
        // F = 0.9 comes out just below 0.9 in extended and is held as the
        // double just above it: 45.5 less a little.
        ScaledEntry{"GrowFactorHeldAsDouble", EffectMode::Grow, 20, 0.2, 50, 45, 50, {45, 50}},
        // d = 32 of 50: q = 0.8 in extended gives F just below 0.94, a q in
        // double just above it; 26.5 and a little.
        ScaledEntry{"GrowRootInExtended", EffectMode::Grow, 50, 0.3, 50, 25, 70, {27, 69}},
        // F = 1 + 0.4 * (1 - sqrt(0.1)) = 1.2735: 51.27.
        ScaledEntry{"ShrinkNearCentre", EffectMode::Shrink, 10, 0.4, 50, 51, 50, {51, 50}},
        // F = 1.1172: 55.59 and 44.41.
        ScaledEntry{"ShrinkHalfway", EffectMode::Shrink, 10, 0.4, 50, 55, 50, {56, 50}},
        ScaledEntry{"ShrinkHalfwayInY", EffectMode::Shrink, 10, 0.4, 50, 50, 45, {50, 44}},
        // Centre at column 5, F = 1.7172 at d = 4: -1.87 is clamped to column 0.
        ScaledEntry{"ShrinkClampedAtTheLeftEdge", EffectMode::Shrink, 50, 1.0, 5, 1, 50, {0, 50}},
        // F = 2 * sqrt(0.5) - 1 = 0.4142 at d = 5 of 10: 52.07.
        ScaledEntry{"GrowTypedStrengthTwo", EffectMode::Grow, 10, 2.0, 50, 55, 50, {52, 50}},
        // F = 2 - sqrt(0.5) = 1.2929 at d = 5 of 10: 56.46.
        ScaledEntry{"GrowTypedStrengthMinusOne", EffectMode::Grow, 10, -1.0, 50, 55, 50, {56, 50}}),
    [](const ::testing::TestParamInfo<ScaledEntry>& info) { return std::string(info.param.name); });

TEST(GrowShrink, ASwitchThatIsOffLeavesItsComponentAlone) {
    for (const EffectMode mode : {EffectMode::Grow, EffectMode::Shrink}) {
        for (const bool xOnly : {true, false}) {
            DisplacementField field = IdentityField(100, 100);
            EffectParams p = Dab(mode, 50, 50, 20, 1.0);
            p.xSwitch = xOnly;
            p.ySwitch = !xOnly;
            p.normalize = true;
            RecordingHost host;
            DoEffekt(field, p, host);
            int changed = 0;
            for (int32_t i = 0; i < 100; ++i) {
                for (int32_t j = 0; j < 100; ++j) {
                    const Displacement e = field.at(j, i);
                    ASSERT_EQ(xOnly ? e.y : e.x, xOnly ? i : j) << j << ", " << i;
                    changed += (xOnly ? e.x != j : e.y != i) ? 1 : 0;
                }
            }
            EXPECT_GT(changed, 100);
        }
    }
}

// Grow and shrink read the field as it was before the dab: a second dab warps
// the first dab's result, not the identity.
TEST(GrowShrink, SamplesTheFieldAsItWasBeforeTheDab) {
    DisplacementField field = IdentityField(100, 100);
    field.at(52, 50) = Displacement{10, 20};
    RecordingHost host;
    DoEffekt(field, Dab(EffectMode::Grow, 50, 50, 20, 1.0), host);
    // Column 55 samples column 52 (see GrowHalfToEvenDown).
    EXPECT_EQ(field.at(55, 50), (Displacement{10, 20}));
    // Column 52 itself (d = 2, F = sqrt(0.1)) samples 50.63, column 51.
    EXPECT_EQ(field.at(52, 50), (Displacement{51, 50}));
}

// An infinite typed strength makes F infinite: samples go to the picture's
// edge on their side, never to an undefined conversion.
TEST(GrowShrink, InfiniteStrengthSamplesAtTheEdges) {
    DisplacementField field = IdentityField(100, 100);
    EffectParams p = Dab(EffectMode::Shrink, 50, 50, 10, std::numeric_limits<double>::infinity());
    p.ySwitch = false;
    RecordingHost host;
    DoEffekt(field, p, host);
    EXPECT_EQ(field.at(55, 50), (Displacement{99, 50}));
    EXPECT_EQ(field.at(45, 50), (Displacement{0, 50}));
    EXPECT_TRUE(InsidePicture(field));
}

TEST(Normalise, PullsEachChangedComponentATenthTowardIdentity) {
    DisplacementField field = IdentityField(100, 100);
    EffectParams p = Dab(EffectMode::Grow, 50, 50, 20, 1.0);
    p.normalize = true;
    RecordingHost host;
    DoEffekt(field, p, host);
    // Sampled 48, then 48 * 0.9 + 45 * 0.1 = 47.7.
    EXPECT_EQ(field.at(45, 50), (Displacement{47, 50}));
    // Sampled 52, then 52.3.
    EXPECT_EQ(field.at(55, 50), (Displacement{52, 50}));
}

// Blends whose exact value is whole stay whole: v * 0.9 + v * 0.1 is v, and
// v * 0.95 + v * 0.05 is v, for every v.
TEST(Normalise, EntriesAtIdentityStayAtIdentity) {
    const struct {
        EffectMode mode;
        bool normalize;
    } cases[] = {{EffectMode::Grow, true},
                 {EffectMode::Shrink, true},
                 {EffectMode::Lug, false},
                 {EffectMode::Rubber, true}};
    for (const auto& c : cases) {
        DisplacementField field = IdentityField(4000, 3);
        // Strength 0 makes F = 1: every entry samples its own position.
        EffectParams p = Dab(c.mode, 2000, 1, 5000, c.mode == EffectMode::Lug ? 0.4 : 0.0);
        p.normalize = c.normalize;
        RecordingHost host;
        DoEffekt(field, p, host);
        for (int32_t i = 0; i < 3; ++i) {
            for (int32_t j = 0; j < 4000; ++j) {
                ASSERT_EQ(field.at(j, i), (Displacement{j, i}))
                    << "mode " << static_cast<int>(c.mode) << " at " << j << ", " << i;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// The disc and the walk

// Rubber changes every entry of this field that it reaches, save the one
// whose own position is (98, 97).
DisplacementField Reachable() {
    return FilledField(100, 100, {98, 97});
}

TEST(Disc, MembershipFollowsTheMeasuredDistance) {
    const struct {
        int32_t radius;
        int32_t dx;
        int32_t dy;
        bool inside;
    } cases[] = {{2, 2, 2, false},  {2, -2, -2, false}, {2, 2, 1, true},    {2, -2, 1, true},
                 {2, 1, -2, true},  {2, 0, 2, true},    {18, 18, 6, false}, {18, 18, 5, true},
                 {10, 10, 0, true}, {10, 7, 7, true},   {10, 8, 8, false},  {10, 10, 4, true},
                 {10, 10, 5, false}};
    for (const auto& c : cases) {
        DisplacementField field = Reachable();
        RecordingHost host;
        DoEffekt(field, Dab(EffectMode::Rubber, 50, 50, c.radius, 0.4), host);
        EXPECT_EQ(field.at(50 + c.dx, 50 + c.dy) != (Displacement{98, 97}), c.inside)
            << "radius " << c.radius << " at (" << c.dx << ", " << c.dy << ")";
    }
}

TEST(Disc, OnlyTheDiscClippedToThePictureIsTouched) {
    const struct {
        int32_t x;
        int32_t y;
        int32_t radius;
    } centres[] = {{50, 50, 2},  {50, 50, 18}, {0, 50, 10}, {0, 0, 30},
                   {99, 99, 30}, {0, 99, 7},   {99, 0, 45}, {50, 50, 300}};
    for (const auto& c : centres) {
        DisplacementField field = Reachable();
        const std::vector<Displacement> before = Entries(field);
        const EffectParams p = Dab(EffectMode::Rubber, c.x, c.y, c.radius, 0.4);
        RecordingHost host;
        DoEffekt(field, p, host);
        for (int32_t i = 0; i < 100; ++i) {
            for (int32_t j = 0; j < 100; ++j) {
                const bool expectChange = InDisc(c.x, c.y, c.radius, j, i) && (j != 98 || i != 97);
                ASSERT_EQ(field.at(j, i) != before[i * 100 + j], expectChange)
                    << "centre (" << c.x << ", " << c.y << ") radius " << c.radius << " at " << j
                    << ", " << i;
            }
        }
    }
}

TEST(Dab, CentreOutsideThePictureDoesNothingAtAll) {
    const struct {
        int32_t x;
        int32_t y;
    } centres[] = {{-1, 50}, {100, 50}, {50, -1}, {50, 100}, {kMinInt, 50}, {50, kMaxInt}};
    for (int mode = 0; mode <= 4; ++mode) {
        for (const auto& c : centres) {
            DisplacementField field = Reachable();
            const std::vector<Displacement> before = Entries(field);
            EffectParams p = Dab(static_cast<EffectMode>(mode), c.x, c.y, 10, 0.5);
            p.mouseX = 30;
            RecordingHost host;
            DoEffekt(field, p, host);
            EXPECT_EQ(Entries(field), before);
            EXPECT_TRUE(host.events.empty()) << "mode " << mode << " at " << c.x << ", " << c.y;
        }
    }
}

TEST(Dab, RadiusOfZeroOrLessHandlesNothingButStillEnds) {
    for (const int32_t radius : {0, -5, kMinInt}) {
        for (int mode = 0; mode <= 4; ++mode) {
            DisplacementField field = Reachable();
            const std::vector<Displacement> before = Entries(field);
            EffectParams p = Dab(static_cast<EffectMode>(mode), 50, 50, radius, 0.5);
            p.mouseX = 30;
            RecordingHost host;
            DoEffekt(field, p, host);
            EXPECT_EQ(Entries(field), before) << radius;
            EXPECT_EQ(host.events, (std::vector{Progress(0)})) << radius;
        }
    }
}

std::vector<int32_t> Steps(int32_t from, int32_t to, int32_t step) {
    std::vector<int32_t> v;
    for (int32_t p = from; p <= to; p += step) {
        v.push_back(p);
    }
    return v;
}

TEST(Dab, ReportsProgressPerHandledRowThenZero) {
    std::vector<int32_t> huge(50, 49);
    huge.insert(huge.end(), 50, 50);
    const struct {
        const char* name;
        int32_t y;
        int32_t radius;
        std::vector<int32_t> rows;
    } cases[] = {
        {"whole disc", 50, 10, Steps(0, 100, 5)},
        {"clipped below", 2, 10, Steps(40, 100, 5)},
        {"clipped above", 97, 10, Steps(0, 60, 5)},
        {"odd radius", 50, 7, {0, 7, 14, 21, 28, 35, 42, 50, 57, 64, 71, 78, 85, 92, 100}},
        // (i - 50 + R) * 100 div 2R for the largest R: just under and at 50.
        {"largest radius", 50, kMaxInt, huge},
    };
    for (const auto& c : cases) {
        DisplacementField field = IdentityField(100, 100);
        RecordingHost host;
        DoEffekt(field, Dab(EffectMode::Rubber, 50, c.y, c.radius, 0.4), host);
        std::vector<RecordingHost::Event> expected;
        for (const int32_t percent : c.rows) {
            expected.push_back(Progress(percent));
        }
        expected.push_back(Progress(0));
        EXPECT_EQ(host.events, expected) << c.name;
    }
}

TEST(Dab, OnePixelPicture) {
    for (int mode = 0; mode <= 4; ++mode) {
        DisplacementField field = IdentityField(1, 1);
        EffectParams p = Dab(static_cast<EffectMode>(mode), 0, 0, 5, 1.0);
        p.mouseX = 40;
        p.mouseY = -40;
        RecordingHost host;
        DoEffekt(field, p, host);
        EXPECT_EQ(field.at(0, 0), (Displacement{0, 0})) << mode;
        EXPECT_EQ(host.events, (std::vector{Progress(50), Progress(0)})) << mode;
    }
}

// ---------------------------------------------------------------------------
// Rubber

TEST(Rubber, WorkedExample) {
    DisplacementField field = IdentityField(100, 100);
    field.at(50, 50) = {51, 49};
    field.at(60, 50) = {53, 50};
    const int32_t expected[] = {54, 55, 56, 60, 60};
    for (int dab = 0; dab < 5; ++dab) {
        RecordingHost host;
        DoEffekt(field, Dab(EffectMode::Rubber, 50, 50, 10, 0.4), host);
        EXPECT_EQ(field.at(50, 50), (Displacement{50, 50})) << dab;
        EXPECT_EQ(field.at(60, 50), (Displacement{expected[dab], 50})) << dab;
    }
}

TEST(Rubber, OneStepFromEachSideOfIdentity) {
    // Identity 60 in both components.
    const struct {
        int32_t v;
        int32_t next;
    } cases[] = {{0, 12},  {50, 52}, {55, 56}, {56, 60}, {57, 60}, {59, 60},
                 {60, 60}, {61, 60}, {64, 63}, {70, 68}, {99, 91}};
    for (const auto& c : cases) {
        DisplacementField field = IdentityField(100, 100);
        field.at(60, 60) = {c.v, c.v};
        RecordingHost host;
        DoEffekt(field, Dab(EffectMode::Rubber, 60, 60, 10, 0.4), host);
        EXPECT_EQ(field.at(60, 60), (Displacement{c.next, c.next})) << c.v;
    }
}

TEST(Rubber, IgnoresStrengthSwitchesAndNormalise) {
    DisplacementField a = RandomField(3);
    DisplacementField b(100, 100);
    std::copy(a.data(), a.data() + a.size(), b.data());
    RecordingHost host;
    EffectParams p = Dab(EffectMode::Rubber, 40, 60, 30, 0.4);
    DoEffekt(a, p, host);
    p.strength = -7.5;
    p.xSwitch = false;
    p.ySwitch = false;
    p.normalize = true;
    DoEffekt(b, p, host);
    EXPECT_EQ(Entries(a), Entries(b));
}

// ---------------------------------------------------------------------------
// Smear and lug, S = 0.5 and R = 10 at (50, 50) unless said otherwise

EffectParams Drag(EffectMode mode, int32_t x, int32_t y, int32_t dx, int32_t dy, double s = 0.5) {
    EffectParams p = Dab(mode, x, y, 10, s);
    p.prevMouseX = 100;
    p.prevMouseY = 100;
    p.mouseX = 100 + dx;
    p.mouseY = 100 + dy;
    return p;
}

TEST(Smear, MovementToTheRightIsLimitedToTen) {
    DisplacementField field = IdentityField(100, 100);
    RecordingHost host;
    DoEffekt(field, Drag(EffectMode::Smear, 50, 50, 30, 0), host);
    EXPECT_EQ(field.at(50, 50), (Displacement{45, 50}));
    EXPECT_EQ(field.at(55, 50), (Displacement{52, 50}));
    // t = Trunc(35 * 0.5 + 0.5 * 45) = 40, then (5 * 40 + 5 * 45) div 10.
    EXPECT_EQ(field.at(45, 50), (Displacement{42, 50}));
    EXPECT_EQ(field.at(60, 50), (Displacement{60, 50}));
    for (int32_t i = 0; i < 100; ++i) {
        for (int32_t j = 0; j < 100; ++j) {
            ASSERT_EQ(field.at(j, i).y, i);
        }
    }
}

TEST(Smear, DownwardMovementRaisesTheMemoryRow) {
    DisplacementField field = IdentityField(100, 100);
    RecordingHost host;
    DoEffekt(field, Drag(EffectMode::Smear, 50, 50, 0, 4), host);
    // t = Trunc(54 * 0.5 + 25) = 52.
    EXPECT_EQ(field.at(50, 50), (Displacement{50, 52}));
    // t = Trunc(59 * 0.5 + 27.5) = 57, then (5 * 57 + 5 * 55) div 10.
    EXPECT_EQ(field.at(50, 55), (Displacement{50, 56}));
}

TEST(Smear, ClampsAtTheLeftEdge) {
    for (const EffectMode mode : {EffectMode::Smear, EffectMode::Lug}) {
        DisplacementField field = IdentityField(100, 100);
        RecordingHost host;
        DoEffekt(field, Drag(mode, 2, 50, 30, 0), host);
        for (int32_t j = 0; j <= 4; ++j) {
            EXPECT_EQ(field.at(j, 50).x, 0) << j;
        }
        EXPECT_EQ(field.at(5, 50).x, 1);
        EXPECT_TRUE(InsidePicture(field));
    }
}

TEST(Smear, NoMovementLeavesEveryEntryAlone) {
    DisplacementField field = RandomField(5);
    const std::vector<Displacement> before = Entries(field);
    for (int tenths = 1; tenths <= 10; ++tenths) {
        EffectParams p = Drag(EffectMode::Smear, 50, 50, 0, 0, tenths / 10.0);
        p.radius = 80;
        RecordingHost host;
        DoEffekt(field, p, host);
        ASSERT_EQ(Entries(field), before) << tenths;
    }
}

TEST(Smear, HugeStrengthsPushEntriesToTheEdgeNotBeyond) {
    const struct {
        int32_t dx;
        double strength;
        int32_t inner;
    } cases[] = {{30, 1e12, 0}, {-30, 1e12, 99}, {30, -1e12, 99}, {-30, 1e300, 99}};
    for (const auto& c : cases) {
        DisplacementField field = IdentityField(100, 100);
        RecordingHost host;
        DoEffekt(field, Drag(EffectMode::Smear, 50, 50, c.dx, 0, c.strength), host);
        EXPECT_EQ(field.at(50, 50).x, c.inner) << c.strength;
        EXPECT_EQ(field.at(59, 50).x, c.inner) << c.strength;
        EXPECT_EQ(field.at(60, 50).x, 60) << "the rim keeps its value";
    }
}

TEST(Lug, PullsATwentiethTowardIdentityEvenWithoutMovement) {
    DisplacementField field = IdentityField(100, 100);
    field.at(50, 50) = {80, 20};
    RecordingHost host;
    DoEffekt(field, Drag(EffectMode::Lug, 50, 50, 0, 0, 0.4), host);
    // 80 * 0.95 + 50 * 0.05 = 78.5, 20 * 0.95 + 50 * 0.05 = 21.5.
    EXPECT_EQ(field.at(50, 50), (Displacement{78, 21}));
}

TEST(Lug, SmearsThenPulls) {
    DisplacementField field = IdentityField(100, 100);
    field.at(55, 50) = {90, 50};
    RecordingHost host;
    DoEffekt(field, Drag(EffectMode::Lug, 50, 50, -6, 0), host);
    // t = Trunc(96 * 0.5 + 45) = 93, (5 * 93 + 5 * 90) div 10 = 91,
    // 91 * 0.95 + 55 * 0.05 = 89.2.
    EXPECT_EQ(field.at(55, 50), (Displacement{89, 50}));
}

// ---------------------------------------------------------------------------
// Properties over many dabs with whatever values a user could type

double AnyStrength(std::mt19937_64& gen) {
    const double typed[] = {0.1,
                            0.4,
                            1.0,
                            0.0,
                            2.0,
                            -1.0,
                            1e9,
                            -1e9,
                            1e300,
                            -1e300,
                            5e-324,
                            std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity()};
    std::uniform_int_distribution<int> pick(0, 2 * std::size(typed));
    const int k = pick(gen);
    if (k < static_cast<int>(std::size(typed))) {
        return typed[k];
    }
    return std::uniform_real_distribution<double>(-3.0, 3.0)(gen);
}

int32_t AnyRadius(std::mt19937_64& gen) {
    const int32_t typed[] = {-5, 0, 1, 2, 3, 5, 50, 300, 5000, kMaxInt, kMinInt};
    std::uniform_int_distribution<int> pick(0, 2 * std::size(typed));
    const int k = pick(gen);
    if (k < static_cast<int>(std::size(typed))) {
        return typed[k];
    }
    return std::uniform_int_distribution<int32_t>(1, 40)(gen);
}

int32_t AnyMouse(std::mt19937_64& gen) {
    std::uniform_int_distribution<int> pick(0, 20);
    switch (pick(gen)) {
        case 0:
            return kMinInt;
        case 1:
            return kMaxInt;
        default:
            return std::uniform_int_distribution<int32_t>(-1000, 1000)(gen);
    }
}

TEST(EffectProperties, RandomDabsKeepTheFieldInsideAndReportAsDescribed) {
    constexpr int32_t w = 37;
    constexpr int32_t h = 23;
    DisplacementField field = IdentityField(w, h);
    std::mt19937_64 gen(20240601);
    std::uniform_int_distribution<int> anyMode(0, 4);
    std::uniform_int_distribution<int32_t> anyX(-3, w + 2);
    std::uniform_int_distribution<int32_t> anyY(-3, h + 2);
    std::bernoulli_distribution coin(0.5);
    int handledDabs = 0;
    for (int dab = 0; dab < 6000; ++dab) {
        EffectParams p;
        p.mode = static_cast<EffectMode>(anyMode(gen));
        p.centreX = anyX(gen);
        p.centreY = anyY(gen);
        p.mouseX = AnyMouse(gen);
        p.mouseY = AnyMouse(gen);
        p.prevMouseX = coin(gen) ? p.mouseX : AnyMouse(gen);
        p.prevMouseY = coin(gen) ? p.mouseY : AnyMouse(gen);
        p.xSwitch = coin(gen);
        p.ySwitch = coin(gen);
        p.normalize = coin(gen);
        p.strength = AnyStrength(gen);
        p.radius = AnyRadius(gen);
        // Now and then a way back, so that the field does not stay squashed.
        if (dab % 50 == 49) {
            p.mode = EffectMode::Rubber;
        }

        const std::vector<Displacement> before = Entries(field);
        RecordingHost host;
        DoEffekt(field, p, host);
        const std::string what = "dab " + std::to_string(dab);

        ASSERT_TRUE(InsidePicture(field)) << what;
        ASSERT_NO_FATAL_FAILURE(ExpectChangesOnlyInDisc(before, field, p)) << what;

        const bool inside = p.centreX >= 0 && p.centreX < w && p.centreY >= 0 && p.centreY < h;
        if (!inside) {
            ASSERT_TRUE(host.events.empty()) << what;
            ASSERT_EQ(Entries(field), before) << what;
            continue;
        }
        ++handledDabs;
        int64_t rows = 0;
        if (p.radius > 0) {
            const int64_t lo = std::max<int64_t>(0, int64_t{p.centreY} - p.radius);
            const int64_t hi = std::min<int64_t>(h - 1, int64_t{p.centreY} + p.radius);
            rows = hi - lo + 1;
        }
        ASSERT_EQ(host.events.size(), static_cast<std::size_t>(rows + 1)) << what;
        for (int64_t k = 0; k < rows; ++k) {
            const RecordingHost::Event e = host.events[k];
            ASSERT_GE(e.percent, 0) << what;
            ASSERT_LE(e.percent, 100) << what;
            if (k > 0) {
                ASSERT_GE(e.percent, host.events[k - 1].percent) << what;
            }
        }
        ASSERT_EQ(host.events[rows], Progress(0)) << what;
    }
    EXPECT_GT(handledDabs, 3000);
}

TEST(EffectProperties, RubberBringsAnyFieldBackToIdentity) {
    constexpr int32_t w = 37;
    constexpr int32_t h = 23;
    std::mt19937_64 gen(99);
    std::uniform_int_distribution<int32_t> anyX(0, w - 1);
    std::uniform_int_distribution<int32_t> anyY(0, h - 1);
    for (int trial = 0; trial < 50; ++trial) {
        DisplacementField field(w, h);
        for (std::size_t k = 0; k < field.size(); ++k) {
            field.data()[k] = {anyX(gen), anyY(gen)};
        }
        // Radius 45 covers the whole picture from anywhere in it.
        const EffectParams p = Dab(EffectMode::Rubber, anyX(gen), anyY(gen), 45, 0.4);
        int dabs = 0;
        for (; dabs < 20; ++dabs) {
            const std::vector<Displacement> before = Entries(field);
            if (before == Entries(IdentityField(w, h))) {
                break;
            }
            RecordingHost host;
            DoEffekt(field, p, host);
            // Every component off its identity value comes strictly closer.
            for (int32_t i = 0; i < h; ++i) {
                for (int32_t j = 0; j < w; ++j) {
                    const Displacement was = before[static_cast<std::size_t>(i) * w + j];
                    const Displacement now = field.at(j, i);
                    ASSERT_TRUE(was.x == j ? now.x == j
                                           : std::abs(now.x - j) < std::abs(was.x - j));
                    ASSERT_TRUE(was.y == i ? now.y == i
                                           : std::abs(now.y - i) < std::abs(was.y - i));
                }
            }
        }
        EXPECT_LT(dabs, 20) << "trial " << trial;
    }
}

}  // namespace
}  // namespace grimora
