// SPDX-License-Identifier: GPL-3.0-or-later
// What the view suites share: pictures with a colour per pixel, showing a
// widget on the offscreen platform, and a record of its paint events.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QCoreApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#include "picture/dib.h"
#include "picture/owned_dib.h"

namespace grimora::view_test {

// A distinct colour for every column and row from the top, 0xRRGGBB.
inline uint32_t PatternColour(int32_t column, int32_t rowFromTop) {
    return (static_cast<uint32_t>(column * 37 + 11) & 0xFFu) << 16 |
           (static_cast<uint32_t>(rowFromTop * 53 + 7) & 0xFFu) << 8 |
           (static_cast<uint32_t>(column / 7 + rowFromTop / 5) & 0xFFu);
}

// A 24-bit picture whose pixel at (column, row from the top) has
// PatternColour(column, row).
inline OwnedDib PatternPicture(int32_t width, int32_t height) {
    OwnedDib picture;
    picture.make(width, height, 24);
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* row = DibRow(picture.get(), r);
        for (int32_t c = 0; c < width; ++c) {
            const uint32_t colour = PatternColour(c, height - 1 - r);
            row[3 * c] = static_cast<uint8_t>(colour);
            row[3 * c + 1] = static_cast<uint8_t>(colour >> 8);
            row[3 * c + 2] = static_cast<uint8_t>(colour >> 16);
        }
    }
    return picture;
}

// Shows a top-level widget and lets the platform expose it, so that
// painting reaches it. No sleeping: the offscreen platform exposes at once.
inline bool ShowExposed(QWidget& widget) {
    widget.show();
    for (int i = 0; i < 100; ++i) {
        QCoreApplication::processEvents();
        const QWindow* window = widget.windowHandle();
        if (window != nullptr && window->isExposed()) {
            QCoreApplication::processEvents();
            return true;
        }
    }
    return false;
}

// The regions of the paint events a widget receives.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget& widget) { widget.installEventFilter(this); }
    std::vector<QRegion> regions;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            regions.push_back(static_cast<QPaintEvent*>(event)->region());
        }
        return false;
    }
};

}  // namespace grimora::view_test
