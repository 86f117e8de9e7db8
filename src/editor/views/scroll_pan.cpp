// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/views/scroll_pan.h"

#include <cmath>

#include <QScrollArea>
#include <QScrollBar>

namespace grimora {

void DragScrollArea(QScrollArea& area, const ResultPan& pan, QPoint device, double ratio,
                    int32_t width, int32_t height) {
    QScrollBar* hbar = area.horizontalScrollBar();
    QScrollBar* vbar = area.verticalScrollBar();
    const auto toDevice = [ratio](int logical) {
        return static_cast<int32_t>(std::lround(logical * ratio));
    };
    const auto toLogical = [ratio](int32_t pixels) {
        return static_cast<int>(std::lround(pixels / ratio));
    };
    const std::optional<ScrollPositions> to =
        pan.drag(device.x(), device.y(), {toDevice(hbar->value()), width},
                 {toDevice(vbar->value()), height});
    if (!to) {
        return;
    }
    hbar->setValue(toLogical(to->horizontal));
    vbar->setValue(toLogical(to->vertical));
}

}  // namespace grimora
