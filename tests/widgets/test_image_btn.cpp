// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include <QApplication>
#include <QColor>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>

#include <gtest/gtest.h>

#include "widgets/image_btn.h"

namespace grimora {
namespace {

QPixmap Plate(int width, int height, Qt::GlobalColor colour) {
    QPixmap pixmap(width, height);
    pixmap.fill(colour);
    return pixmap;
}

// The colour of a picture's first pixel, or 0 for no picture.
QRgb Shade(const QPixmap& pixmap) {
    return pixmap.isNull() ? 0 : pixmap.toImage().pixel(0, 0);
}

const QRgb kNormal = QColor(Qt::gray).rgb();
const QRgb kPressed = QColor(Qt::yellow).rgb();

// Mouse events are sent straight to the control; positions are its own, as
// the mouse grab of a press delivers them, also outside it.
void Send(TImageBtn& button, QEvent::Type type, Qt::MouseButton which, QPointF at,
          Qt::MouseButtons held) {
    QMouseEvent event(type, at, button.mapToGlobal(at), which, held, Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
}
void Press(TImageBtn& b, QPointF at, Qt::MouseButton which = Qt::LeftButton) {
    Send(b, QEvent::MouseButtonPress, which, at, which);
}
void Move(TImageBtn& b, QPointF at, Qt::MouseButtons held = Qt::LeftButton) {
    Send(b, QEvent::MouseMove, Qt::NoButton, at, held);
}
void Release(TImageBtn& b, QPointF at, Qt::MouseButton which = Qt::LeftButton) {
    Send(b, QEvent::MouseButtonRelease, which, at, Qt::NoButton);
}

class ImageBtnTest : public ::testing::Test {
protected:
    void SetUp() override {
        button.setPicture(Plate(101, 30, Qt::gray));
        button.setPicture2(Plate(101, 30, Qt::yellow));
        QObject::connect(&button, &TImageBtn::clicked, [this] {
            ++clicks;
            shownAtClick = Shade(button.Picture());
            pressedAtClick = button.pressedShown();
        });
    }

    // What the control shows, both as its property and as the label's pixmap.
    QRgb Shows() {
        EXPECT_EQ(Shade(button.Picture()), Shade(button.pixmap()));
        return Shade(button.Picture());
    }

    TImageBtn button;
    int clicks = 0;
    QRgb shownAtClick = 0;
    bool pressedAtClick = true;
};

TEST_F(ImageBtnTest, SizesItselfToItsPicture) {
    EXPECT_EQ(button.size(), QSize(101, 30));
    button.setPicture(Plate(40, 12, Qt::gray));
    EXPECT_EQ(button.size(), QSize(40, 12));
    EXPECT_EQ(Shows(), kNormal);
}

TEST_F(ImageBtnTest, DragOutAndInFollowsThePointerAndReleaseOutsideDoesNotClick) {
    struct Step {
        const char* what;
        QEvent::Type type;
        QPointF at;
        QRgb shows;
        bool held;
    };
    const std::vector<Step> steps = {
        {"press", QEvent::MouseButtonPress, {50, 15}, kPressed, true},
        {"move inside", QEvent::MouseMove, {100.5, 29.5}, kPressed, true},
        {"out at the right", QEvent::MouseMove, {101, 15}, kNormal, true},
        {"back in", QEvent::MouseMove, {0, 0}, kPressed, true},
        {"just above", QEvent::MouseMove, {10, -0.25}, kNormal, true},
        {"just left", QEvent::MouseMove, {-0.25, 10}, kNormal, true},
        {"below", QEvent::MouseMove, {10, 30}, kNormal, true},
        {"release outside", QEvent::MouseButtonRelease, {10, 30}, kNormal, false},
        {"move after release", QEvent::MouseMove, {10, 10}, kNormal, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const Qt::MouseButton which =
            step.type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        Send(button, step.type, which, step.at,
             step.type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton);
        EXPECT_EQ(Shows(), step.shows);
        EXPECT_EQ(button.pressedShown(), step.shows == kPressed);
        EXPECT_EQ(button.held(), step.held);
    }
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(button.size(), QSize(101, 30));
}

TEST_F(ImageBtnTest, ClickShowsTheNormalPictureBeforeItsActionRuns) {
    Press(button, {20, 10});
    Move(button, {-5, 10});
    Move(button, {30, 12});
    ASSERT_TRUE(button.pressedShown());
    Release(button, {30, 12});
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(shownAtClick, kNormal);
    EXPECT_FALSE(pressedAtClick);
    EXPECT_EQ(Shows(), kNormal);
    EXPECT_FALSE(button.held());

    Press(button, {1, 1});
    Release(button, {1, 1});
    EXPECT_EQ(clicks, 2);
}

TEST_F(ImageBtnTest, OtherButtonsPressButDoNotClick) {
    for (const Qt::MouseButton which : {Qt::RightButton, Qt::MiddleButton}) {
        Press(button, {20, 10}, which);
        EXPECT_EQ(Shows(), kPressed);
        EXPECT_TRUE(button.held());
        Move(button, {200, 10}, which);
        EXPECT_EQ(Shows(), kNormal);
        Move(button, {20, 10}, which);
        EXPECT_EQ(Shows(), kPressed);
        Release(button, {20, 10}, which);
        EXPECT_EQ(Shows(), kNormal);
        EXPECT_FALSE(button.held());
    }
    EXPECT_EQ(clicks, 0);
}

TEST_F(ImageBtnTest, WithoutAPressedPictureShowsNothingWhileHeld) {
    button.setPicture2(QPixmap());
    Press(button, {20, 10});
    EXPECT_TRUE(button.pressedShown());
    EXPECT_EQ(Shows(), 0u);
    EXPECT_EQ(button.size(), QSize(101, 30));  // still the same target to release on
    Release(button, {20, 10});
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(Shows(), kNormal);
}

TEST_F(ImageBtnTest, PicturesSetWhileHeldAreNotLost) {
    Press(button, {20, 10});
    button.setPicture(Plate(101, 30, Qt::blue));
    EXPECT_EQ(Shows(), kPressed);
    button.setPicture2(Plate(101, 30, Qt::red));
    EXPECT_EQ(Shows(), QColor(Qt::red).rgb());
    Release(button, {200, 10});
    EXPECT_EQ(Shows(), QColor(Qt::blue).rgb());
}

TEST(ImageBtn, ClickActionMayDestroyTheControl) {
    QPointer<TImageBtn> button = new TImageBtn;
    button->setPicture(Plate(10, 10, Qt::gray));
    QObject::connect(button, &TImageBtn::clicked, [&button] { delete button.data(); });
    Press(*button, {5, 5});
    Release(*button, {5, 5});
    EXPECT_TRUE(button.isNull());
}

TEST_F(ImageBtnTest, HidingForgetsThePress) {
    button.show();
    Press(button, {20, 10});
    button.hide();
    EXPECT_FALSE(button.held());
    EXPECT_EQ(Shows(), kNormal);
    Move(button, {20, 10});
    EXPECT_FALSE(button.pressedShown());
}

}  // namespace
}  // namespace grimora
