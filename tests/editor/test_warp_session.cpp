// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/warp_session.h"
#include "picture/dib_queries.h"
#include "picture/pictrix.h"
#include "warp/render.h"

namespace grimora {
namespace {

class Messages : public MessageSink {
public:
    std::vector<std::string> texts;
    void showMessage(const std::string& text) override { texts.push_back(text); }
};

bool allBytes(const Dib& dib, uint8_t value) {
    const uint32_t size = dib.info->bmiHeader.biSizeImage;
    for (uint32_t i = 0; i < size; ++i) {
        if (dib.bits[i] != value) {
            return false;
        }
    }
    return size > 0;
}

bool isIdentity(const DisplacementField& field) {
    for (int32_t r = 0; r < field.height(); ++r) {
        for (int32_t c = 0; c < field.width(); ++c) {
            if (field.at(c, r) != Displacement{c, r}) {
                return false;
            }
        }
    }
    return true;
}

TEST(WarpSession, StartsWithTheWhiteBlankPicture) {
    WarpSession session;
    EXPECT_EQ(DibWidth(session.source()), 320);
    EXPECT_EQ(DibHeight(session.source()), 200);
    EXPECT_EQ(DibBitCount(session.source()), 24);
    EXPECT_TRUE(allBytes(session.source(), 0xFF));
    EXPECT_EQ(DibWidth(session.result()), 320);
    EXPECT_EQ(DibHeight(session.result()), 200);
    EXPECT_EQ(DibBitCount(session.result()), 24);
    for (int32_t r = 0; r < 200; ++r) {
        const uint8_t* row = DibRow(session.result(), r);
        ASSERT_TRUE(std::all_of(row, row + 3 * 320, [](uint8_t b) { return b == 0xFF; })) << r;
    }
    EXPECT_EQ(session.field().width(), 320);
    EXPECT_EQ(session.field().height(), 200);
    EXPECT_TRUE(isIdentity(session.field()));
    EXPECT_EQ(session.zoom(), (ZoomRatio{1, 1}));
    EXPECT_EQ(session.viewWidth(), 320);
    EXPECT_EQ(session.viewHeight(), 200);
}

TEST(WarpSession, LoadTakesThePictureWithAFreshFieldAndKeepsTheZoom) {
    WarpSession session;
    ASSERT_TRUE(session.setZoom({20, 10}));
    OwnedDib picture;
    ASSERT_TRUE(picture.make(101, 75, 24));
    for (int32_t r = 0; r < 75; ++r) {
        for (int32_t c = 0; c < 101; ++c) {
            setpixel(picture.get(), c, r, static_cast<uint32_t>(c * 2 + (r << 8) + (r << 17)));
        }
    }
    const uint8_t* sourceBits = picture->bits;
    Messages messages;
    ASSERT_TRUE(session.loadPicture(std::move(picture), messages));
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(session.source().bits, sourceBits);
    EXPECT_EQ(session.field().width(), 101);
    EXPECT_EQ(session.field().height(), 75);
    EXPECT_TRUE(isIdentity(session.field()));
    for (int32_t r = 0; r < 75; ++r) {
        ASSERT_EQ(std::memcmp(DibRow(session.result(), r), DibRow(session.source(), r), 3 * 101), 0)
            << r;
    }
    EXPECT_EQ(session.zoom(), (ZoomRatio{20, 10}));
    EXPECT_EQ(session.viewWidth(), 202);
    EXPECT_EQ(session.viewHeight(), 150);
    ASSERT_TRUE(session.setZoom({10, 33}));
    EXPECT_EQ(session.viewWidth(), 30);
    EXPECT_EQ(session.viewHeight(), 22);
}

class QuietEffectHost : public EffectHost {
public:
    void SetProStatus(int32_t) override {}
    void PaintBox1Paint() override {}
};

// Renders the session's field from scratch, for comparison.
OwnedDib WholeRender(const WarpSession& session) {
    OwnedDib result;
    Messages messages;
    renderdi(session.source(), session.field(), result, messages);
    return result;
}

void ExpectSameRows(const Dib& a, const Dib& b) {
    ASSERT_EQ(DibWidth(a), DibWidth(b));
    ASSERT_EQ(DibHeight(a), DibHeight(b));
    for (int32_t r = 0; r < DibHeight(a); ++r) {
        ASSERT_EQ(std::memcmp(DibRow(a, r), DibRow(b, r), 3 * static_cast<size_t>(DibWidth(a))), 0)
            << "row " << r;
    }
}

// The partial render must match a whole one whatever the dabs since the last
// render: several at once, ones at the edges and one wholly outside.
TEST(WarpSession, RenderingWhatTheDabsChangedMatchesAWholeRender) {
    WarpSession session;
    OwnedDib picture;
    ASSERT_TRUE(picture.make(97, 61, 24));
    for (int32_t r = 0; r < 61; ++r) {
        for (int32_t c = 0; c < 97; ++c) {
            setpixel(picture.get(), c, r, static_cast<uint32_t>(c * 5 + (r << 10) + (c * r << 16)));
        }
    }
    Messages messages;
    ASSERT_TRUE(session.loadPicture(std::move(picture), messages));
    QuietEffectHost host;
    const auto dab = [&](int32_t x, int32_t y, EffectMode mode, int32_t radius) {
        EffectParams params;
        params.centreX = x;
        params.centreY = y;
        params.mouseX = x + 3;
        params.mouseY = y - 2;
        params.prevMouseX = x;
        params.prevMouseY = y;
        params.mode = mode;
        params.radius = radius;
        params.strength = 0.7;
        session.DoEffekt(params, host);
    };
    // What each render reports as rebuilt is what the views draw again.
    dab(20, 30, EffectMode::Grow, 12);
    EXPECT_EQ(session.renderChanged(messages), (DabRect{8, 18, 25, 25}));
    ExpectSameRows(session.result(), WholeRender(session).get());
    // Two dabs far apart before one render, the second over a corner.
    dab(80, 10, EffectMode::Shrink, 9);
    dab(0, 60, EffectMode::Smear, 15);
    EXPECT_EQ(session.renderChanged(messages), (DabRect{0, 1, 90, 60}));
    ExpectSameRows(session.result(), WholeRender(session).get());
    EXPECT_TRUE(session.renderChanged(messages).empty());
    dab(500, -40, EffectMode::Lug, 20);
    dab(50, 30, EffectMode::Rubber, 200);
    EXPECT_EQ(session.renderChanged(messages), (DabRect{0, 0, 97, 61}));
    ExpectSameRows(session.result(), WholeRender(session).get());
    EXPECT_TRUE(messages.texts.empty());
}

// A source that is not at 24 bits cannot be updated in place: the whole render
// runs and says why, at every step.
TEST(WarpSession, RenderingChangesOfAPalettePictureShowsTheMessageEachTime) {
    WarpSession session;
    OwnedDib picture;
    ASSERT_TRUE(picture.make(16, 16, 8));
    Messages messages;
    ASSERT_TRUE(session.loadPicture(std::move(picture), messages));
    ASSERT_EQ(messages.texts.size(), 1u);
    QuietEffectHost host;
    EffectParams params;
    params.centreX = 8;
    params.centreY = 8;
    params.radius = 5;
    session.DoEffekt(params, host);
    // Rendered whole, so the views must draw it whole.
    EXPECT_EQ(session.renderChanged(messages), (DabRect{0, 0, 16, 16}));
    EXPECT_EQ(session.renderChanged(messages), (DabRect{0, 0, 16, 16}));
    EXPECT_EQ(messages.texts, std::vector<std::string>(3, kNot24BitsMessage));
}

}  // namespace
}  // namespace grimora
