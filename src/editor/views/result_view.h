// SPDX-License-Identifier: GPL-3.0-or-later
// The result view ErgPaintBox: the result picture one to one, a picture
// pixel on each device pixel of the screen, moved by dragging it with any
// mouse button.
#pragma once

#include <cstdint>

#include <QWidget>

#include "editor/result_pan.h"
#include "picture/dib.h"

class QPainter;
class QScrollArea;

namespace grimora {

// Lives at (0, 0) in the scroll area ErgScrollBox and takes the result
// picture's size at every paint. The handler methods carry the names of the
// page's events; the widget's own events call them, and the window may too.
class ResultView : public QWidget {
    Q_OBJECT

public:
    explicit ResultView(QWidget* parent = nullptr);

    // The scroll area whose scroll bars the dragging moves (not owned).
    void setScrollBox(QScrollArea* scrollBox) { scrollBox_ = scrollBox; }
    // The picture to show (not owned; null for none). Takes its size at once
    // and repaints.
    void setPicture(const Dib* picture);

    // Takes the picture's size if it differs and repaints. Inside a paint
    // event the view draws itself; this is for the window's direct calls.
    void ErgPaintBoxPaint();
    // x, y in the view's device pixels.
    void ErgPaintBoxMouseDown(int32_t x, int32_t y);
    void ErgPaintBoxMouseMove(int32_t x, int32_t y);
    void ErgPaintBoxMouseUp();

    // Device pixels to a logical pixel where the view is shown.
    double ratio() const { return devicePixelRatio(); }
    // The device pixel under a position of the widget's own (logical).
    QPoint devicePoint(QPointF logical) const;

    const ResultPan& pan() const { return pan_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // True if the size had to change.
    bool fitToPicture();

    const Dib* picture_ = nullptr;
    QScrollArea* scrollBox_ = nullptr;
    ResultPan pan_;
};

}  // namespace grimora
