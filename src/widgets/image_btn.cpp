// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/image_btn.h"

#include <utility>

#include <QHideEvent>
#include <QMouseEvent>
#include <QPointer>

namespace grimora {
namespace {

// In the control's own coordinates; fractional positions just left of or
// above the control are outside, which rounding to a point would lose.
bool Inside(const QWidget& widget, const QPointF& position) {
    return position.x() >= 0 && position.y() >= 0 && position.x() < widget.width() &&
           position.y() < widget.height();
}

}  // namespace

TImageBtn::TImageBtn(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(0);
    setFrameShape(QFrame::NoFrame);
}

void TImageBtn::setPicture(const QPixmap& picture) {
    if (pressedShown_) {
        saved_ = picture;
        return;
    }
    picture_ = picture;
    display();
}

void TImageBtn::setPicture2(const QPixmap& picture) {
    picture2_ = picture;
    if (pressedShown_) {
        picture_ = picture2_;
        display();
    }
}

void TImageBtn::ShowPressed() {
    if (pressedShown_) {
        return;
    }
    pressedShown_ = true;
    saved_ = picture_;
    picture_ = picture2_;
    display();
}

void TImageBtn::ShowNormal() {
    if (!pressedShown_) {
        return;
    }
    picture_ = saved_;
    saved_ = QPixmap();
    pressedShown_ = false;
    display();
}

bool TImageBtn::Click() {
    ShowNormal();
    const QPointer<TImageBtn> alive(this);
    emit clicked();
    return !alive.isNull();
}

void TImageBtn::display() {
    if (picture_.isNull()) {
        clear();
        return;
    }
    setPixmap(picture_);
    setFixedSize(picture_.size());
}

void TImageBtn::mousePressEvent(QMouseEvent* event) {
    ShowPressed();
    held_ = true;
    if (event->button() == Qt::LeftButton) {
        leftDown_ = true;
    }
    // Accepted, so that the press does not reach the parent and the control
    // keeps the mouse until the release.
    event->accept();
}

void TImageBtn::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        const bool wasDown = std::exchange(leftDown_, false);
        if (wasDown && Inside(*this, event->position()) && !Click()) {
            return;
        }
    }
    ShowNormal();
    held_ = false;
}

void TImageBtn::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!held_) {
        return;
    }
    if (Inside(*this, event->position())) {
        ShowPressed();
    } else {
        ShowNormal();
    }
}

void TImageBtn::hideEvent(QHideEvent* event) {
    ShowNormal();
    held_ = false;
    leftDown_ = false;
    QLabel::hideEvent(event);
}

}  // namespace grimora
