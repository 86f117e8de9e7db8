// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/views/edit_canvas.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointingDevice>
#include <QTabletEvent>

#include "editor/device_pixels.h"
#include "editor/views/outline_ink.h"
#include "editor/views/scroll_pan.h"
#include "editor/views/zoomed_window.h"
#include "picture/dib_queries.h"
#include "picture/draw_dib.h"
#include "platform/qt_device_context.h"

namespace grimora {

namespace {

int32_t toInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, std::numeric_limits<int32_t>::max()));
}

int toInt32Signed(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                std::numeric_limits<int32_t>::max()));
}

// Forwards the drawing's messages to the sink set on the view, if any.
class ForwardedMessages final : public MessageSink {
public:
    explicit ForwardedMessages(MessageSink* target) : target_(target) {}
    void showMessage(const std::string& text) override {
        if (target_ != nullptr) {
            target_->showMessage(text);
        }
    }

private:
    MessageSink* target_;
};

}  // namespace

EditCanvas::EditCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PaintBox1"));
    // The outline follows the mouse with no button held, too.
    setMouseTracking(true);
    // Clicked or tabbed to, it takes the keys of the editing page.
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

EditCanvas::~EditCanvas() = default;

void EditCanvas::setPicture(const Dib* picture, ZoomRatio zoom) {
    picture_ = picture;
    zoom_ = zoom;
    // Drawn again before the next drawing; an outline shown stays shown
    // until it is erased or the picture covers it.
    backingDrawn_ = false;
}

QRect EditCanvas::visibleArea() const {
    QRect area = rect();
    if (const QWidget* parent = parentWidget()) {
        area &= QRect(-pos(), parent->size());
    }
    if (area.isEmpty()) {
        return {};
    }
    const double r = ratio();
    const PixelSpan xs = DeviceSpan(area.left(), int64_t{area.left()} + area.width(), r);
    const PixelSpan ys = DeviceSpan(area.top(), int64_t{area.top()} + area.height(), r);
    return QRect(static_cast<int>(xs.begin), static_cast<int>(ys.begin),
                 static_cast<int>(std::min<int64_t>(xs.end - xs.begin, kMaxBackingSide)),
                 static_cast<int>(std::min<int64_t>(ys.end - ys.begin, kMaxBackingSide)));
}

QRect EditCanvas::logicalCover(const QRect& area) const {
    const double r = ratio();
    const PixelSpan xs = LogicalSpan(area.left(), int64_t{area.left()} + area.width(), r);
    const PixelSpan ys = LogicalSpan(area.top(), int64_t{area.top()} + area.height(), r);
    return QRect(static_cast<int>(xs.begin), static_cast<int>(ys.begin),
                 static_cast<int>(xs.end - xs.begin), static_cast<int>(ys.end - ys.begin));
}

QPoint EditCanvas::devicePoint(QPointF logical) const {
    const double r = ratio();
    return QPoint(toInt32Signed(DevicePixelAt(logical.x(), r)),
                  toInt32Signed(DevicePixelAt(logical.y(), r)));
}

bool EditCanvas::fitBacking() {
    const QRect area = visibleArea();
    if (area == backingRect_ && (!backing_.isNull() || area.isEmpty())) {
        return false;
    }
    backingRect_ = area;
    backing_ = area.isEmpty() ? QImage() : QImage(area.size(), QImage::Format_RGB32);
    if (backing_.isNull()) {
        backingRect_ = QRect();
    }
    backingDrawn_ = false;
    return true;
}

QSize EditCanvas::zoomedSize() const {
    return {toInt32(ViewLength(DibWidth(*picture_), zoom_)),
            toInt32(ViewLength(DibHeight(*picture_), zoom_))};
}

void EditCanvas::renderPicture() {
    backingDrawn_ = true;
    if (backing_.isNull()) {
        return;
    }
    backing_.fill(palette().color(QPalette::Dark));
    if (picture_ == nullptr || picture_->bits == nullptr || picture_->info == nullptr) {
        return;
    }
    const int32_t w = DibWidth(*picture_);
    const int32_t h = DibHeight(*picture_);
    const int32_t viewWidth = zoomedSize().width();
    const int32_t viewHeight = zoomedSize().height();
    // The visible part alone, with the pixels DrawDib gives the whole view.
    if (DrawZoomedWindow(backing_, backingRect_.topLeft(), *picture_, viewWidth, viewHeight)) {
        drawExtras(backingRect_);
        return;
    }
    QPainter painter(&backing_);
    QtDeviceContext dc(painter);
    ForwardedMessages messages(messages_);
    // The whole picture, placed so that the backing image's corner is the
    // visible area's corner; the device keeps only the rows that land in it.
    DrawDib(dc, -backingRect_.x(), -backingRect_.y(), viewWidth, viewHeight, *picture_, 0, 0, w, h,
            true, RasterOp::SrcCopy, true, nullptr, messages);
}

void EditCanvas::drawPicture() {
    fitBacking();
    renderPicture();
    // The picture covers whatever outline was in the image.
    shownOutline_.reset();
    changed(backingRect_);
}

void EditCanvas::drawPictureRect(const DabRect& pictureRect) {
    if (fitBacking() || !backingDrawn_ || backing_.isNull() || picture_ == nullptr ||
        picture_->bits == nullptr || picture_->info == nullptr) {
        drawPicture();
        return;
    }
    // Inverted pixels inside the part would be drawn over and those outside
    // left: take the whole outline away first.
    if (shownOutline_) {
        invertPixels(*shownOutline_);
        shownOutline_.reset();
    }
    const QSize view = zoomedSize();
    const QRect area = ZoomedViewRect(pictureRect, DibWidth(*picture_), DibHeight(*picture_),
                                      view.width(), view.height()) &
                       backingRect_;
    if (area.isEmpty()) {
        return;
    }
    // The part of the backing image itself, drawn in place.
    QImage part = backingPart(area);
    if (!DrawZoomedWindow(part, area.topLeft(), *picture_, view.width(), view.height())) {
        drawPicture();
        return;
    }
    drawExtras(area);
    changed(area);
}

QImage EditCanvas::backingPart(const QRect& area) {
    const QPoint at = area.topLeft() - backingRect_.topLeft();
    return QImage(backing_.bits() + at.y() * backing_.bytesPerLine() + at.x() * 4, area.width(),
                  area.height(), backing_.bytesPerLine(), QImage::Format_RGB32);
}

void EditCanvas::setExtras(const CanvasExtras& extras) {
    if (extras.compare && !extras_.compare) {
        // The divider starts in the middle of what is in sight.
        const QRect seen = visibleArea();
        divider_ = seen.isEmpty() ? viewSize_.width() / 2 : seen.center().x();
    }
    extras_ = extras;
    setCursor(Qt::ArrowCursor);
    backingDrawn_ = false;
}

void EditCanvas::drawExtras(const QRect& area) {
    const CanvasExtras& x = extras_;
    if (picture_ == nullptr || area.isEmpty()) {
        return;
    }
    const QSize view = zoomedSize();
    const ViewMapping map{DibWidth(*picture_), DibHeight(*picture_), view.width(), view.height()};
    if (x.source != nullptr && (x.sourceOnly || x.compare)) {
        QRect left = area;
        if (!x.sourceOnly) {
            left.setRight(std::min(area.right(), divider_ - 1));
        }
        if (!left.isEmpty()) {
            QImage part = backingPart(left);
            DrawZoomedWindow(part, left.topLeft(), *x.source, view.width(), view.height());
        }
    }
    const QRect inside = area & QRect(0, 0, view.width(), view.height());
    if (inside.isEmpty() || x.sourceOnly) {
        return;
    }
    const QPoint at = inside.topLeft() - backingRect_.topLeft();
    const ViewPixels pixels{reinterpret_cast<uint32_t*>(backing_.scanLine(at.y())) + at.x(),
                            backing_.bytesPerLine() / 4,
                            inside.x(),
                            inside.y(),
                            inside.width(),
                            inside.height()};
    if (x.showMask && x.mask != nullptr) {
        TintMask(pixels, map, *x.mask);
    }
    if (x.showFolds && x.folds != nullptr) {
        TintFolds(pixels, map, *x.folds);
    }
    if (x.showGrid && x.field != nullptr) {
        DrawGrid(pixels, map, *x.field, GridCell(zoom_));
    }
    if (x.compare && divider_ >= inside.left() && divider_ <= inside.right()) {
        for (int32_t vy = inside.top(); vy <= inside.bottom(); ++vy) {
            // Dark and light in turn, so that the line shows on any picture.
            pixels.row(vy)[divider_] = (vy / 4) % 2 == 0 ? 0xFFFFFFFFu : 0xFF000000u;
        }
    }
}

void EditCanvas::setDivider(int32_t x) {
    const QSize view = picture_ != nullptr ? zoomedSize() : QSize();
    x = std::clamp(x, 0, std::max(view.width() - 1, 0));
    if (x == divider_) {
        return;
    }
    const int32_t from = std::min(x, divider_);
    const int32_t to = std::max(x, divider_);
    divider_ = x;
    if (!extras_.compare || !backingDrawn_ || backing_.isNull() || picture_ == nullptr) {
        return;
    }
    // Only the columns between the old and the new place change.
    const QRect area =
        QRect(QPoint(from, backingRect_.top()), QPoint(to, backingRect_.bottom())) & backingRect_;
    if (area.isEmpty()) {
        return;
    }
    if (shownOutline_) {
        invertPixels(*shownOutline_);
        shownOutline_.reset();
    }
    QImage part = backingPart(area);
    DrawZoomedWindow(part, area.topLeft(), *picture_, view.width(), view.height());
    drawExtras(area);
    changed(area);
}

bool EditCanvas::nearDivider(int x) const {
    // Three logical pixels either side, in the device pixels the view counts.
    return extras_.compare && !extras_.sourceOnly &&
           std::abs(x - divider_) <= std::lround(3 * ratio());
}

void EditCanvas::ensureBacking() {
    if (!fitBacking() && backingDrawn_) {
        return;
    }
    renderPicture();
    // A backing image made anew shows the outline drawn before, so that
    // erasing it later removes it as the caller expects.
    if (shownOutline_) {
        invertPixels(*shownOutline_);
    }
}

void EditCanvas::invertOutline(const OutlineRect& rect) {
    ensureBacking();
    invertPixels(rect);
}

void EditCanvas::invertPixels(const OutlineRect& rect) {
    if (backing_.isNull()) {
        return;
    }
    const QRect& b = backingRect_;
    const PixelArea clip{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    const std::vector<PixelRun> runs = OutlineRuns(rect, clip);
    if (runs.empty()) {
        return;
    }
    int32_t x0 = std::numeric_limits<int32_t>::max();
    int32_t x1 = std::numeric_limits<int32_t>::min();
    for (const PixelRun& run : runs) {
        auto* line = reinterpret_cast<uint32_t*>(backing_.scanLine(run.y - b.top()));
        for (int32_t x = run.x0; x < run.x1; ++x) {
            line[x - b.left()] ^= 0x00FFFFFFu;
        }
        x0 = std::min(x0, run.x0);
        x1 = std::max(x1, run.x1);
    }
    changed(QRect(QPoint(x0, runs.front().y), QPoint(x1 - 1, runs.back().y)));
}

void EditCanvas::drawOutline(const OutlineRect& rect) {
    invertOutline(rect);
    shownOutline_ = rect;
}

void EditCanvas::eraseOutline(const OutlineRect& rect) {
    invertOutline(rect);
    shownOutline_.reset();
}

void EditCanvas::setViewSize(int64_t width, int64_t height) {
    viewSize_ = QSize(toInt32(width), toInt32(height));
    applyViewSize();
}

void EditCanvas::applyViewSize() {
    const double r = ratio();
    appliedRatio_ = r;
    setFixedSize(static_cast<int>(
                     std::clamp<int64_t>(LogicalCover(viewSize_.width(), r), 0, QWIDGETSIZE_MAX)),
                 static_cast<int>(
                     std::clamp<int64_t>(LogicalCover(viewSize_.height(), r), 0, QWIDGETSIZE_MAX)));
}

bool EditCanvas::event(QEvent* event) {
    // Moved to a screen of another density: the same device pixels take
    // another logical size, and the backing image is made anew.
    if (event->type() == QEvent::ScreenChangeInternal && appliedRatio_ != ratio()) {
        applyViewSize();
        backingDrawn_ = false;
    }
    return QWidget::event(event);
}

void EditCanvas::captureMouse() {
    if (!captured_) {
        qApp->installEventFilter(this);
    }
    captured_ = true;
}

void EditCanvas::releaseMouse() {
    if (captured_) {
        qApp->removeEventFilter(this);
    }
    captured_ = false;
}

bool EditCanvas::eventFilter(QObject* watched, QEvent* event) {
    // A release reaches the window first, then the widget that has the
    // mouse: only one that a widget other than this view gets means that
    // the view lost it.
    if (captured_ && event->type() == QEvent::MouseButtonRelease && watched != this &&
        watched->isWidgetType()) {
        emit captureLost();
    }
    return QWidget::eventFilter(watched, event);
}

void EditCanvas::hideEvent(QHideEvent* event) {
    // Minimised, or its page left: no release will reach it.
    if (captured_) {
        emit captureLost();
    }
    QWidget::hideEvent(event);
}

void EditCanvas::changed(const QRect& area) {
    if (area.isEmpty()) {
        return;
    }
    const QRect logical = logicalCover(area);
    if (inPaint_) {
        afterPaint_ += logical;
        return;
    }
    ownChanges_ += logical;
    update(logical);
}

void EditCanvas::paintEvent(QPaintEvent* event) {
    const QRegion asked = event->region();
    // Qt's own reasons to paint (uncovered, scrolled, resized) run the
    // editing page's paint step; showing our own drawing does not.
    const bool fromQt = !(asked - ownChanges_).isEmpty();
    ownChanges_ = QRegion();
    inPaint_ = true;
    if (fromQt) {
        emit paintRequested();
    }
    ensureBacking();
    {
        QPainter painter(this);
        const QRegion outside = asked - QRegion(logicalCover(backingRect_));
        for (const QRect& r : outside) {
            painter.fillRect(r, palette().color(QPalette::Dark));
        }
        if (!backing_.isNull()) {
            // In device pixels, one image pixel on each.
            const double r = ratio();
            painter.scale(1.0 / r, 1.0 / r);
            painter.drawImage(backingRect_.topLeft(), backing_);
        }
    }
    inPaint_ = false;
    // What the paint step changed beyond this paint's region is shown next.
    const QRegion rest = afterPaint_ - asked;
    afterPaint_ = QRegion();
    if (!rest.isEmpty()) {
        ownChanges_ += rest;
        update(rest);
    }
}

void EditCanvas::notePressure(const QMouseEvent& event) {
    const QPointingDevice* device = event.pointingDevice();
    const bool pen = device != nullptr && (device->type() == QInputDevice::DeviceType::Stylus ||
                                           device->type() == QInputDevice::DeviceType::Airbrush);
    pressure_ = pen ? tabletPressure_ : kFullPressure;
}

void EditCanvas::mousePressEvent(QMouseEvent* event) {
    const QPoint p = devicePoint(event->position());
    if (spaceHeld_) {
        spacePan_.press(p.x(), p.y());
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    // The divider is taken and moved rather than painted on.
    if (!captured_ && nearDivider(p.x())) {
        draggingDivider_ = true;
        return;
    }
    notePressure(*event);
    emit mousePressed(p.x(), p.y());
}

void EditCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = devicePoint(event->position());
    if (spacePan_.panning()) {
        DragScrollArea(*scrollBox_, spacePan_, p, ratio(), viewSize_.width(), viewSize_.height());
        return;
    }
    if (spaceHeld_) {
        return;
    }
    if (draggingDivider_) {
        setDivider(p.x());
        emit dividerMoved(divider_);
        return;
    }
    setCursor(!captured_ && nearDivider(p.x()) ? Qt::SplitHCursor : Qt::ArrowCursor);
    notePressure(*event);
    emit mouseMoved(p.x(), p.y());
}

void EditCanvas::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = devicePoint(event->position());
    if (spacePan_.panning()) {
        spacePan_.release();
        if (spaceHeld_) {
            setCursor(Qt::OpenHandCursor);
        } else {
            unsetCursor();
        }
        return;
    }
    if (draggingDivider_) {
        draggingDivider_ = false;
        return;
    }
    notePressure(*event);
    emit mouseReleased(p.x(), p.y());
}

void EditCanvas::tabletEvent(QTabletEvent* event) {
    tabletPressure_ = QuantisedPressure(event->pressure());
    // Not taken: Qt makes the mouse events of the pen from it, which carry
    // this pressure into the stroke.
    event->ignore();
}

void EditCanvas::keyPressEvent(QKeyEvent* event) {
    // Not during a stroke: the button held keeps painting.
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && !captured_ &&
        scrollBox_ != nullptr) {
        spaceHeld_ = true;
        setCursor(Qt::OpenHandCursor);
        emit mouseLeft();
        return;
    }
    if (event->key() == Qt::Key_Space && spaceHeld_) {
        return;  // its repeats
    }
    QWidget::keyPressEvent(event);
}

void EditCanvas::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && spaceHeld_) {
        releaseSpace();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void EditCanvas::focusOutEvent(QFocusEvent* event) {
    // The release of Space goes elsewhere now.
    releaseSpace();
    QWidget::focusOutEvent(event);
}

void EditCanvas::releaseSpace() {
    spaceHeld_ = false;
    spacePan_.release();
    unsetCursor();
}

void EditCanvas::leaveEvent(QEvent* event) {
    if (!spacePan_.panning()) {
        emit mouseLeft();
    }
    QWidget::leaveEvent(event);
}

}  // namespace grimora
