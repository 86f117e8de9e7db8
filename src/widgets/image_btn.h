// SPDX-License-Identifier: GPL-3.0-or-later
// A picture that behaves as a button: it shows its normal picture, shows a
// second, pressed picture while a mouse button is held on it, and raises
// clicked() on a left-button release inside it.
#pragma once

#include <QLabel>
#include <QPixmap>

class QHideEvent;
class QMouseEvent;

namespace grimora {

class TImageBtn : public QLabel {
    Q_OBJECT

public:
    explicit TImageBtn(QWidget* parent = nullptr);

    // The picture property: the picture shown now. It is the normal picture,
    // except while the pressed picture is shown, when it is a copy of that.
    const QPixmap& Picture() const { return picture_; }
    // Sets the normal picture. While the pressed picture is shown the new one
    // is kept for the release, so that it is not lost when the press ends.
    void setPicture(const QPixmap& picture);

    // The pressed picture; an empty one makes the control show nothing while
    // it is held.
    const QPixmap& Picture2() const { return picture2_; }
    void setPicture2(const QPixmap& picture);

    // A mouse button went down on the control and has not come up yet.
    bool held() const { return held_; }
    // The pressed picture is shown at the moment.
    bool pressedShown() const { return pressedShown_; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // A hidden control gets no release: it forgets the press.
    void hideEvent(QHideEvent* event) override;

private:
    void ShowPressed();
    void ShowNormal();
    // Normal picture back, then clicked(); false when the click's action
    // destroyed the control.
    bool Click();
    // Shows `picture_` and sizes the control to it; an empty picture keeps the size.
    void display();

    QPixmap picture_;
    QPixmap picture2_;
    QPixmap saved_;  // the normal picture while the pressed one is shown
    bool held_ = false;
    bool pressedShown_ = false;
    bool leftDown_ = false;  // a click needs the left button to have gone down here
};

}  // namespace grimora
