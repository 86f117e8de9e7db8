// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/views/result_view.h"

#include <string>

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>

#include "editor/device_pixels.h"
#include "editor/views/scroll_pan.h"
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
    const double r = ratio();
    const QSize size(static_cast<int>(LogicalCover(DibWidth(*picture_), r)),
                     static_cast<int>(LogicalCover(DibHeight(*picture_), r)));
    if (this->size() == size) {
        return false;
    }
    // The scroll area's ranges follow the view's size.
    resize(size);
    return true;
}

QPoint ResultView::devicePoint(QPointF logical) const {
    const double r = ratio();
    return QPoint(static_cast<int>(DevicePixelAt(logical.x(), r)),
                  static_cast<int>(DevicePixelAt(logical.y(), r)));
}

bool ResultView::event(QEvent* event) {
    // On a screen of another density the picture takes another logical size.
    if (event->type() == QEvent::ScreenChangeInternal) {
        fitToPicture();
    }
    return QWidget::event(event);
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
    const double r = ratio();
    const QRect asked = event->rect();
    const PixelSpan xs = DeviceSpan(asked.left(), int64_t{asked.left()} + asked.width(), r);
    const PixelSpan ys = DeviceSpan(asked.top(), int64_t{asked.top()} + asked.height(), r);
    // One to one, drawing only the part asked for gives the same pixels as
    // drawing the whole picture and letting the device clip it.
    const QRect part =
        QRect(static_cast<int>(xs.begin), static_cast<int>(ys.begin),
              static_cast<int>(xs.end - xs.begin), static_cast<int>(ys.end - ys.begin)) &
        QRect(0, 0, w, h);
    if (part.isEmpty()) {
        return;
    }
    QPainter painter(this);
    // In device pixels, one picture pixel on each.
    painter.scale(1.0 / r, 1.0 / r);
    QtDeviceContext dc(painter);
    NoMessages messages;
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
    if (picture_ == nullptr || picture_->info == nullptr) {
        return;
    }
    DragScrollArea(*scrollBox_, pan_, {x, y}, ratio(), DibWidth(*picture_), DibHeight(*picture_));
}

void ResultView::ErgPaintBoxMouseUp() {
    pan_.release();
}

void ResultView::mousePressEvent(QMouseEvent* event) {
    const QPoint p = devicePoint(event->position());
    ErgPaintBoxMouseDown(p.x(), p.y());
}

void ResultView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = devicePoint(event->position());
    ErgPaintBoxMouseMove(p.x(), p.y());
}

void ResultView::mouseReleaseEvent(QMouseEvent*) {
    ErgPaintBoxMouseUp();
}

}  // namespace grimora
