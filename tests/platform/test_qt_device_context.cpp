// SPDX-License-Identifier: GPL-3.0-or-later
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QScreen>

#include <gtest/gtest.h>

#include "../picture/recording_device.h"
#include "picture/dib_queries.h"
#include "picture/draw_dib.h"
#include "platform/qt_device_context.h"
#include "platform/qt_screen_depth.h"

namespace grimora {
namespace {

using draw_test::ColourAt;
using draw_test::NearestPixel;
using draw_test::PatternPicture;
using draw_test::RecordingDevice;
using draw_test::RecordingSink;

constexpr uint32_t kUntouched = 0xFF00FF;

QImage blankImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(kUntouched));
    return image;
}

template <class Expected>
::testing::AssertionResult ImageShows(const QImage& image, Expected&& expected) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const uint32_t have = image.pixel(x, y) & 0xFFFFFFu;
            const uint32_t want = expected(x, y);
            if (have != want) {
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is "
                                                     << std::hex << have << ", expected " << want;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Every warning Qt prints while it lives.
class QtWarnings {
public:
    QtWarnings() { previous_ = qInstallMessageHandler(&QtWarnings::record); }
    ~QtWarnings() { qInstallMessageHandler(previous_); }
    static std::vector<std::string>& messages() {
        static std::vector<std::string> all;
        return all;
    }

private:
    static void record(QtMsgType, const QMessageLogContext&, const QString& text) {
        messages().push_back(text.toStdString());
    }
    QtMessageHandler previous_ = nullptr;
};

TEST(QtDeviceContext, ImagesAreDisplaysAndPagedDevicesPrinters) {
    QImage image = blankImage(4, 4);
    QPainter onImage(&image);
    EXPECT_EQ(QtDeviceContext(onImage).technology(), Technology::RasterDisplay);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    QPainter onPdf(&pdf);
    EXPECT_EQ(QtDeviceContext(onPdf).technology(), Technology::RasterPrinter);
}

class QtRowsTest : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(QtRowsTest, DrawDibShowsTheNearestPixels) {
    const auto [bitCount, collect] = GetParam();
    OwnedDib pic = PatternPicture(37, 23, bitCount);
    QImage image = blankImage(90, 50);
    {
        QPainter painter(&image);
        QtDeviceContext dc(painter);
        dc.setCollectRows(collect);
        RecordingSink sink;
        DrawDib(dc, 3, 2, 80, 45, *pic, 0, 0, 37, 23, true, RasterOp::SrcCopy, true, nullptr, sink);
    }
    EXPECT_TRUE(ImageShows(image, [&](int x, int y) {
        const bool inside = x >= 3 && x < 83 && y >= 2 && y < 47;
        return inside ? NearestPixel(*pic, x - 3, y - 2, 80, 45, 0, 0, 37, 23) : kUntouched;
    }));
}

INSTANTIATE_TEST_SUITE_P(DepthsAndCollecting, QtRowsTest,
                         ::testing::Combine(::testing::Values(8, 24), ::testing::Bool()));

class QtCollectTest : public ::testing::TestWithParam<bool> {};

// Collected rows must come out as if each had been drawn at once: rows never
// sent and the area outside the painter's clip keep what was there.
TEST_P(QtCollectTest, RowsNotSentAndClippedAreasStayAsTheyWere) {
    OwnedDib row = PatternPicture(20, 1, 24);
    QImage image = blankImage(20, 14);
    {
        QPainter painter(&image);
        painter.setClipRect(0, 0, 15, 14);
        QtDeviceContext dc(painter);
        dc.setCollectRows(GetParam());
        dc.beginRows(0, 0, 20, 10);
        for (const int y : {2, 3, 7, 12}) {  // 12 lies outside the promised rows
            EXPECT_EQ(dc.setDIBitsToDevice(0, y, 20, 1, 0, 0, 0, 1, row->bits, *row->info), 1);
        }
        dc.endRows();
    }
    EXPECT_TRUE(ImageShows(image, [&](int x, int y) {
        const bool sent = y == 2 || y == 3 || y == 7 || y == 12;
        return sent && x < 15 ? ColourAt(*row, x, 0) : kUntouched;
    }));
}

INSTANTIATE_TEST_SUITE_P(Collecting, QtCollectTest, ::testing::Bool());

// Rows collected for a destination whose far edge lies beyond the int range
// must not overflow the rectangle that holds them (the sanitizers catch it).
TEST(QtDeviceContext, DestinationsReachingPastTheIntRangeDrawNothing) {
    constexpr int32_t kFar = std::numeric_limits<int32_t>::max() - 10;
    OwnedDib pic = PatternPicture(10, 8, 24);
    QImage image = blankImage(16, 16);
    {
        QPainter painter(&image);
        QtDeviceContext dc(painter);
        RecordingSink sink;
        DrawDib(dc, kFar, 0, 20, 16, *pic, 0, 0, 10, 8, true, RasterOp::SrcCopy, true, nullptr,
                sink);
        DrawDib(dc, 0, kFar, 16, 20, *pic, 0, 0, 10, 8, true, RasterOp::SrcCopy, true, nullptr,
                sink);
    }
    EXPECT_TRUE(ImageShows(image, [](int, int) { return kUntouched; }));
}

TEST(QtDeviceContext, StretchesPicturesOfOtherDepthsFromTheBottomUpSource) {
    OwnedDib pic = PatternPicture(9, 7, 4);
    QImage image = blankImage(16, 12);
    {
        QPainter painter(&image);
        QtDeviceContext dc(painter);
        RecordingSink sink;
        DrawDib(dc, 3, 4, 10, 6, *pic, 2, 1, 5, 3, true, RasterOp::SrcCopy, true, nullptr, sink);
    }
    EXPECT_TRUE(ImageShows(image, [&](int x, int y) {
        const bool inside = x >= 3 && x < 13 && y >= 4 && y < 10;
        return inside ? NearestPixel(*pic, x - 3, y - 4, 10, 6, 2, 1, 5, 3) : kUntouched;
    }));
}

TEST(QtDeviceContext, StretchOfASourcePartlyOutsideThePictureDrawsOnlyItsInside) {
    OwnedDib pic = PatternPicture(10, 10, 24);
    QImage image = blankImage(20, 20);
    {
        QPainter painter(&image);
        QtDeviceContext dc(painter);
        // Five columns left of the picture and five rows above it, doubled.
        EXPECT_EQ(
            dc.stretchDIBits(0, 0, 20, 20, -5, 5, 10, 10, pic->bits, *pic->info, RasterOp::SrcCopy),
            10);
    }
    EXPECT_TRUE(ImageShows(image, [&](int x, int y) {
        return x >= 10 && y >= 10 ? ColourAt(*pic, (x - 10) / 2, 14 - y / 2) : kUntouched;
    }));
}

TEST(QtDeviceContext, DeviceBitmapFallbackDrawsTheRightRows) {
    OwnedDib pic = PatternPicture(8, 6, 24);
    QImage image = blankImage(16, 12);
    {
        QPainter painter(&image);
        QtDeviceContext qt(painter);
        RecordingDevice dc(&qt);
        dc.tech = Technology::RasterPrinter;
        dc.caps = 0;
        dc.failStretchDIBits = true;
        RecordingSink sink;
        DrawDib(dc, 2, 3, 8, 4, *pic, 1, 0, 4, 2, true, RasterOp::SrcCopy, true, nullptr, sink);
        EXPECT_TRUE(sink.messages.empty());
    }
    EXPECT_TRUE(ImageShows(image, [&](int x, int y) {
        const bool inside = x >= 2 && x < 10 && y >= 3 && y < 7;
        return inside ? NearestPixel(*pic, x - 2, y - 3, 8, 4, 1, 0, 4, 2) : kUntouched;
    }));
}

TEST(QtDeviceContext, RasterOperationsCombineWithWhatIsThere) {
    OwnedDib pic;
    ASSERT_TRUE(pic.make(1, 1, 24));
    setpixel(*pic, 0, 0, draw_test::kRopSource);
    for (const draw_test::RasterOpCase& c : draw_test::RasterOpCases()) {
        QImage image(2, 2, QImage::Format_RGB32);
        image.fill(QColor::fromRgb(draw_test::kRopBackground));
        {
            QPainter painter(&image);
            QtDeviceContext dc(painter);
            dc.stretchDIBits(0, 0, 2, 2, 0, 0, 1, 1, pic->bits, *pic->info, c.rop);
        }
        EXPECT_EQ(image.pixel(1, 1) & 0xFFFFFFu, c.expected) << static_cast<uint32_t>(c.rop);
    }
}

// Size of a one-page PDF, with the picture drawn on it or not.
qint64 pdfSize(const Dib* pic) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        QPainter painter(&pdf);
        QtDeviceContext dc(painter);
        if (pic != nullptr) {
            RecordingSink sink;
            DrawDib(dc, 100, 100, 1280, 960, *pic, 0, 0, DibWidth(*pic), DibHeight(*pic), true,
                    RasterOp::SrcCopy, true, nullptr, sink);
            EXPECT_TRUE(sink.messages.empty());
        }
    }
    return buffer.size();
}

TEST(QtDeviceContext, PrintsOntoAPdfWithoutWarnings) {
    OwnedDib pic = PatternPicture(64, 48, 24);
    const qint64 blank = pdfSize(nullptr);
    QtWarnings warnings;
    QtWarnings::messages().clear();
    EXPECT_GT(pdfSize(&*pic), blank + 500);  // the picture's pixels are in it
    EXPECT_EQ(QtWarnings::messages(), std::vector<std::string>{});
}

TEST(QtScreenDepth, ScreenBitsPerPixelReadsThePrimaryScreen) {
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    SetScreenDepthHook([] { return 1; });
    InstallQtScreenDepth();
    EXPECT_EQ(ScreenBitsPerPixel(), QGuiApplication::primaryScreen()->depth());
    SetScreenDepthHook(nullptr);
}

}  // namespace
}  // namespace grimora
