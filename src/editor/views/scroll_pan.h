// SPDX-License-Identifier: GPL-3.0-or-later
// Moving a view in its scroll area by dragging it: the result view always,
// the editing view while Space is held.
#pragma once

#include <cstdint>

#include <QPoint>

#include "editor/result_pan.h"

class QScrollArea;

namespace grimora {

// Scrolls `area` for a move of the mouse to `device` (the view's own device
// pixels) during `pan`, for a view of width x height device pixels at
// `ratio` device pixels to a logical one. The drag is worked in device
// pixels, as the view gets the mouse; the scroll bars count logical ones.
// Nothing when no drag is in progress.
void DragScrollArea(QScrollArea& area, const ResultPan& pan, QPoint device, double ratio,
                    int32_t width, int32_t height);

}  // namespace grimora
