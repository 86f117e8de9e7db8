// SPDX-License-Identifier: GPL-3.0-or-later
// The editing view PaintBox1: the result picture at the zoom ratio, and the
// brush outline in inverting ink over it.
#pragma once

#include <cstdint>
#include <optional>

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QWidget>

#include "editor/overlays.h"
#include "editor/result_pan.h"
#include "editor/stroke_controller.h"
#include "editor/zoom_ratio.h"
#include "picture/dib.h"
#include "picture/host.h"
#include "warp/effect.h"

class QScrollArea;

namespace grimora {

// The view works in device pixels: its size, the backing image, the
// outline, the parts drawn and the mouse positions it reports are all in
// the screen's pixels, so that a zoom of 1.0 shows one picture pixel on each
// at any device pixel ratio; the widget takes the logical size that covers
// them.
//
// What the view shows beside the result picture; all off by default. The
// pointers are not owned and must have the result's size.
struct CanvasExtras {
    const Dib* source = nullptr;
    const DisplacementField* field = nullptr;
    const FreezeMask* mask = nullptr;
    const FoldMap* folds = nullptr;
    // The source in place of the result, as the backslash key held shows it.
    bool sourceOnly = false;
    // Compare: the source left of the divider, the result right of it.
    bool compare = false;
    bool showMask = false;
    bool showGrid = false;
    bool showFolds = false;
};

// Qt draws on a widget only inside its paint event, so the view keeps a
// backing image and the drawing operations of the editing page draw into it;
// the paint event copies it to the screen. The backing image covers only the
// visible part of the view (a 24-megapixel picture at zoom 10 makes a
// 60 000 x 40 000 view), inside the parent (the scroll area's viewport), and
// is drawn again when another part comes into sight.
//
// A paint that Qt asks for (the view was uncovered, scrolled or resized)
// first emits paintRequested, so that the window can run the editing page's
// paint step (remove the outline, draw the picture) inside it; a paint that
// only shows what the drawing operations put into the backing image does not.
class EditCanvas : public QWidget {
    Q_OBJECT

public:
    explicit EditCanvas(QWidget* parent = nullptr);
    ~EditCanvas() override;

    // What the view shows: the picture (not owned; null for none) at the
    // ratio. Nothing is drawn until drawPicture or a paint; the owner calls
    // this again after every load and zoom change.
    void setPicture(const Dib* picture, ZoomRatio zoom);

    // The picture at the ratio as DrawDib draws it whole (halftone, a plain
    // copy, the picture's own palette), into the visible part of the view.
    // Where DrawDib would scale row by row, only the visible part is scaled
    // (DrawZoomedWindow, same pixels); otherwise DrawDib draws it all and
    // the device keeps what lands in the backing image.
    void drawPicture();
    // The part of the view that shows `pictureRect` (columns and memory rows
    // of the picture), drawn again with the pixels drawPicture gives there;
    // the rest of the backing image stays. An outline shown is removed first,
    // as drawPicture removes it. Where only a whole drawing gives the right
    // pixels (DrawDib's other ways, a backing image not yet drawn), draws it
    // whole.
    void drawPictureRect(const DabRect& pictureRect);
    // The ellipse inscribed in `rect`, inverted; drawing it again restores
    // the pixels, so erasing is the same drawing.
    void drawOutline(const OutlineRect& rect);
    void eraseOutline(const OutlineRect& rect);
    // The view's size in device pixels; the widget's logical size is held
    // to what a widget can be (QWIDGETSIZE_MAX).
    void setViewSize(int64_t width, int64_t height);
    QSize viewSize() const { return viewSize_; }
    // Device pixels to a logical pixel where the view is shown.
    double ratio() const { return devicePixelRatio(); }
    // The device pixel under a position of the widget's own (logical).
    QPoint devicePoint(QPointF logical) const;
    // Moves and the release keep coming from outside the view while a button
    // is held: Qt grabs the mouse on every press until the last release, so
    // these record the stroke's wish and watch for a release that goes
    // elsewhere all the same (captureLost). (They hide QWidget's
    // releaseMouse on purpose: the editing page calls these.)
    void captureMouse();
    void releaseMouse();
    bool mouseCaptured() const { return captured_; }

    // The scroll area that a drag with Space held moves the view in (not
    // owned); without one, Space does nothing.
    void setScrollBox(QScrollArea* scrollBox) { scrollBox_ = scrollBox; }
    // Space is held on the view: a press moves the view instead of starting
    // a stroke, and the mouse draws no outline.
    bool spaceHeld() const { return spaceHeld_; }
    // The pen's pressure at the last mouse event as k / 1024 (a tablet's
    // mouse events come after its own, whose pressure they carry); full
    // for a mouse.
    int32_t pressure() const { return pressure_; }
    // What is shown beside the result; drawn at the next drawing.
    void setExtras(const CanvasExtras& extras);
    const CanvasExtras& extras() const { return extras_; }
    // The compare divider: the first view column that shows the result.
    int32_t divider() const { return divider_; }
    void setDivider(int32_t x);

    // Messages of the drawing (a device that cannot take the picture); none
    // by default.
    void setMessageSink(MessageSink* messages) { messages_ = messages; }

    // The backing image and the part of the view it covers, in device
    // pixels, for tests and for drawing only what changed later on.
    const QImage& backing() const { return backing_; }
    QRect backingRect() const { return backingRect_; }
    // The device pixels of the view inside the parent; the whole view
    // without one, at most kMaxBackingSide on a side.
    QRect visibleArea() const;

    static constexpr int kMaxBackingSide = 8192;

signals:
    // Mouse positions in the view's device pixels.
    void mousePressed(int x, int y);
    void mouseMoved(int x, int y);
    void mouseReleased(int x, int y);
    // Emitted inside the paint event before the backing image is copied.
    void paintRequested();
    // While the mouse is captured: the release will not come here (it went
    // to another widget or window), or the view was hidden.
    void captureLost();
    // The pointer left the view, or Space turned it into a hand: the
    // outline should go.
    void mouseLeft();
    // The user dragged the compare divider to view column x.
    void dividerMoved(int x);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes the backing image cover the visible area; true if it was made anew.
    bool fitBacking();
    void renderPicture();
    // The view's size for the picture at the ratio.
    QSize zoomedSize() const;
    // Draws the picture (and the outline shown) if the image was made anew
    // or never drawn.
    void ensureBacking();
    void invertOutline(const OutlineRect& rect);
    void invertPixels(const OutlineRect& rect);
    // The backing image changed in `area` (device pixels).
    void changed(const QRect& area);
    // The logical pixels that hold the device pixels of `area`.
    QRect logicalCover(const QRect& area) const;
    // Takes the logical size for the view's size at the ratio now.
    void applyViewSize();
    // Over the result just drawn in `area` (inside the backing image): the
    // source where it is to be shown, the overlays, the divider.
    void drawExtras(const QRect& area);
    // The part of the backing image that shows `area`, sharing its pixels.
    QImage backingPart(const QRect& area);
    bool nearDivider(int x) const;

    const Dib* picture_ = nullptr;
    ZoomRatio zoom_;
    QSize viewSize_;
    double appliedRatio_ = 1.0;
    MessageSink* messages_ = nullptr;

    QImage backing_;
    QRect backingRect_;
    bool backingDrawn_ = false;
    // The outline as it stands in the backing image, drawn again when the
    // image is made anew for another visible part.
    std::optional<OutlineRect> shownOutline_;

    // Space held; no longer.
    void releaseSpace();
    // The pressure a mouse event carries: the pen's, if a pen made it.
    void notePressure(const QMouseEvent& event);
    CanvasExtras extras_;
    int32_t divider_ = 0;
    bool draggingDivider_ = false;

    bool captured_ = false;
    QScrollArea* scrollBox_ = nullptr;
    bool spaceHeld_ = false;
    ResultPan spacePan_;
    int32_t tabletPressure_ = kFullPressure;
    int32_t pressure_ = kFullPressure;
    bool inPaint_ = false;
    // Logical pixels:
    QRegion ownChanges_;  // what was changed by drawing, not by Qt
    QRegion afterPaint_;  // changed during a paint, outside its region
};

}  // namespace grimora
