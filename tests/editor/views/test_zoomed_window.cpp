// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>
#include <vector>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "editor/views/zoomed_window.h"
#include "editor/zoom_ratio.h"
#include "picture/dib_queries.h"
#include "picture/draw_dib.h"
#include "platform/qt_device_context.h"
#include "view_test_support.h"

namespace grimora {
namespace {

class QuietSink : public MessageSink {
public:
    void showMessage(const std::string&) override {}
};

OwnedDib EightBitPicture(int32_t width, int32_t height) {
    BitmapInfo colours;
    for (int k = 0; k < kMaxColours; ++k) {
        colours.bmiColors[k] = {static_cast<uint8_t>(k), static_cast<uint8_t>(255 - k),
                                static_cast<uint8_t>(k * 7), 0};
    }
    OwnedDib picture;
    picture.make(width, height, 8, &colours, kMaxColours);
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            DibRow(picture.get(), r)[c] = static_cast<uint8_t>(c * 3 + r * 11);
        }
    }
    return picture;
}

// The whole view drawn by DrawDib, then the window cut out of it.
QImage ThroughDrawDib(const Dib& picture, int32_t dw, int32_t dh, QRect window) {
    QImage view(dw, dh, QImage::Format_RGB32);
    view.fill(Qt::magenta);
    {
        QPainter painter(&view);
        QtDeviceContext dc(painter);
        QuietSink messages;
        DrawDib(dc, 0, 0, dw, dh, picture, 0, 0, DibWidth(picture), DibHeight(picture), true,
                RasterOp::SrcCopy, true, nullptr, messages);
    }
    QImage part(window.size(), QImage::Format_RGB32);
    part.fill(Qt::magenta);
    QPainter painter(&part);
    painter.drawImage(-window.topLeft(), view);
    return part;
}

TEST(DrawZoomedWindow, GivesThePixelsOfDrawDibForTheWholeView) {
    struct Row {
        const char* name;
        int32_t w, h, num, den;
        QRect window;
    };
    const std::vector<Row> rows = {
        {"one to one", 37, 23, 1, 1, {5, 3, 20, 15}},
        {"zoom 0.6 is 10 : 16", 101, 75, 10, 16, {0, 0, 63, 46}},
        {"zoom 0.3, odd size", 101, 75, 10, 33, {7, 4, 40, 30}},
        {"zoom 2.5 in the middle", 41, 29, 25, 10, {30, 20, 50, 40}},
        {"zoom 10 at the far corner", 30, 20, 100, 10, {250, 170, 60, 40}},
        {"reaching past the view", 30, 20, 20, 10, {40, 30, 50, 50}},
        {"before the view", 30, 20, 20, 10, {-10, -5, 30, 30}},
    };
    const OwnedDib eight = EightBitPicture(101, 75);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const OwnedDib picture = view_test::PatternPicture(row.w, row.h);
        const ZoomRatio zoom{row.num, row.den};
        const auto dw = static_cast<int32_t>(ViewLength(row.w, zoom));
        const auto dh = static_cast<int32_t>(ViewLength(row.h, zoom));
        QImage window(row.window.size(), QImage::Format_RGB32);
        window.fill(Qt::magenta);
        ASSERT_TRUE(DrawZoomedWindow(window, row.window.topLeft(), *picture, dw, dh));
        EXPECT_EQ(window, ThroughDrawDib(*picture, dw, dh, row.window));

        if (row.w == 101) {  // the palette picture takes the same way
            window.fill(Qt::magenta);
            ASSERT_TRUE(DrawZoomedWindow(window, row.window.topLeft(), *eight, dw, dh));
            EXPECT_EQ(window, ThroughDrawDib(*eight, dw, dh, row.window));
        }
    }
}

TEST(DrawZoomedWindow, LeavesOtherWaysToDrawDib) {
    QImage window(10, 10, QImage::Format_RGB32);
    const OwnedDib picture = view_test::PatternPicture(8, 8);
    OwnedDib four;
    four.make(8, 8, 4);
    EXPECT_FALSE(DrawZoomedWindow(window, {0, 0}, *four, 8, 8));
    SetScreenDepthHook([] { return 8; });  // 24 bits are halftoned there
    EXPECT_FALSE(DrawZoomedWindow(window, {0, 0}, *picture, 8, 8));
    SetScreenDepthHook(nullptr);
    EXPECT_TRUE(DrawZoomedWindow(window, {0, 0}, *picture, 8, 8));
}

// Exactly the view pixels whose source pixel lies in the rectangle: none
// missing (a change would stay unseen), none more (it would cost).
TEST(ZoomedViewRect, HoldsExactlyThePixelsThatShowTheRectangle) {
    struct Row {
        int32_t width, height, destWidth, destHeight;
    };
    const std::vector<DabRect> rects = {{0, 0, 1, 1},   {5, 3, 7, 4},     {-20, -9, 30, 12},
                                        {30, 20, 9, 9}, {36, 24, 20, 20}, {0, 0, 37, 25},
                                        {50, 10, 4, 4}, {10, -30, 3, 10}};
    for (const Row& row : {Row{37, 25, 7, 5}, Row{37, 25, 11, 7}, Row{37, 25, 37, 25},
                           Row{37, 25, 111, 75}, Row{37, 25, 370, 250}, Row{1, 1, 10, 10}}) {
        for (const DabRect& rect : rects) {
            SCOPED_TRACE(testing::Message()
                         << row.destWidth << "x" << row.destHeight << " rect " << rect.x << ","
                         << rect.y << " " << rect.width << "x" << rect.height);
            const QRect area =
                ZoomedViewRect(rect, row.width, row.height, row.destWidth, row.destHeight);
            for (int j = 0; j < row.destHeight; ++j) {
                const int64_t memoryRow = row.height - 1 - int64_t{row.height} * j / row.destHeight;
                for (int i = 0; i < row.destWidth; ++i) {
                    const int64_t column = int64_t{row.width} * i / row.destWidth;
                    const bool shows = column >= rect.x && column < int64_t{rect.x} + rect.width &&
                                       memoryRow >= rect.y &&
                                       memoryRow < int64_t{rect.y} + rect.height;
                    ASSERT_EQ(area.contains(i, j), shows) << "view pixel " << i << "," << j;
                }
            }
        }
    }
    EXPECT_TRUE(ZoomedViewRect({0, 0, 5, 5}, 10, 10, 0, 0).isEmpty());
}

}  // namespace
}  // namespace grimora
