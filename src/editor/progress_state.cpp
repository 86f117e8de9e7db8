// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/progress_state.h"

#include <algorithm>

namespace grimora {

int32_t BarRight(const PanelRect& panel, int32_t percent) {
    const int64_t p = std::clamp(percent, 0, 100);
    return static_cast<int32_t>(panel.left + (int64_t{panel.right} - panel.left) * p / 100);
}

PanelRect BarRect(const PanelRect& panel, int32_t percent) {
    return {panel.left, panel.top, BarRight(panel, percent), panel.bottom};
}

ProgressPaint ProgressState::set(int32_t value) {
    if (value < percent_) {
        percent_ = value;
        // Before the first draw the panel is unknown: the repaint draws it.
        if (panel_.empty() || BarRight(panel_, percent_) != shownRight_) {
            return {ProgressPaint::Kind::Whole, panel_};
        }
        return {};
    }
    percent_ = value;
    return paintMore();
}

ProgressPaint ProgressState::paintMore() {
    if (panel_.empty()) {
        return {};
    }
    const int32_t right = BarRight(panel_, percent_);
    if (right <= shownRight_) {
        return {};
    }
    const PanelRect added{shownRight_, panel_.top, right, panel_.bottom};
    shownRight_ = right;
    return {ProgressPaint::Kind::Grow, added};
}

PanelRect ProgressState::drawPanel(const PanelRect& panel) {
    panel_ = panel;
    const PanelRect bar = BarRect(panel_, percent_);
    shownRight_ = bar.right;
    return bar;
}

}  // namespace grimora
