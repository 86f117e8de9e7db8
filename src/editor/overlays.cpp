// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/overlays.h"

#include <algorithm>

#include "warp/row_helper.h"

namespace grimora {

namespace {

constexpr uint32_t kMaskColour = 0xFF2060FF;  // blue, where eyes and mouths are rarely
constexpr uint32_t kGridColour = 0xFFFFE000;  // yellow
constexpr uint32_t kFoldColour = 0xFFFF00C0;  // magenta

// `colour` laid over `pixel` with weight w / 256.
uint32_t Blend(uint32_t pixel, uint32_t colour, uint32_t w) {
    uint32_t out = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t p = (pixel >> shift) & 0xFF;
        const uint32_t c = (colour >> shift) & 0xFF;
        out |= ((p * (256 - w) + c * w) >> 8) << shift;
    }
    return out;
}

// The view's rows of the part shared with the helper thread: overlays of a
// large view take a few milliseconds.
template <typename Row>
void ForEachViewRow(const ViewPixels& pixels, Row&& row) {
    ForEachChunk(pixels.height, 32, int64_t{pixels.width} * pixels.height >= 100000,
                 [&](int64_t first, int64_t end, int) {
                     for (auto j = static_cast<int32_t>(first); j < end; ++j) {
                         row(pixels.y + j);
                     }
                 });
}

// The picture columns of the part's view columns, and of the one to their
// right (the last column of the view has none: -1).
std::vector<int32_t> Columns(const ViewPixels& pixels, const ViewMapping& map) {
    std::vector<int32_t> columns(static_cast<std::size_t>(pixels.width) + 1);
    for (int32_t i = 0; i <= pixels.width; ++i) {
        const int32_t vx = pixels.x + i;
        columns[static_cast<std::size_t>(i)] = vx < map.viewWidth ? map.column(vx) : -1;
    }
    return columns;
}

// v div cell for 0 <= v < 2^31, without a division per entry.
struct CellOf {
    explicit CellOf(int32_t cell) : cell_(cell), inverse_(1.0 / cell) {}
    int32_t operator()(int32_t v) const {
        auto q = static_cast<int32_t>(v * inverse_);
        if (int64_t{q} * cell_ > v) {
            --q;
        } else if (int64_t{q + 1} * cell_ <= v) {
            ++q;
        }
        return q;
    }

private:
    int32_t cell_;
    double inverse_;
};

}  // namespace

void TintMask(const ViewPixels& pixels, const ViewMapping& map, const FreezeMask& mask) {
    if (mask.width() != map.width || mask.height() != map.height) {
        return;
    }
    const std::vector<int32_t> columns = Columns(pixels, map);
    ForEachViewRow(pixels, [&](int32_t vy) {
        const uint8_t* bytes = mask.row(map.memoryRow(vy));
        uint32_t* out = pixels.row(vy);
        for (int32_t i = 0; i < pixels.width; ++i) {
            const uint8_t m = bytes[columns[static_cast<std::size_t>(i)]];
            if (m != 0) {
                uint32_t& p = out[pixels.x + i];
                p = Blend(p, kMaskColour, (uint32_t{m} + 1) / 2);
            }
        }
    });
}

int32_t GridCell(ZoomRatio zoom) {
    if (zoom.numerator <= 0 || zoom.denominator <= 0) {
        return 12;
    }
    // N * num / den >= 12 view pixels.
    const int64_t n = (int64_t{12} * zoom.denominator + zoom.numerator - 1) / zoom.numerator;
    return static_cast<int32_t>(std::clamp<int64_t>(n, 1, int64_t{1} << 30));
}

void DrawGrid(const ViewPixels& pixels, const ViewMapping& map, const DisplacementField& field,
              int32_t cell) {
    if (field.width() != map.width || field.height() != map.height || cell < 1) {
        return;
    }
    const std::vector<int32_t> columns = Columns(pixels, map);
    const CellOf cellOf(cell);
    ForEachViewRow(pixels, [&](int32_t vy) {
        const Displacement* here = field.row(map.memoryRow(vy));
        const Displacement* below =
            vy + 1 < map.viewHeight ? field.row(map.memoryRow(vy + 1)) : nullptr;
        uint32_t* out = pixels.row(vy);
        for (int32_t i = 0; i < pixels.width; ++i) {
            const int32_t c = columns[static_cast<std::size_t>(i)];
            const int32_t right = columns[static_cast<std::size_t>(i) + 1];
            const Displacement e = here[c];
            const int32_t cx = cellOf(e.x);
            const int32_t cy = cellOf(e.y);
            bool line = false;
            if (right >= 0 && right != c) {
                const Displacement n = here[right];
                line = cellOf(n.x) != cx || cellOf(n.y) != cy;
            }
            if (!line && below != nullptr && below != here) {
                const Displacement n = below[c];
                line = cellOf(n.x) != cx || cellOf(n.y) != cy;
            }
            if (line) {
                out[pixels.x + i] = kGridColour;
            }
        }
    });
}

bool IsFolded(const DisplacementField& field, int32_t c, int32_t r) {
    constexpr int32_t k = FoldMap::kReach;
    const int32_t lastC = field.width() - 1;
    const int32_t lastR = field.height() - 1;
    const Displacement& right = field.at(std::min(c + k, lastC), r);
    const Displacement& left = field.at(std::max(c - k, 0), r);
    const Displacement& up = field.at(c, std::min(r + k, lastR));
    const Displacement& down = field.at(c, std::max(r - k, 0));
    const int64_t a = int64_t{right.x} - left.x;
    const int64_t b = int64_t{up.x} - down.x;
    const int64_t cc = int64_t{right.y} - left.y;
    const int64_t d = int64_t{up.y} - down.y;
    return a * d - b * cc < 0;
}

void FoldMap::clear() {
    width_ = 0;
    height_ = 0;
    folded_ = {};
    count_ = 0;
}

void FoldMap::rebuild(const DisplacementField& field) {
    width_ = field.width();
    height_ = field.height();
    folded_.assign(field.size(), 0);
    count_ = 0;
    recount(field, {0, 0, width_, height_});
}

void FoldMap::update(const DisplacementField& field, const DabRect& changed) {
    if (field.width() != width_ || field.height() != height_) {
        rebuild(field);
        return;
    }
    if (changed.empty()) {
        return;
    }
    const int32_t left = std::max(changed.x - kReach, 0);
    const int32_t bottom = std::max(changed.y - kReach, 0);
    const int32_t right = std::min(changed.x + changed.width + kReach, width_);
    const int32_t top = std::min(changed.y + changed.height + kReach, height_);
    if (left < right && bottom < top) {
        recount(field, {left, bottom, right - left, top - bottom});
    }
}

void FoldMap::recount(const DisplacementField& field, const DabRect& area) {
    int64_t counts[2] = {0, 0};
    ForEachChunk(area.height, 16, int64_t{area.width} * area.height >= 100000,
                 [&](int64_t first, int64_t end, int part) {
                     int64_t delta = 0;
                     for (auto r = static_cast<int32_t>(area.y + first); r < area.y + end; ++r) {
                         uint8_t* bits = folded_.data() + static_cast<std::size_t>(r) * width_;
                         for (int32_t c = area.x; c < area.x + area.width; ++c) {
                             const uint8_t now = IsFolded(field, c, r) ? 1 : 0;
                             delta += int64_t{now} - bits[c];
                             bits[c] = now;
                         }
                     }
                     counts[part] += delta;
                 });
    count_ += counts[0] + counts[1];
}

void TintFolds(const ViewPixels& pixels, const ViewMapping& map, const FoldMap& folds) {
    if (folds.width() != map.width || folds.height() != map.height) {
        return;
    }
    const std::vector<int32_t> columns = Columns(pixels, map);
    ForEachViewRow(pixels, [&](int32_t vy) {
        const int32_t r = map.memoryRow(vy);
        uint32_t* out = pixels.row(vy);
        for (int32_t i = 0; i < pixels.width; ++i) {
            if (folds.folded(columns[static_cast<std::size_t>(i)], r)) {
                uint32_t& p = out[pixels.x + i];
                p = Blend(p, kFoldColour, 160);
            }
        }
    });
}

}  // namespace grimora
