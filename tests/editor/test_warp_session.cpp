// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/warp_session.h"
#include "picture/dib_queries.h"

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

}  // namespace
}  // namespace grimora
