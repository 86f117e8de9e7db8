// SPDX-License-Identifier: GPL-3.0-or-later
// The editing and result views on a high-density screen. This suite runs
// once per scale factor that CTest gives it (QT_SCALE_FACTOR): the offscreen
// platform then has that many device pixels to a logical one.
#include <algorithm>
#include <cmath>
#include <random>

#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "../view_test_support.h"
#include "app/main_form.h"
#include "app/main_form_fixture.h"
#include "editor/device_pixels.h"
#include "editor/stroke_controller.h"
#include "editor/views/edit_canvas.h"
#include "editor/views/result_view.h"
#include "editor/warp_session.h"
#include "picture/dib_queries.h"

namespace grimora {
namespace {

using view_test::PatternColour;
using view_test::PatternPicture;
using view_test::ShowExposed;

double ScaleFactor() {
    return qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
}

// A mouse event at a logical position of `widget`, fractions kept, as the
// platform reports a device pixel.
void SendMouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButtons held) {
    QMouseEvent event(type, at, widget->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Where the platform puts a pointer that stands on device pixel d.
QPointF OnDevicePixel(int x, int y, double ratio) {
    return {(x + 0.5) / ratio, (y + 0.5) / ratio};
}

TEST(HighDensity, TheSuiteRunsAtTheScaleItWasGiven) {
    QWidget probe;
    EXPECT_DOUBLE_EQ(probe.devicePixelRatio(), ScaleFactor());
    EXPECT_GT(ScaleFactor(), 1.0) << "run by CTest with QT_SCALE_FACTOR above 1";
}

// Zoom 1.0 and 2.0, scrolled or not: the view covers the zoomed picture in
// device pixels, and the pixels shown are the picture's at the ratio.
TEST(HighDensity, TheEditingViewShowsPicturePixelsOnDevicePixels) {
    const OwnedDib picture = PatternPicture(101, 75);
    for (const ZoomRatio zoom : {ZoomRatio{10, 10}, ZoomRatio{20, 10}}) {
        for (const QPoint scroll : {QPoint(0, 0), QPoint(7, 5)}) {
            SCOPED_TRACE(testing::Message() << zoom.numerator << " scrolled " << scroll.x());
            QScrollArea area;
            area.setFrameShape(QFrame::NoFrame);
            area.resize(40, 30);
            auto* canvas = new EditCanvas;
            area.setWidget(canvas);
            const double r = canvas->ratio();
            canvas->setPicture(&picture.get(), zoom);
            canvas->setViewSize(ViewLength(101, zoom), ViewLength(75, zoom));
            ASSERT_TRUE(ShowExposed(area));
            EXPECT_EQ(canvas->size(), QSize(int(LogicalCover(ViewLength(101, zoom), r)),
                                            int(LogicalCover(ViewLength(75, zoom), r))));
            area.horizontalScrollBar()->setValue(scroll.x());
            area.verticalScrollBar()->setValue(scroll.y());
            QCoreApplication::processEvents();
            canvas->drawPicture();

            const QRect b = canvas->backingRect();
            EXPECT_EQ(b.topLeft(), QPoint(int(DeviceSpan(scroll.x(), 0, r).begin),
                                          int(DeviceSpan(scroll.y(), 0, r).begin)));
            const QImage shown = canvas->grab().toImage();
            ASSERT_GE(shown.width(), ViewLength(101, zoom));
            const QRect picturePart =
                b & QRect(0, 0, int(ViewLength(101, zoom)), int(ViewLength(75, zoom)));
            ASSERT_FALSE(picturePart.isEmpty());
            for (int y = picturePart.top(); y <= picturePart.bottom(); ++y) {
                for (int x = picturePart.left(); x <= picturePart.right(); ++x) {
                    const uint32_t want = PatternColour(x * zoom.denominator / zoom.numerator,
                                                        y * zoom.denominator / zoom.numerator);
                    ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFFu, want) << x << "," << y;
                }
            }
        }
    }
}

// Pointers on random device pixels, and at whole logical positions: the
// view reports the device pixel under them.
TEST(HighDensity, MousePositionsAreTheDevicePixelsUnderThePointer) {
    const OwnedDib picture = PatternPicture(300, 200);
    QScrollArea area;
    area.resize(200, 150);
    auto* canvas = new EditCanvas;
    area.setWidget(canvas);
    canvas->setPicture(&picture.get(), {1, 1});
    canvas->setViewSize(300, 200);
    ASSERT_TRUE(ShowExposed(area));
    const double r = canvas->ratio();
    QPoint reported(-1, -1);
    QObject::connect(canvas, &EditCanvas::mouseMoved, [&reported](int x, int y) {
        reported = {x, y};
    });
    std::mt19937 random(18);
    for (int i = 0; i < 500; ++i) {
        const int x = int(random() % 300);
        const int y = int(random() % 200);
        SendMouse(canvas, QEvent::MouseMove, QPointF(x / r, y / r), Qt::NoButton);
        ASSERT_EQ(reported, QPoint(x, y));
        SendMouse(canvas, QEvent::MouseMove, OnDevicePixel(x, y, r), Qt::NoButton);
        ASSERT_EQ(reported, QPoint(x, y));
        const int lx = int(random() % 150);
        SendMouse(canvas, QEvent::MouseMove, QPointF(lx, lx / 2), Qt::NoButton);
        ASSERT_EQ(reported,
                  QPoint(int(std::floor(lx * r + 1e-9)), int(std::floor(lx / 2 * r + 1e-9))));
    }
}

class HighDensityForm : public MainFormTest {};

// On the editing page at zoom 1.0, a grow dab lands on the picture pixel
// under the pointer: the field bends symmetrically about it. The outline
// is drawn about the same device pixel with the radius in device pixels.
TEST_F(HighDensityForm, AStrokeAndTheOutlineLandUnderThePointer) {
    showPage(1);
    const double r = form->PaintBox1->ratio();
    EXPECT_EQ(form->PaintBox1->viewSize(), QSize(320, 200));
    EXPECT_EQ(form->PaintBox1->size(), QSize(int(LogicalCover(320, r)), int(LogicalCover(200, r))));
    const int x = 151;
    const int y = 87;
    SendMouse(form->PaintBox1, QEvent::MouseMove, OnDevicePixel(x, y, r), Qt::NoButton);
    EXPECT_EQ(form->strokes().outlineRect(), (OutlineRect{x - 50, y - 50, x + 50, y + 50}));
    const QImage& backing = form->PaintBox1->backing();
    const QPoint corner = form->PaintBox1->backingRect().topLeft();
    EXPECT_LT(qGray(backing.pixel(QPoint(x - 50, y) - corner)), 128);  // inverted white
    EXPECT_EQ(backing.pixel(QPoint(x - 51, y) - corner) & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_LT(qGray(backing.pixel(QPoint(x + 49, y) - corner)), 128);

    SendMouse(form->PaintBox1, QEvent::MouseButtonPress, OnDevicePixel(x, y, r), Qt::LeftButton);
    SendMouse(form->PaintBox1, QEvent::MouseButtonRelease, OnDevicePixel(x, y, r), Qt::NoButton);
    EXPECT_EQ(form->strokes().lastMouse(), (ViewPoint{x, y}));
    // The same dab placed on that picture pixel directly.
    WarpSession direct;
    EffectParams params = PaintingStepParams({x, y}, {x, y}, form->brushSettings(), {1, 1}, 200);
    EXPECT_EQ(params.centreX, x);
    EXPECT_EQ(params.centreY, 199 - y);
    direct.DoEffekt(params);
    const DisplacementField& field = form->session().field();
    ASSERT_EQ(field.size(), direct.field().size());
    EXPECT_TRUE(std::equal(field.data(), field.data() + field.size(), direct.field().data()));
    EXPECT_NE(field.at(x + 20, 199 - y), (Displacement{x + 20, 199 - y}));
}

// The result page: one picture pixel on each device pixel, and a drag moves
// the picture with the pointer.
TEST_F(HighDensityForm, TheResultViewShowsThePictureFullSizeAndPansWithThePointer) {
    ASSERT_TRUE(form->takePicture(PatternPicture(1800, 1400)));
    showPage(2);
    ResultView* view = form->ErgPaintBox;
    const double r = view->ratio();
    EXPECT_EQ(view->size(), QSize(int(LogicalCover(1800, r)), int(LogicalCover(1400, r))));
    const QImage shown = view->grab(QRect(100, 80, 30, 20)).toImage();
    const int x0 = int(DeviceSpan(100, 0, r).begin);
    const int y0 = int(DeviceSpan(80, 0, r).begin);
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFFu, PatternColour(x0 + x, y0 + y))
                << x << "," << y;
        }
    }

    // Grab the picture pixel under the pointer, drag by whole and by odd
    // device distances: it stays under the pointer within a logical pixel.
    QScrollBar* h = form->ErgScrollBox->horizontalScrollBar();
    QScrollBar* v = form->ErgScrollBox->verticalScrollBar();
    ASSERT_GT(h->maximum(), 100);
    ASSERT_GT(v->maximum(), 50);
    const QPointF start(120.25, 90.25);  // in the scroll box's viewport
    const auto pictureUnder = [&](QPointF viewportPoint) {
        return view->devicePoint(viewportPoint - QPointF(view->pos()));
    };
    const QPoint grabbed = pictureUnder(start);
    SendMouse(view, QEvent::MouseButtonPress, start - QPointF(view->pos()), Qt::LeftButton);
    for (const QPointF to : {QPointF(100.25, 80.25), QPointF(57.0, 31.0), QPointF(13.6, 17.3)}) {
        SendMouse(view, QEvent::MouseMove, to - QPointF(view->pos()), Qt::LeftButton);
        const QPoint under = pictureUnder(to);
        EXPECT_LE(std::abs(under.x() - grabbed.x()), int(std::ceil(r))) << to.x();
        EXPECT_LE(std::abs(under.y() - grabbed.y()), int(std::ceil(r))) << to.y();
    }
    SendMouse(view, QEvent::MouseButtonRelease, QPointF(13.6, 17.3) - QPointF(view->pos()),
              Qt::NoButton);
    EXPECT_GT(h->value(), 0);
}

}  // namespace
}  // namespace grimora
