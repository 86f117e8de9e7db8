// SPDX-License-Identifier: GPL-3.0-or-later
// What the editing view can show over the picture: the freeze mask, the
// source's grid as the warp bends it, and the places where the warp folds
// the picture over itself. Drawn into the view's own pixels for the visible
// part only; none of it reaches the result picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "editor/zoom_ratio.h"
#include "warp/displacement_field.h"
#include "warp/effect.h"
#include "warp/freeze_mask.h"

namespace grimora {

// A part of the view's pixels: 0xAARRGGBB words, `stride` words from one
// row to the next, the first at view position (x, y).
struct ViewPixels {
    uint32_t* first = nullptr;
    std::ptrdiff_t stride = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    uint32_t* row(int32_t viewY) const { return first + (viewY - y) * stride - x; }
};

// Which picture pixel a view pixel shows when a width x height picture is
// drawn at viewWidth x viewHeight, as the zoomed drawing scales it: column
// W * i div viewWidth, row H * j div viewHeight from the top.
struct ViewMapping {
    int32_t width = 0;
    int32_t height = 0;
    int32_t viewWidth = 0;
    int32_t viewHeight = 0;

    int32_t column(int32_t i) const { return static_cast<int32_t>(int64_t{width} * i / viewWidth); }
    // The memory row (0 at the bottom).
    int32_t memoryRow(int32_t j) const {
        return height - 1 - static_cast<int32_t>(int64_t{height} * j / viewHeight);
    }
};

// The mask as a translucent colour: a pixel frozen to m is blended m / 255
// of the way toward half the overlay colour's strength.
void TintMask(const ViewPixels& pixels, const ViewMapping& map, const FreezeMask& mask);

// The side of the source's grid cells, in picture pixels, for lines at least
// 12 view pixels apart at this zoom.
int32_t GridCell(ZoomRatio zoom);

// A view pixel lies on a line of the bent grid where the source cell its
// entry names (source column div cell, source row div cell) differs from
// that of its right or lower neighbour in the view.
void DrawGrid(const ViewPixels& pixels, const ViewMapping& map, const DisplacementField& field,
              int32_t cell);

// Where the warp turns the picture inside out: at result pixel (c, r) the
// determinant of the field's differences over k = 3 entries (clamped at the
// edges) is below 0. Kept for the whole picture so that the number of folded
// pixels is always at hand, and brought up to date where the field changed.
class FoldMap {
public:
    static constexpr int32_t kReach = 3;

    // Every pixel of the field anew.
    void rebuild(const DisplacementField& field);
    // The pixels whose determinant reads an entry of `changed`.
    void update(const DisplacementField& field, const DabRect& changed);
    bool built() const { return width_ > 0; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    void clear();

    int64_t count() const { return count_; }
    bool folded(int32_t c, int32_t r) const {
        return folded_[static_cast<std::size_t>(r) * width_ + c] != 0;
    }

private:
    void recount(const DisplacementField& field, const DabRect& area);

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint8_t> folded_;
    int64_t count_ = 0;
};

// Whether result pixel (c, r) is folded: the determinant above below 0.
bool IsFolded(const DisplacementField& field, int32_t c, int32_t r);

// The folded pixels in a strong colour.
void TintFolds(const ViewPixels& pixels, const ViewMapping& map, const FoldMap& folds);

}  // namespace grimora
