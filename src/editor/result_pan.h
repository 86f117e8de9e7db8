// SPDX-License-Identifier: GPL-3.0-or-later
// Drag-to-pan on the result view, without a window: a press remembers the
// point, each move scrolls by the motion since then, clamped to the ranges.
#pragma once

#include <cstdint>
#include <optional>

namespace grimora {

// One scroll bar: its position and its range, the extent of the content (the
// view's width or height).
struct ScrollAxis {
    int32_t position = 0;
    int32_t range = 0;
};

struct ScrollPositions {
    int32_t horizontal = 0;
    int32_t vertical = 0;
    friend bool operator==(const ScrollPositions&, const ScrollPositions&) = default;
};

class ResultPan {
public:
    // Any button; x, y in the view's own coordinates, which move with the
    // scrolling.
    void press(int32_t x, int32_t y);
    // Any button.
    void release() { panning_ = false; }

    // The positions to set for a move to (x, y), or nothing when no drag is
    // in progress. Each is position + (start - mouse), held to 0 .. range - 1;
    // the scroll bar then keeps it within its own limits. Since the view
    // moves with the scrolling, the grabbed picture point stays under the
    // mouse and the next move adds only the new motion.
    std::optional<ScrollPositions> drag(int32_t x, int32_t y, ScrollAxis horizontal,
                                        ScrollAxis vertical) const;

    bool panning() const { return panning_; }
    int32_t startX() const { return startX_; }
    int32_t startY() const { return startY_; }

private:
    bool panning_ = false;
    int32_t startX_ = 0;
    int32_t startY_ = 0;
};

}  // namespace grimora
