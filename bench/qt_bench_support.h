// SPDX-License-Identifier: GPL-3.0-or-later
// What the Qt benchmarks share: one application on the offscreen platform
// (unless another is asked for), and showing a widget until it is exposed.
#pragma once

#include <cstdint>

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>
#include <QWindow>

#include "editor/views/edit_canvas.h"

namespace grimora::bench {

// Made once and never destroyed: destroyed among the exit handlers, after
// Qt's own statics, it crashed on the way out.
inline void EnsureApplication() {
    static QApplication* application = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "grimora_bench";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    (void)application;
}

inline void ShowExposed(QWidget& widget) {
    widget.show();
    for (int i = 0; i < 100 && !(widget.windowHandle() && widget.windowHandle()->isExposed());
         ++i) {
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
}

// The editing page: the canvas in an 800 x 600 scroll area, scrolled so
// that the middle of the view is in sight.
struct EditingPage {
    EditingPage(int64_t viewWidth, int64_t viewHeight) {
        area.resize(800, 600);
        area.setWidget(canvas);
        canvas->setViewSize(viewWidth, viewHeight);
        ShowExposed(area);
        area.horizontalScrollBar()->setValue(area.horizontalScrollBar()->maximum() / 2);
        area.verticalScrollBar()->setValue(area.verticalScrollBar()->maximum() / 2);
        QCoreApplication::processEvents();
    }
    QScrollArea area;
    EditCanvas* canvas = new EditCanvas;  // owned by the area
};

}  // namespace grimora::bench
