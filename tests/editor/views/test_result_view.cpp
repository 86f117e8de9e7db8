// SPDX-License-Identifier: GPL-3.0-or-later
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "editor/views/result_view.h"
#include "view_test_support.h"

namespace grimora {
namespace {

using view_test::PatternColour;
using view_test::PatternPicture;
using view_test::ShowExposed;

struct ResultPage {
    explicit ResultPage(const Dib& picture) {
        area.setFrameShape(QFrame::NoFrame);
        area.resize(300, 200);
        area.setWidget(view);
        view->setScrollBox(&area);
        view->setPicture(&picture);
        exposed = ShowExposed(area);
    }
    int h() const { return area.horizontalScrollBar()->value(); }
    int v() const { return area.verticalScrollBar()->value(); }
    // A drag between two points of the screen (the area's viewport), as the
    // view sees it: in its own coordinates, which move with each scroll.
    void drag(QPoint from, QPoint to) {
        const QPoint start = from - view->pos();
        view->ErgPaintBoxMouseDown(start.x(), start.y());
        const QPoint at = to - view->pos();
        view->ErgPaintBoxMouseMove(at.x(), at.y());
        view->ErgPaintBoxMouseUp();
    }
    QScrollArea area;
    ResultView* view = new ResultView;  // owned by the area
    bool exposed = false;
};

TEST(ResultView, TakesThePicturesSizeAndShowsItOneToOne) {
    const OwnedDib picture = PatternPicture(1000, 800);
    ResultPage page(*picture);
    ASSERT_TRUE(page.exposed);
    EXPECT_EQ(page.view->size(), QSize(1000, 800));
    EXPECT_EQ(page.view->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(page.view->objectName(), "ErgPaintBox");

    const QImage shown = page.view->grab(QRect(490, 390, 20, 20)).toImage();
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFFu, PatternColour(490 + x, 390 + y))
                << x << "," << y;
        }
    }

    const OwnedDib other = PatternPicture(320, 40);
    page.view->setPicture(&other.get());
    EXPECT_EQ(page.view->size(), QSize(320, 40));
}

TEST(ResultView, DraggingMovesThePictureAndStopsAtItsEdges) {
    const OwnedDib picture = PatternPicture(1000, 800);
    ResultPage page(*picture);
    ASSERT_TRUE(page.exposed);
    const int hMax = page.area.horizontalScrollBar()->maximum();
    const int vMax = page.area.verticalScrollBar()->maximum();
    ASSERT_GT(hMax, 0);
    ASSERT_GT(vMax, 0);

    page.drag({150, 100}, {140, 100});  // 10 left: 10 more of the right side
    EXPECT_EQ(page.h(), 10);
    EXPECT_EQ(page.v(), 0);
    page.drag({150, 100}, {150, 70});
    EXPECT_EQ(page.v(), 30);
    page.drag({150, 100}, {290, 190});  // beyond the left and top edges
    EXPECT_EQ(page.h(), 0);
    EXPECT_EQ(page.v(), 0);
    page.drag({290, 190}, {-5000, -5000});  // beyond the right and bottom edges
    EXPECT_EQ(page.h(), hMax);
    EXPECT_EQ(page.v(), vMax);

    // Without a press, moves scroll nothing.
    page.view->ErgPaintBoxMouseMove(0, 0);
    EXPECT_EQ(page.h(), hMax);
}

TEST(ResultView, APictureSmallerThanTheViewportDoesNotMove) {
    const OwnedDib picture = PatternPicture(120, 90);
    ResultPage page(*picture);
    ASSERT_TRUE(page.exposed);
    page.drag({100, 80}, {10, 5});
    page.drag({10, 5}, {200, 150});
    EXPECT_EQ(page.h(), 0);
    EXPECT_EQ(page.v(), 0);
    EXPECT_EQ(page.view->pos(), QPoint(0, 0));
}

}  // namespace
}  // namespace grimora
