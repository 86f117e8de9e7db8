// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo of strokes and loads, against a model that keeps whole
// copies of every state.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/stroke_controller.h"
#include "editor/warp_session.h"
#include "picture/dib_queries.h"
#include "warp/render.h"

namespace grimora {
namespace {

// The editing page without a window: only the timer and what the history
// reports are kept.
class QuietHost : public EditorHost {
public:
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void captureMouse() override {}
    void releaseMouse() override {}
    void setTimerEnabled(bool on) override { timer = on; }
    void drawOutline(const OutlineRect&) override {}
    void eraseOutline(const OutlineRect&) override {}
    void drawPicture() override { ++wholeDrawings; }
    void drawPictureRect(const DabRect& rect) override { drawn.push_back(rect); }
    void setViewSize(int64_t, int64_t) override {}
    void SetProStatus(int32_t) override {}
    void historyChanged() override { ++historyChanges; }
    void oldestStepsDropped() override { ++dropNotices; }
    void pictureReplaced() override { ++pictureChanges; }

    std::vector<std::string> messages;
    std::vector<DabRect> drawn;
    bool timer = false;
    int wholeDrawings = 0;
    int historyChanges = 0;
    int dropNotices = 0;
    int pictureChanges = 0;
};

std::vector<Displacement> Entries(const DisplacementField& field) {
    return {field.data(), field.data() + field.size()};
}

std::vector<uint8_t> PixelBytes(const Dib& dib) {
    return {dib.bits, dib.bits + dib.info->bmiHeader.biSizeImage};
}

OwnedDib Noise(int32_t width, int32_t height, std::mt19937& gen) {
    OwnedDib picture;
    EXPECT_TRUE(picture.make(width, height, 24));
    std::uniform_int_distribution<int> byte(0, 255);
    for (uint32_t i = 0; i < picture->info->bmiHeader.biSizeImage; ++i) {
        picture->bits[i] = static_cast<uint8_t>(byte(gen));
    }
    return picture;
}

// What the model keeps of one state: the source's pixels, the field and the
// freeze mask.
struct State {
    std::vector<uint8_t> source;
    std::vector<Displacement> field;
    std::vector<uint8_t> mask;
    friend bool operator==(const State&, const State&) = default;
};

State StateOf(const WarpSession& session) {
    const FreezeMask& mask = session.mask();
    return {PixelBytes(session.source()), Entries(session.field()),
            std::vector<uint8_t>(mask.data(), mask.data() + mask.size())};
}

void ExpectResultIsAWholeRender(const WarpSession& session, const std::string& what) {
    OwnedDib whole;
    QuietHost messages;
    renderdi(session.source(), session.field(), whole, messages);
    ASSERT_EQ(PixelBytes(session.result()), PixelBytes(whole.get())) << what;
}

// Random strokes of every brush (the mask's too), loads, mask commands, and
// undo and redo in any order, some of them while a stroke is active: after
// every command the session holds the model's state, its result is a whole
// render of it, and each stroke's step holds at most two entries' worth of
// memory per entry it changed.
TEST(History, RandomStrokesLoadsUndoAndRedoFollowAModelOfWholeCopies) {
    std::mt19937 gen(20261209);
    WarpSession session;
    QuietHost host;
    StrokeController controller(session, host);
    controller.resizeView();
    std::vector<State> states{StateOf(session)};
    std::size_t at = 0;
    std::uniform_int_distribution<int> command(0, 99);
    std::uniform_int_distribution<int> mode(0, 6);
    BrushSettings brush;
    int undone = 0;
    int redone = 0;
    int loads = 0;
    for (int k = 0; k < 600; ++k) {
        const std::string what = "command " + std::to_string(k);
        const int c = command(gen);
        if (c < 55) {
            // A stroke of a few steps, part of it possibly off the picture.
            brush.mode = static_cast<EffectMode>(mode(gen));
            brush.radius = std::uniform_int_distribution<int>(0, 40)(gen);
            brush.strength = std::uniform_real_distribution<double>(0.1, 1.0)(gen);
            brush.normalize = gen() % 2 == 0;
            brush.xSwitch = gen() % 3 != 0;
            brush.ySwitch = gen() % 3 != 0;
            std::uniform_int_distribution<int> x(-20, session.width() + 20);
            std::uniform_int_distribution<int> y(-20, session.height() + 20);
            const State before = StateOf(session);
            const std::size_t bytesBefore = session.history().bytes();
            controller.PaintBox1MouseDown(x(gen), y(gen), brush);
            const int moves = std::uniform_int_distribution<int>(0, 5)(gen);
            for (int m = 0; m < moves; ++m) {
                if (gen() % 4 == 0) {
                    controller.Timer1Timer(brush);
                } else {
                    controller.PaintBox1MouseMove(x(gen), y(gen), brush);
                }
                if (gen() % 5 == 0) {
                    // Undo and redo wait for the stroke's end.
                    const std::vector<Displacement> now = Entries(session.field());
                    controller.Undo();
                    controller.Redo();
                    ASSERT_EQ(Entries(session.field()), now) << what;
                }
            }
            controller.PaintBox1MouseUp(x(gen), y(gen));
            const State after = StateOf(session);
            if (after == before) {
                ASSERT_EQ(session.history().bytes(), bytesBefore) << what << ": no step";
            } else {
                states.resize(at + 1);
                states.push_back(after);
                ++at;
                std::size_t changed = 0;
                for (std::size_t i = 0; i < after.field.size(); ++i) {
                    changed += after.field[i] != before.field[i] ? 2 : 0;
                    changed += after.mask[i] != before.mask[i] ? 2 : 0;
                }
                // The redo side went; the rest of the history is as it was.
                ASSERT_LE(
                    session.history().bytes() - std::min(bytesBefore, session.history().bytes()),
                    16 * changed + (std::size_t{64} << 10))
                    << what;
            }
        } else if (c < 62) {
            const State before = StateOf(session);
            if (c < 60) {
                controller.InvertMask();
            } else {
                controller.ClearMask();
            }
            const State after = StateOf(session);
            if (after != before) {
                states.resize(at + 1);
                states.push_back(after);
                ++at;
            }
        } else if (c < 65) {
            std::uniform_int_distribution<int32_t> side(1, 90);
            ASSERT_TRUE(session.loadPicture(Noise(side(gen), side(gen), gen), host, "noise"));
            states.resize(at + 1);
            states.push_back(StateOf(session));
            ++at;
            ++loads;
        } else if (c < 82) {
            controller.Undo();
            if (at > 0) {
                --at;
                ++undone;
            }
        } else {
            controller.Redo();
            if (at + 1 < states.size()) {
                ++at;
                ++redone;
            }
        }
        ASSERT_EQ(StateOf(session), states[at]) << what;
        ASSERT_NO_FATAL_FAILURE(ExpectResultIsAWholeRender(session, what));
        ASSERT_EQ(session.canUndo(), at > 0) << what;
        ASSERT_EQ(session.canRedo(), at + 1 < states.size()) << what;
    }
    EXPECT_GT(undone, 50);
    EXPECT_GT(redone, 20);
    EXPECT_GT(loads, 5);
    EXPECT_TRUE(host.messages.empty());
}

TEST(History, StrokesThatChangeNothingLeaveNoStepAndANewStrokeDropsTheRedoSide) {
    WarpSession session;
    QuietHost host;
    StrokeController controller(session, host);
    BrushSettings brush;
    brush.mode = EffectMode::Smear;
    controller.PaintBox1MouseDown(100, 100, brush);  // smear without motion
    controller.Timer1Timer(brush);
    controller.PaintBox1MouseUp(100, 100);
    brush.mode = EffectMode::Grow;
    controller.PaintBox1MouseDown(-60, 500, brush);  // off the picture
    controller.PaintBox1MouseUp(-60, 500);
    brush.radius = 0;
    controller.PaintBox1MouseDown(100, 100, brush);
    controller.PaintBox1MouseUp(100, 100);
    EXPECT_FALSE(session.canUndo());
    EXPECT_EQ(session.history().size(), 0u);

    brush.radius = 30;
    controller.PaintBox1MouseDown(100, 100, brush);
    controller.PaintBox1MouseUp(100, 100);
    const std::vector<Displacement> first = Entries(session.field());
    controller.PaintBox1MouseDown(150, 60, brush);
    controller.PaintBox1MouseUp(150, 60);
    controller.Undo();
    EXPECT_EQ(Entries(session.field()), first);
    EXPECT_TRUE(session.canRedo());
    brush.mode = EffectMode::Shrink;
    controller.PaintBox1MouseDown(40, 40, brush);
    controller.PaintBox1MouseUp(40, 40);
    EXPECT_FALSE(session.canRedo());
    EXPECT_EQ(session.history().size(), 2u);
    // Undo draws exactly the part it changed.
    host.drawn.clear();
    controller.Undo();
    ASSERT_EQ(host.drawn.size(), 1u);
    const DabRect part = host.drawn[0];
    EXPECT_GE(part.x, 40 - 30);
    EXPECT_LE(part.x + part.width, 40 + 31);
}

// A load undone brings the previous picture back with its distortion, and
// its own steps stay reachable; a redo brings the loaded one back.
TEST(History, ALoadIsAStepAndTheStepsBeforeItStayReachable) {
    std::mt19937 gen(5);
    WarpSession session;
    QuietHost host;
    StrokeController controller(session, host);
    BrushSettings brush;
    ASSERT_TRUE(session.loadPicture(Noise(120, 80, gen), host, "a.png"));
    controller.PaintBox1MouseDown(60, 40, brush);
    controller.PaintBox1MouseUp(60, 40);
    const State distortedA = StateOf(session);
    ASSERT_TRUE(session.loadPicture(Noise(50, 70, gen), host, "b.png"));
    const State loadedB = StateOf(session);

    controller.Undo();
    EXPECT_EQ(StateOf(session), distortedA);
    EXPECT_EQ(session.origin(), "a.png");
    EXPECT_EQ(host.pictureChanges, 1);
    controller.Undo();
    EXPECT_NE(Entries(session.field()), distortedA.field);  // the stroke taken back
    controller.Redo();
    controller.Redo();
    EXPECT_EQ(StateOf(session), loadedB);
    EXPECT_EQ(session.origin(), "b.png");
    EXPECT_EQ(host.pictureChanges, 2);

    // A load that fails is no step.
    OwnedDib empty;
    EXPECT_FALSE(session.loadPicture(std::move(empty), host, "c.png"));
    EXPECT_FALSE(session.canRedo());
    controller.Undo();
    EXPECT_EQ(StateOf(session), distortedA);
}

// With a small budget the oldest steps go, the newest still undo exactly,
// and the host hears of it once.
TEST(History, ABudgetDropsTheOldestStepsAndKeepsTheNewestExact) {
    WarpSession session;
    QuietHost host;
    StrokeController controller(session, host);
    BrushSettings brush;
    brush.radius = 20;
    std::vector<std::vector<Displacement>> states{Entries(session.field())};
    for (int k = 0; k < 12; ++k) {
        controller.PaintBox1MouseDown(20 + 25 * k, 100, brush);
        controller.PaintBox1MouseUp(20 + 25 * k, 100);
        states.push_back(Entries(session.field()));
    }
    ASSERT_EQ(session.history().size(), 12u);
    EXPECT_EQ(host.dropNotices, 0);
    const std::size_t perStep = session.history().bytes() / 12;
    session.setHistoryBudget(perStep * 5);
    controller.PaintBox1MouseDown(100, 30, brush);
    controller.PaintBox1MouseUp(100, 30);
    states.push_back(Entries(session.field()));
    EXPECT_EQ(host.dropNotices, 1);
    EXPECT_LE(session.history().bytes(), perStep * 5);
    const std::size_t kept = session.history().size();
    EXPECT_GE(kept, 3u);
    for (std::size_t k = 1; k <= kept; ++k) {
        controller.Undo();
        ASSERT_EQ(Entries(session.field()), states[states.size() - 1 - k]) << k;
    }
    EXPECT_FALSE(session.canUndo());
    for (std::size_t k = 0; k < kept; ++k) {
        controller.Redo();
    }
    EXPECT_EQ(Entries(session.field()), states.back());
}

}  // namespace
}  // namespace grimora
