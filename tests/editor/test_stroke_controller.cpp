// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/stroke_controller.h"
#include "editor/warp_session.h"
#include "warp/render.h"

namespace grimora {
namespace {

std::string rectText(const OutlineRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

// Keeps what the editing page was asked to do, in order. Progress is left
// out: the brushes report it row by row.
class RecordingHost : public EditorHost {
public:
    std::vector<std::string> events;
    std::vector<EffectParams> dabs;
    std::vector<DabRect> parts;  // what each "part" drew
    std::vector<int32_t> progress;

    void showMessage(const std::string& text) override { events.push_back("message " + text); }
    void captureMouse() override { events.push_back("capture"); }
    void releaseMouse() override { events.push_back("release capture"); }
    void setTimerEnabled(bool enabled) override {
        events.push_back(enabled ? "timer on" : "timer off");
    }
    void drawOutline(const OutlineRect& r) override { events.push_back("draw " + rectText(r)); }
    void eraseOutline(const OutlineRect& r) override { events.push_back("erase " + rectText(r)); }
    void drawPicture() override { events.push_back("picture"); }
    void drawPictureRect(const DabRect& rect) override {
        events.push_back("part");
        parts.push_back(rect);
    }
    void setViewSize(int64_t w, int64_t h) override {
        events.push_back("size " + std::to_string(w) + "x" + std::to_string(h));
    }
    void SetProStatus(int32_t percent) override { progress.push_back(percent); }
    void dabApplied(const EffectParams& params) override {
        events.push_back("dab");
        dabs.push_back(params);
    }

    void clear() {
        events.clear();
        dabs.clear();
        parts.clear();
        progress.clear();
    }
};

// The events of one painting step: the dab, then, after the render, one
// repaint of what it changed.
const std::vector<std::string> kStep = {"dab", "part"};

std::vector<std::string> join(std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
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

class StrokeControllerTest : public testing::Test {
protected:
    WarpSession session;
    RecordingHost host;
    StrokeController controller{session, host};
    BrushSettings brush;  // radius 50, zoom field 1.0
};

TEST_F(StrokeControllerTest, PressCapturesStartsTheTimerAndPaintsWithoutMotion) {
    controller.PaintBox1MouseDown(100, 50, brush);
    EXPECT_EQ(host.events, join({{"capture", "timer on"}, kStep}));
    ASSERT_EQ(host.dabs.size(), 1u);
    EXPECT_EQ(host.dabs[0].mouseX, 100);
    EXPECT_EQ(host.dabs[0].prevMouseX, 100);
    EXPECT_EQ(host.dabs[0].mouseY, 50);
    EXPECT_EQ(host.dabs[0].prevMouseY, 50);
    EXPECT_TRUE(controller.strokeActive());
    EXPECT_FALSE(controller.outlineVisible());  // a press draws no outline
    EXPECT_FALSE(isIdentity(session.field()));

    host.clear();
    controller.PaintBox1MouseDown(10, 20, brush);  // a second button: ignored
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(controller.lastMouse(), (ViewPoint{100, 50}));
}

TEST_F(StrokeControllerTest, MovesWithoutAStrokeOnlyMoveTheOutline) {
    controller.PaintBox1MouseMove(100, 50, brush);
    controller.PaintBox1MouseMove(110, 60, brush);
    EXPECT_EQ(host.events, (std::vector<std::string>{"draw 50,0,150,100", "erase 50,0,150,100",
                                                     "draw 60,10,160,110"}));
    EXPECT_TRUE(isIdentity(session.field()));
    EXPECT_EQ(controller.lastMouse(), (ViewPoint{0, 0}));
}

TEST_F(StrokeControllerTest, MoveErasesThenPaintsFromTheLastPointThenDraws) {
    controller.PaintBox1MouseDown(100, 50, brush);
    controller.PaintBox1MouseMove(103, 52, brush);
    host.clear();
    controller.PaintBox1MouseMove(108, 49, brush);
    EXPECT_EQ(host.events, join({{"erase 53,2,153,102"}, kStep, {"draw 58,-1,158,99"}}));
    ASSERT_EQ(host.dabs.size(), 1u);
    EXPECT_EQ(host.dabs[0].prevMouseX, 103);
    EXPECT_EQ(host.dabs[0].prevMouseY, 52);
    EXPECT_EQ(host.dabs[0].mouseX, 108);
    EXPECT_EQ(host.dabs[0].mouseY, 49);
    EXPECT_EQ(controller.lastMouse(), (ViewPoint{108, 49}));
}

TEST_F(StrokeControllerTest, TickRepeatsAtTheLastPointWithoutMotion) {
    controller.PaintBox1MouseDown(100, 50, brush);
    controller.PaintBox1MouseMove(103, 52, brush);
    host.clear();
    controller.Timer1Timer(brush);
    EXPECT_EQ(host.events, join({{"erase 53,2,153,102"}, kStep, {"draw 53,2,153,102"}}));
    ASSERT_EQ(host.dabs.size(), 1u);
    EXPECT_EQ(host.dabs[0].mouseX, 103);
    EXPECT_EQ(host.dabs[0].prevMouseX, 103);
    EXPECT_EQ(host.dabs[0].mouseY, 52);
    EXPECT_EQ(host.dabs[0].prevMouseY, 52);
}

TEST_F(StrokeControllerTest, ReleaseEndsTheStrokeAndLeavesTheOutline) {
    controller.PaintBox1MouseUp(5, 5);  // no stroke: nothing
    EXPECT_TRUE(host.events.empty());

    controller.PaintBox1MouseDown(100, 50, brush);
    controller.PaintBox1MouseMove(103, 52, brush);
    host.clear();
    controller.PaintBox1MouseUp(120, 70);
    EXPECT_EQ(host.events, (std::vector<std::string>{"release capture", "timer off"}));
    EXPECT_FALSE(controller.strokeActive());
    EXPECT_EQ(controller.lastMouse(), (ViewPoint{120, 70}));
    EXPECT_TRUE(controller.outlineVisible());

    host.clear();
    const std::vector<Displacement> before(session.field().data(),
                                           session.field().data() + session.field().size());
    controller.PaintBox1MouseMove(130, 80, brush);
    EXPECT_EQ(host.events, (std::vector<std::string>{"erase 53,2,153,102", "draw 80,30,180,130"}));
    EXPECT_EQ(std::vector<Displacement>(session.field().data(),
                                        session.field().data() + session.field().size()),
              before);
}

TEST_F(StrokeControllerTest, OutlineUsesTheFieldValuesTruncatedTowardZero) {
    struct Case {
        double radius, zoom;
        ViewPoint at;
        OutlineRect rect;
    };
    for (const Case& c : {
             // 47 * 0.6 = 28.2: the zoom field's value, not the ratio 10 / 16.
             Case{47, 0.6, {5, 100}, {-23, 71, 33, 128}},
             // 27.5: trunc(-17.5) is -17, not -18.
             Case{55, 0.5, {10, 10}, {-17, -17, 37, 37}},
             Case{0, 1.0, {7, 8}, {7, 8, 7, 8}},
             Case{2e9, 10.0, {0, 0}, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}},
         }) {
        BrushSettings b;
        b.radius = c.radius;
        b.zoom = c.zoom;
        EXPECT_EQ(OutlineRectAt(c.at, b), c.rect) << c.radius << " " << c.zoom;
    }
}

TEST_F(StrokeControllerTest, StepConvertsTheViewPointThroughTheZoomRatio) {
    struct Case {
        const char* zoom;
        ViewPoint at;
        int32_t column, row;
    };
    for (const Case& c : {
             Case{"1.0", {100, 50}, 100, 149},
             Case{"2.0", {101, 51}, 50, 174},   // 101 * 10 div 20, 199 - 51 * 10 div 20
             Case{"0.6", {160, 10}, 256, 183},  // 10 : 16
             Case{"0.3", {30, 0}, 99, 199},     // 10 : 33
             // Less than one picture pixel above or left of the view.
             Case{"2.0", {-1, -1}, 0, 199},
             Case{"1.0", {-1, -1}, -1, 200},
         }) {
        controller.ZoomEdChange(c.zoom);
        host.clear();
        controller.PaintBox1MouseDown(c.at.x, c.at.y, brush);
        controller.PaintBox1MouseUp(c.at.x, c.at.y);
        ASSERT_EQ(host.dabs.size(), 1u) << c.zoom;
        EXPECT_EQ(host.dabs[0].centreX, c.column) << c.zoom << " " << c.at.x;
        EXPECT_EQ(host.dabs[0].centreY, c.row) << c.zoom << " " << c.at.y;
    }
}

TEST_F(StrokeControllerTest, PaintRemovesTheOutlineAndPageChangeForgetsIt) {
    controller.PaintBox1MouseMove(100, 50, brush);
    host.clear();
    controller.PaintBox1Paint();
    controller.PaintBox1Paint();
    EXPECT_EQ(host.events, (std::vector<std::string>{"erase 50,0,150,100", "picture", "picture"}));

    controller.PaintBox1MouseMove(100, 50, brush);
    controller.PageControl2Change();
    host.clear();
    controller.PaintBox1MouseMove(90, 50, brush);
    EXPECT_EQ(host.events, (std::vector<std::string>{"draw 40,0,140,100"}));
}

TEST_F(StrokeControllerTest, ZoomChangeResizesAndRepaints) {
    controller.PaintBox1MouseMove(100, 50, brush);
    host.clear();
    controller.ZoomEdChange("2");
    EXPECT_EQ(host.events,
              (std::vector<std::string>{"size 640x400", "erase 50,0,150,100", "picture"}));
    EXPECT_EQ(session.zoom(), (ZoomRatio{20, 10}));

    host.clear();
    controller.ZoomEdChange("0");
    EXPECT_EQ(host.events,
              (std::vector<std::string>{std::string("message ") + kDivisionByZeroMessage}));
    EXPECT_EQ(session.zoom(), (ZoomRatio{20, 10}));

    host.clear();
    controller.ZoomEdChange("-1.5");
    controller.ZoomEdChange("99999999999");
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(session.zoom(), (ZoomRatio{20, 10}));

    controller.ZoomEdChange("not a number");
    EXPECT_EQ(session.zoom(), (ZoomRatio{10, 100}));
    EXPECT_EQ(host.events.front(), "size 32x20");
}

// One repaint a step, of exactly what its render rebuilt; a visible outline
// goes first, as a whole repaint takes it away.
TEST_F(StrokeControllerTest, EachStepRepaintsOnceWhatItsDabChanged) {
    controller.PaintBox1MouseMove(100, 50, brush);  // an outline before the press
    host.clear();
    controller.PaintBox1MouseDown(100, 50, brush);
    EXPECT_EQ(host.events, join({{"capture", "timer on", "erase 50,0,150,100"}, kStep}));
    for (const ViewPoint p : {ViewPoint{130, 60}, ViewPoint{330, 60}, ViewPoint{310, 190}}) {
        controller.PaintBox1MouseMove(p.x, p.y, brush);
    }
    ASSERT_EQ(host.dabs.size(), 4u);
    ASSERT_EQ(host.parts.size(), 4u);
    for (size_t k = 0; k < host.dabs.size(); ++k) {
        EXPECT_EQ(host.parts[k], DabBounds(host.dabs[k], session.width(), session.height())) << k;
    }
    EXPECT_TRUE(host.parts[2].empty());  // column 330 lies outside: nothing changed
    EXPECT_EQ(host.parts[3], (DabRect{260, 0, 60, 60}));

    // A dab outside the picture reports no repaint of its own, yet the step
    // still removes the outline before its (empty) repaint.
    host.clear();
    controller.PaintBox1MouseUp(310, 190);
    controller.PaintBox1MouseMove(400, 10, brush);
    controller.PaintBox1MouseDown(400, 10, brush);
    EXPECT_EQ(host.events,
              (std::vector<std::string>{"release capture", "timer off", "erase 260,140,360,240",
                                        "draw 350,-40,450,60", "capture", "timer on", "dab",
                                        "erase 350,-40,450,60", "part"}));
}

// The progress bar sees, for every step, what a walk over the rows of the
// dab's disc reports: one value per row inside the picture, then 0; nothing
// for a centre off the picture. Nothing more comes from the render or the
// repaint.
TEST_F(StrokeControllerTest, StepsReportTheProgressOfARowWalk) {
    std::vector<int32_t> walked;
    brush.mode = EffectMode::Smear;
    for (const ViewPoint p : {ViewPoint{100, 50}, ViewPoint{107, 46}, ViewPoint{3, 198},
                              ViewPoint{-5, 20}, ViewPoint{319, 0}}) {
        if (!controller.strokeActive()) {
            controller.PaintBox1MouseDown(p.x, p.y, brush);
        } else {
            controller.PaintBox1MouseMove(p.x, p.y, brush);
        }
        const EffectParams& dab = host.dabs.back();
        const int32_t X = dab.centreX;
        const int32_t Y = dab.centreY;
        const int32_t R = dab.radius;
        if (X < 0 || Y < 0 || X >= session.width() || Y >= session.height()) {
            continue;
        }
        for (int32_t i = 0; i < session.height(); ++i) {
            if (i >= Y - R && i <= Y + R) {
                walked.push_back((i - Y + R) * 100 / (2 * R));
            }
        }
        walked.push_back(0);
    }
    EXPECT_EQ(host.progress, walked);
    // Rows of each disc inside the picture, and a closing 0 for each dab
    // whose centre lies inside it.
    EXPECT_EQ(host.progress.size(), size_t{101 + 97 + 52 + 0 + 51 + 4});
}

TEST_F(StrokeControllerTest, AStepThatRaisesAMessageEndsTheStrokeFirst) {
    OwnedDib eightBits;
    ASSERT_TRUE(eightBits.make(40, 30, 8));
    ASSERT_TRUE(session.loadPicture(std::move(eightBits), host));
    EXPECT_EQ(host.events, (std::vector<std::string>{std::string("message ") + kNot24BitsMessage}));
    host.clear();

    controller.PaintBox1MouseDown(5, 5, brush);
    EXPECT_EQ(host.events, (std::vector<std::string>{
                               "capture", "timer on", "dab", "release capture", "timer off",
                               std::string("message ") + kNot24BitsMessage, "part"}));
    EXPECT_FALSE(controller.strokeActive());
    // Rendered whole, so drawn whole.
    EXPECT_EQ(host.parts, (std::vector<DabRect>{{0, 0, 40, 30}}));

    // With the stroke over, moves do not paint and raise no further box.
    host.clear();
    controller.PaintBox1MouseMove(6, 6, brush);
    EXPECT_TRUE(host.dabs.empty());
}

}  // namespace
}  // namespace grimora
