// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "editor/stroke_controller.h"
#include "editor/views/edit_canvas.h"
#include "editor/views/outline_ink.h"
#include "editor/warp_session.h"
#include "picture/dib_queries.h"
#include "view_test_support.h"

namespace grimora {
namespace {

using view_test::PatternColour;
using view_test::PatternPicture;
using view_test::ShowExposed;

// The view at `zoom` with the scroll area's viewport `viewport` large.
struct ScrolledCanvas {
    ScrolledCanvas(const Dib& picture, ZoomRatio zoom, QSize viewport) {
        area.setFrameShape(QFrame::NoFrame);
        area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area.resize(viewport);
        area.setWidget(canvas);
        canvas->setPicture(&picture, zoom);
        canvas->setViewSize(ViewLength(DibWidth(picture), zoom),
                            ViewLength(DibHeight(picture), zoom));
        exposed = ShowExposed(area);
    }
    void scrollTo(int x, int y) {
        area.horizontalScrollBar()->setValue(x);
        area.verticalScrollBar()->setValue(y);
        QCoreApplication::processEvents();
    }
    QScrollArea area;
    EditCanvas* canvas = new EditCanvas;  // owned by the area
    bool exposed = false;
};

uint32_t backingPixel(const EditCanvas& canvas, int viewX, int viewY) {
    const QPoint at = QPoint(viewX, viewY) - canvas.backingRect().topLeft();
    return canvas.backing().pixel(at) & 0xFFFFFFu;
}

// Every pixel of the backing image against the picture pixel that the
// ratio maps it to (exact ratios: view x shows column x * den / num).
::testing::AssertionResult ShowsPicture(const EditCanvas& canvas, ZoomRatio zoom) {
    const QRect b = canvas.backingRect();
    if (b.isEmpty() || canvas.backing().size() != b.size()) {
        return ::testing::AssertionFailure() << "no backing image";
    }
    for (int y = b.top(); y <= b.bottom(); ++y) {
        for (int x = b.left(); x <= b.right(); ++x) {
            const uint32_t want =
                PatternColour(static_cast<int32_t>(int64_t{x} * zoom.denominator / zoom.numerator),
                              static_cast<int32_t>(int64_t{y} * zoom.denominator / zoom.numerator));
            if (backingPixel(canvas, x, y) != want) {
                return ::testing::AssertionFailure()
                       << "view pixel " << x << "," << y << " is " << std::hex
                       << backingPixel(canvas, x, y) << ", expected " << want;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(EditCanvas, DrawsThePictureAtTheRatioIntoTheVisiblePart) {
    struct Row {
        ZoomRatio zoom;
        QPoint scroll;
    };
    const OwnedDib picture = PatternPicture(120, 90);
    const std::vector<Row> rows = {
        {{1, 1}, {0, 0}},   {{20, 10}, {0, 0}},      {{20, 10}, {75, 33}},
        {{10, 20}, {0, 0}}, {{100, 10}, {613, 402}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.zoom.numerator << ":" << row.zoom.denominator
                                        << " scrolled " << row.scroll.x() << "," << row.scroll.y());
        ScrolledCanvas view(*picture, row.zoom, {100, 80});
        ASSERT_TRUE(view.exposed);
        view.scrollTo(row.scroll.x(), row.scroll.y());
        view.canvas->drawPicture();
        const QRect visible = QRect(QPoint(row.scroll), QSize(100, 80)) & view.canvas->rect();
        EXPECT_EQ(view.canvas->backingRect(), visible);
        EXPECT_TRUE(ShowsPicture(*view.canvas, row.zoom));
    }
}

// Depths that the view does not scale itself go through DrawDib, placed at
// the same offset.
TEST(EditCanvas, OtherDepthsAreDrawnByDrawDibAtTheVisiblePartsOffset) {
    OwnedDib picture;
    ASSERT_TRUE(picture.make(90, 70, 32));
    for (int32_t r = 0; r < 70; ++r) {
        for (int32_t c = 0; c < 90; ++c) {
            const uint32_t colour = PatternColour(c, 69 - r);
            uint8_t* p = DibRow(picture.get(), r) + 4 * c;
            p[0] = static_cast<uint8_t>(colour);
            p[1] = static_cast<uint8_t>(colour >> 8);
            p[2] = static_cast<uint8_t>(colour >> 16);
        }
    }
    ScrolledCanvas view(*picture, {1, 1}, {50, 40});
    ASSERT_TRUE(view.exposed);
    view.scrollTo(23, 17);
    view.canvas->drawPicture();
    EXPECT_EQ(view.canvas->backingRect(), QRect(23, 17, 50, 40));
    EXPECT_TRUE(ShowsPicture(*view.canvas, {1, 1}));
}

TEST(EditCanvas, AHugeViewKeepsOnlyItsVisiblePartAndDrawsItOnScroll) {
    const OwnedDib picture = PatternPicture(100, 100);
    const ZoomRatio zoom{1000, 1};  // a 100 000 x 100 000 view
    ScrolledCanvas view(*picture, zoom, {200, 150});
    ASSERT_TRUE(view.exposed);
    EXPECT_EQ(view.canvas->size(), QSize(100000, 100000));
    // Scrolling repaints; with nobody answering paintRequested the view
    // draws the picture itself.
    view.scrollTo(50500, 70900);
    EXPECT_EQ(view.canvas->backingRect(), QRect(50500, 70900, 200, 150));
    EXPECT_EQ(view.canvas->backing().size(), QSize(200, 150));
    EXPECT_TRUE(ShowsPicture(*view.canvas, zoom));
}

TEST(EditCanvas, TheOutlineIsInvertedAndDrawingItAgainRestoresThePixels) {
    const OwnedDib picture = PatternPicture(80, 60);
    ScrolledCanvas view(*picture, {20, 10}, {120, 100});
    ASSERT_TRUE(view.exposed);
    view.canvas->drawPicture();
    const QImage before = view.canvas->backing().copy();

    // One wholly inside, one reaching over the view's corner.
    for (const OutlineRect& r : {OutlineRect{20, 10, 90, 80}, OutlineRect{-30, -30, 40, 40}}) {
        view.canvas->drawOutline(r);
        const QImage drawn = view.canvas->backing().copy();
        int inverted = 0;
        for (int y = 0; y < before.height(); ++y) {
            for (int x = 0; x < before.width(); ++x) {
                const uint32_t was = before.pixel(x, y) & 0xFFFFFFu;
                const uint32_t is = drawn.pixel(x, y) & 0xFFFFFFu;
                if (was != is) {
                    ++inverted;
                    EXPECT_EQ(is, was ^ 0xFFFFFFu) << x << "," << y;
                }
            }
        }
        const auto runs = OutlineRuns(r, {0, 0, before.width(), before.height()});
        size_t expected = 0;
        for (const PixelRun& run : runs) {
            expected += static_cast<size_t>(run.x1 - run.x0);
        }
        EXPECT_EQ(static_cast<size_t>(inverted), expected);
        EXPECT_GT(inverted, 0);
        view.canvas->eraseOutline(r);
        EXPECT_EQ(view.canvas->backing(), before);
        // Drawing a part of the picture takes the whole outline away, not
        // only where the part covers it.
        view.canvas->drawOutline(r);
        view.canvas->drawPictureRect({30, 20, 4, 4});
        EXPECT_EQ(view.canvas->backing(), before);
    }
}

// The backing image is made anew under a shown outline: erasing it must
// still leave the plain picture.
TEST(EditCanvas, AnOutlineShownWhenTheImageIsMadeAnewIsStillErasedCleanly) {
    const OwnedDib picture = PatternPicture(80, 60);
    for (const bool scroll : {true, false}) {
        SCOPED_TRACE(scroll ? "scrolled" : "zoom changed");
        ScrolledCanvas view(*picture, {20, 10}, {60, 50});
        ASSERT_TRUE(view.exposed);
        view.canvas->drawPicture();
        const OutlineRect r{30, 20, 90, 80};
        view.canvas->drawOutline(r);
        ZoomRatio zoom{20, 10};
        if (scroll) {
            view.scrollTo(40, 35);
        } else {
            zoom = {30, 10};
            view.canvas->setPicture(&picture.get(), zoom);
        }
        view.canvas->eraseOutline(r);
        EXPECT_TRUE(ShowsPicture(*view.canvas, zoom));
    }
}

TEST(EditCanvas, OnlyQtsOwnPaintsAskTheWindowToPaint) {
    const OwnedDib picture = PatternPicture(40, 30);
    ScrolledCanvas view(*picture, {1, 1}, {100, 100});
    ASSERT_TRUE(view.exposed);
    int asked = 0;
    QObject::connect(view.canvas, &EditCanvas::paintRequested, [&] { ++asked; });
    view.canvas->drawPicture();
    view.canvas->drawOutline({5, 5, 25, 25});
    QCoreApplication::processEvents();
    EXPECT_EQ(asked, 0);  // showing our own drawing
    view.canvas->update();
    QCoreApplication::processEvents();
    EXPECT_EQ(asked, 1);
}

// The editing page as the main window wires it: the stroke's drawing goes
// to the canvas, which shows the session's result picture.
class CanvasHost : public EditorHost {
public:
    CanvasHost(WarpSession& session, EditCanvas& canvas) : session_(session), canvas_(canvas) {}
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void captureMouse() override {}
    void releaseMouse() override {}
    void setTimerEnabled(bool) override {}
    void drawOutline(const OutlineRect& r) override { canvas_.drawOutline(r); }
    void eraseOutline(const OutlineRect& r) override { canvas_.eraseOutline(r); }
    void drawPicture() override {
        ++wholeDrawings;
        canvas_.drawPicture();
    }
    void drawPictureRect(const DabRect& r) override { canvas_.drawPictureRect(r); }
    void setViewSize(int64_t w, int64_t h) override {
        canvas_.setPicture(&session_.result(), session_.zoom());
        canvas_.setViewSize(w, h);
    }
    void SetProStatus(int32_t) override {}

    std::vector<std::string> messages;
    int wholeDrawings = 0;

private:
    WarpSession& session_;
    EditCanvas& canvas_;
};

// After every step of random strokes, with the outline moving over the
// view, the backing image is what a whole drawing and the outline give.
TEST(EditCanvas, RepaintingWhatAStepChangedGivesTheWholeDrawingsPixels) {
    struct Row {
        const char* zoomText;
        double zoom;
    };
    std::mt19937 random(8);
    for (const Row& row :
         {Row{"0.2", 0.2}, Row{"0.3", 0.3}, Row{"1", 1}, Row{"3", 3}, Row{"10", 10}}) {
        SCOPED_TRACE(row.zoomText);
        WarpSession session;
        QScrollArea area;
        area.setFrameShape(QFrame::NoFrame);
        area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area.resize(160, 120);
        auto* canvas = new EditCanvas;
        area.setWidget(canvas);
        CanvasHost host(session, *canvas);
        ASSERT_TRUE(session.loadPicture(PatternPicture(233, 171), host));
        StrokeController controller(session, host);
        controller.ZoomEdChange(row.zoomText);
        ASSERT_TRUE(ShowExposed(area));
        // The middle of the view, so that dabs land in and out of sight.
        const QPoint scroll(std::max(0, canvas->width() / 2 - 80),
                            std::max(0, canvas->height() / 2 - 60));
        area.horizontalScrollBar()->setValue(scroll.x());
        area.verticalScrollBar()->setValue(scroll.y());
        QCoreApplication::processEvents();
        const int drawnBefore = host.wholeDrawings;

        BrushSettings brush;
        brush.zoom = row.zoom;
        std::uniform_int_distribution<int> mode(0, 4);
        std::uniform_int_distribution<int> radius(1, 40);
        std::uniform_int_distribution<int> dx(-40, 200);
        std::uniform_int_distribution<int> dy(-40, 160);
        for (int stroke = 0; stroke < 6; ++stroke) {
            brush.mode = static_cast<EffectMode>(mode(random));
            brush.radius = radius(random);
            brush.strength = 0.9;
            const QPoint start = scroll + QPoint(dx(random), dy(random));
            controller.PaintBox1MouseDown(start.x(), start.y(), brush);
            for (int step = 0; step < 5; ++step) {
                const QPoint p = scroll + QPoint(dx(random), dy(random));
                controller.PaintBox1MouseMove(p.x(), p.y(), brush);
                const QImage stepped = canvas->backing().copy();
                canvas->drawPicture();
                canvas->drawOutline(controller.outlineRect());
                ASSERT_EQ(stepped, canvas->backing()) << "stroke " << stroke << " step " << step;
            }
            controller.PaintBox1MouseUp(start.x(), start.y());
        }
        // Only the test's own comparisons drew the whole picture.
        EXPECT_EQ(host.wholeDrawings, drawnBefore);
        EXPECT_TRUE(host.messages.empty());
    }
}

TEST(EditCanvas, EveryButtonPressesMovesAndReleases) {
    EditCanvas canvas;
    canvas.setViewSize(50, 50);
    std::vector<std::pair<char, QPoint>> seen;
    QObject::connect(&canvas, &EditCanvas::mousePressed, [&](int x, int y) {
        seen.push_back({'p', {x, y}});
    });
    QObject::connect(&canvas, &EditCanvas::mouseMoved, [&](int x, int y) {
        seen.push_back({'m', {x, y}});
    });
    QObject::connect(&canvas, &EditCanvas::mouseReleased, [&](int x, int y) {
        seen.push_back({'r', {x, y}});
    });
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button) {
        QMouseEvent event(type, at, at, button, button == Qt::NoButton ? Qt::NoButton : button,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&canvas, &event);
    };
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        seen.clear();
        send(QEvent::MouseButtonPress, {3, 4}, button);
        send(QEvent::MouseMove, {-20, 70}, Qt::NoButton);  // outside, as a grab delivers it
        send(QEvent::MouseButtonRelease, {-21, 71}, button);
        const std::vector<std::pair<char, QPoint>> expected = {
            {'p', {3, 4}}, {'m', {-20, 70}}, {'r', {-21, 71}}};
        EXPECT_EQ(seen, expected) << "button " << button;
    }
}

TEST(EditCanvas, ViewSizeIsHeldToWhatAWidgetCanBe) {
    EditCanvas canvas;
    canvas.setViewSize(int64_t{600000} * 100000, -5);
    EXPECT_EQ(canvas.size(), QSize(QWIDGETSIZE_MAX, 0));
    canvas.setViewSize(202, 150);
    EXPECT_EQ(canvas.size(), QSize(202, 150));
    EXPECT_EQ(canvas.objectName(), "PaintBox1");
}

}  // namespace
}  // namespace grimora
