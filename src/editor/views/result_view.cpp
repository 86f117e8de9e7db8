// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/views/result_view.h"

#include <string>

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include "picture/dib_queries.h"
#include "picture/draw_dib.h"
#include "picture/host.h"
#include "platform/qt_device_context.h"

namespace grimora {

namespace {

// Drawing a 24-bit or 8-bit picture on a screen reports nothing.
class NoMessages final : public MessageSink {
public:
    void showMessage(const std::string&) override {}
};

}  // namespace

ResultView::ResultView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ErgPaintBox"));
    setCursor(Qt::PointingHandCursor);
}

void ResultView::setPicture(const Dib* picture) {
    picture_ = picture;
    ErgPaintBoxPaint();
}

bool ResultView::fitToPicture() {
    if (picture_ == nullptr || picture_->bits == nullptr || picture_->info == nullptr) {
        return false;
    }
    const int w = DibWidth(*picture_);
    const int h = DibHeight(*picture_);
    if (width() == w && height() == h) {
        return false;
    }
    // The scroll area's ranges follow the view's size.
    resize(w, h);
    return true;
}

void ResultView::ErgPaintBoxPaint() {
    fitToPicture();
    update();
}

void ResultView::paintEvent(QPaintEvent* event) {
    // A size change repaints the view anew at the new size.
    if (fitToPicture() || picture_ == nullptr || picture_->bits == nullptr ||
        picture_->info == nullptr) {
        return;
    }
    const int32_t w = DibWidth(*picture_);
    const int32_t h = DibHeight(*picture_);
    QPainter painter(this);
    QtDeviceContext dc(painter);
    NoMessages messages;
    // One to one, drawing only the part asked for gives the same pixels as
    // drawing the whole picture and letting the device clip it.
    const QRect part = event->rect() & QRect(0, 0, w, h);
    if (part.isEmpty()) {
        return;
    }
    DrawDib(dc, part.x(), part.y(), part.width(), part.height(), *picture_, part.x(),
            h - part.y() - part.height(), part.width(), part.height(), true, RasterOp::SrcCopy,
            true, nullptr, messages);
}

void ResultView::ErgPaintBoxMouseDown(int32_t x, int32_t y) {
    pan_.press(x, y);
}

void ResultView::ErgPaintBoxMouseMove(int32_t x, int32_t y) {
    if (scrollBox_ == nullptr) {
        return;
    }
    QScrollBar* hbar = scrollBox_->horizontalScrollBar();
    QScrollBar* vbar = scrollBox_->verticalScrollBar();
    const std::optional<ScrollPositions> to =
        pan_.drag(x, y, {hbar->value(), width()}, {vbar->value(), height()});
    if (!to) {
        return;
    }
    hbar->setValue(to->horizontal);
    vbar->setValue(to->vertical);
}

void ResultView::ErgPaintBoxMouseUp() {
    pan_.release();
}

void ResultView::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    ErgPaintBoxMouseDown(p.x(), p.y());
}

void ResultView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    ErgPaintBoxMouseMove(p.x(), p.y());
}

void ResultView::mouseReleaseEvent(QMouseEvent*) {
    ErgPaintBoxMouseUp();
}

}  // namespace grimora
