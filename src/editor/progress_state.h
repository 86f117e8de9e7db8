// SPDX-License-Identifier: GPL-3.0-or-later
// The progress percentage and the bar it shows in the status bar, without a
// window: what a new value asks to be painted and the bar's geometry.
#pragma once

#include <cstdint>

namespace grimora {

// A rectangle of the status bar's client area; right and bottom excluded, as
// in every filled rectangle of the bar.
struct PanelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const PanelRect&, const PanelRect&) = default;
};

// Right edge of the bar: left + (right - left) * p div 100, truncating. The
// percentage is held to 0..100 for drawing, so that a value no caller sends
// cannot run the bar out of its panel; the product is taken in 64 bits.
int32_t BarRight(const PanelRect& panel, int32_t percent);
// The bar's filled rectangle, empty for 0 %.
PanelRect BarRect(const PanelRect& panel, int32_t percent);

// What the window must paint after a change.
struct ProgressPaint {
    enum class Kind {
        None,   // no pixel of the bar changes
        Grow,   // paint `area`, the newly covered part, on top of what is shown
        Whole,  // repaint the whole status bar before returning
    };
    Kind kind = Kind::None;
    PanelRect area;
    friend bool operator==(const ProgressPaint&, const ProgressPaint&) = default;
};

// The sequence of values stays exact (percent() is always the last one); the
// painting only follows the bar's pixels, since progress comes once per row
// of work, thousands of times a second.
class ProgressState {
public:
    // A new percentage. A falling value repaints the whole bar, a rising or
    // equal one only what it adds.
    ProgressPaint set(int32_t value);
    // The newly covered part of the bar for the current percentage; nothing
    // before the panel has been drawn once.
    ProgressPaint paintMore();
    // The panel is being drawn whole at `panel`: remembers it and returns the
    // bar to fill there.
    PanelRect drawPanel(const PanelRect& panel);

    int32_t percent() const { return percent_; }
    // The panel as last drawn; all zero before.
    PanelRect panel() const { return panel_; }
    // Right edge of the bar as it stands on screen.
    int32_t shownRight() const { return shownRight_; }

private:
    int32_t percent_ = 0;
    PanelRect panel_;
    int32_t shownRight_ = 0;
};

}  // namespace grimora
