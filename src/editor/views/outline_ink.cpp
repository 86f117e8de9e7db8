// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/views/outline_ink.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace grimora {

namespace {

struct Span {
    int64_t l = 0;
    int64_t r = 0;  // inclusive
};

// The filled ellipse in continuous coordinates spans [left, right] x
// [top, bottom]; a pixel belongs to it when its centre does.
class Ellipse {
public:
    Ellipse(int64_t left, int64_t top, int64_t right, int64_t bottom)
        : left_(left),
          right_(right),
          top_(top),
          bottom_(bottom),
          cx_((static_cast<double>(left) + static_cast<double>(right)) / 2.0),
          cy_((static_cast<double>(top) + static_cast<double>(bottom)) / 2.0),
          a_((static_cast<double>(right) - static_cast<double>(left)) / 2.0),
          b_((static_cast<double>(bottom) - static_cast<double>(top)) / 2.0) {}

    std::optional<Span> row(int64_t y) const {
        if (y < top_ || y >= bottom_ || a_ <= 0.0 || b_ <= 0.0) {
            return std::nullopt;
        }
        const double dy = (static_cast<double>(y) + 0.5 - cy_) / b_;
        const double q = 1.0 - dy * dy;
        if (q < 0.0) {
            return std::nullopt;
        }
        const double hw = a_ * std::sqrt(q);
        const auto l = static_cast<int64_t>(std::ceil(cx_ - hw - 0.5));
        // Mirrored, so that the outline is symmetric whatever the rounding.
        const int64_t r = left_ + right_ - 1 - l;
        if (l > r) {
            return std::nullopt;
        }
        return Span{l, r};
    }

private:
    int64_t left_, right_, top_, bottom_;
    double cx_, cy_, a_, b_;
};

void addRun(std::vector<PixelRun>& runs, int64_t y, int64_t x0, int64_t x1, const PixelArea& clip) {
    x0 = std::max<int64_t>(x0, clip.left);
    x1 = std::min<int64_t>(x1, clip.right);
    if (x0 < x1) {
        runs.push_back(
            {static_cast<int32_t>(y), static_cast<int32_t>(x0), static_cast<int32_t>(x1)});
    }
}

}  // namespace

std::vector<PixelRun> OutlineRuns(const OutlineRect& rect, const PixelArea& clip) {
    const int64_t left = std::min(rect.left, rect.right);
    const int64_t right = std::max(rect.left, rect.right);
    const int64_t top = std::min(rect.top, rect.bottom);
    const int64_t bottom = std::max(rect.top, rect.bottom);
    const Ellipse ellipse(left, top, right, bottom);

    std::vector<PixelRun> runs;
    const int64_t y0 = std::max<int64_t>(top, clip.top);
    const int64_t y1 = std::min<int64_t>(bottom, clip.bottom);
    for (int64_t y = y0; y < y1; ++y) {
        const std::optional<Span> span = ellipse.row(y);
        if (!span) {
            continue;
        }
        const std::optional<Span> above = ellipse.row(y - 1);
        const std::optional<Span> below = ellipse.row(y + 1);
        if (!above || !below) {
            addRun(runs, y, span->l, span->r + 1, clip);
            continue;
        }
        // Inside the ellipse and inside both neighbouring rows: interior.
        // The ends of the row are always outline.
        const int64_t il = std::max({above->l, below->l, span->l + 1});
        const int64_t ir = std::min({above->r, below->r, span->r - 1});
        if (il > ir) {
            addRun(runs, y, span->l, span->r + 1, clip);
        } else {
            addRun(runs, y, span->l, il, clip);
            addRun(runs, y, ir + 1, span->r + 1, clip);
        }
    }
    return runs;
}

}  // namespace grimora
