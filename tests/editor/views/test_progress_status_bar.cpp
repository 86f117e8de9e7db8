// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "editor/views/progress_status_bar.h"
#include "view_test_support.h"

namespace grimora {
namespace {

using view_test::PaintRecorder;
using view_test::ShowExposed;

constexpr uint32_t kNavy = 0x000080;

// Where the navy bar ends in row y of a picture of the status bar, looking
// from the panel's left edge.
int barEnd(const QImage& image, const QRect& panel) {
    const int y = panel.center().y();
    int x = panel.left();
    while (x <= panel.right() && (image.pixel(x, y) & 0xFFFFFFu) == kNavy) {
        ++x;
    }
    return x;
}

TEST(ProgressStatusBar, HalfOfAPanelFrom250To600FillsUpTo425) {
    ProgressStatusBar bar;
    bar.SetProStatus(50);
    QImage image(700, 19, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        bar.StatusBar1DrawPanel(painter, QRect(QPoint(250, 2), QPoint(599, 17)));
    }
    EXPECT_EQ(image.pixel(249, 10) & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(250, 10) & 0xFFFFFFu, kNavy);
    EXPECT_EQ(image.pixel(424, 10) & 0xFFFFFFu, kNavy);
    EXPECT_EQ(image.pixel(425, 10) & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_EQ(bar.drawnPanel(), QRect(QPoint(250, 2), QPoint(599, 17)));
}

TEST(ProgressStatusBar, RisingValuesPaintTheirStripAndFallingOnesTheWholeBar) {
    ProgressStatusBar bar;
    bar.resize(640, ProgressStatusBar::kHeight);
    ASSERT_TRUE(ShowExposed(bar));
    EXPECT_EQ(bar.height(), 19);
    EXPECT_EQ(bar.objectName(), "StatusBar1");
    const QRect panel = bar.panelRect();
    ASSERT_EQ(bar.drawnPanel(), panel);  // the first paint drew it
    EXPECT_GT(panel.left(), ProgressStatusBar::kFirstPanelWidth - 1);
    PaintRecorder paints(bar);
    const auto right = [&](int p) { return panel.left() + panel.width() * p / 100; };

    struct Step {
        int value;
        bool whole;  // else a strip from the previous bar's end
    };
    const std::vector<Step> steps = {{10, false}, {20, false}, {30, false},
                                     {80, false}, {30, true},  {0, true}};
    int shown = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.value);
        paints.regions.clear();
        bar.SetProStatus(step.value);  // painted before it returns
        EXPECT_EQ(bar.percent(), step.value);
        ASSERT_EQ(paints.regions.size(), 1u);
        const QRect painted = paints.regions.front().boundingRect();
        if (step.whole) {
            EXPECT_TRUE(painted.contains(panel));
        } else {
            EXPECT_EQ(painted, QRect(QPoint(right(shown), panel.top()),
                                     QPoint(right(step.value) - 1, panel.bottom())));
        }
        shown = step.value;
        EXPECT_EQ(barEnd(bar.grab().toImage(), panel), right(step.value));
    }
}

TEST(ProgressStatusBar, ValuesThatChangeNoPixelPaintNothing) {
    ProgressStatusBar bar;
    bar.resize(ProgressStatusBar::kFirstPanelWidth + 90, ProgressStatusBar::kHeight);
    ASSERT_TRUE(ShowExposed(bar));
    const QRect panel = bar.panelRect();
    ASSERT_LT(panel.width(), 100);  // fewer pixels than percents
    const auto right = [&](int p) { return panel.width() * p / 100; };
    int p = 1;
    while (right(p + 1) != right(p)) {
        ++p;
    }
    bar.SetProStatus(p);
    PaintRecorder paints(bar);
    bar.SetProStatus(p + 1);
    bar.SetProStatus(p + 1);  // equal
    bar.SetProStatus(p);      // falling, same pixels
    bar.WMUser(p + 1);
    EXPECT_TRUE(paints.regions.empty());
    EXPECT_EQ(bar.percent(), p + 1);
}

TEST(ProgressStatusBar, KeepsEveryValueOfAFastRun) {
    ProgressStatusBar bar;
    bar.resize(640, ProgressStatusBar::kHeight);
    ASSERT_TRUE(ShowExposed(bar));
    PaintRecorder paints(bar);
    std::vector<int> seen;
    for (int row = 0; row < 4000; ++row) {
        bar.SetProStatus(row * 100 / 4000);
        seen.push_back(bar.percent());
    }
    for (int row = 0; row < 4000; ++row) {
        ASSERT_EQ(seen[static_cast<size_t>(row)], row * 100 / 4000);
    }
    // One paint per percent at most: values that move no pixel paint nothing.
    EXPECT_LE(paints.regions.size(), 100u);
    EXPECT_GT(paints.regions.size(), 0u);
}

}  // namespace
}  // namespace grimora
