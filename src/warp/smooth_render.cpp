// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/smooth_render.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "picture/dib_queries.h"
#include "warp/render.h"
#include "warp/row_helper.h"

namespace grimora {

namespace {

constexpr int32_t kUnits = 5;  // window side
constexpr uint32_t kWeightTotal = 625;

inline int32_t held(int32_t v, int32_t last) {
    return std::clamp(v, 0, last);
}

// Blends the four pixels about (x, y), given in 25ths.
inline void blend(const uint8_t* bits, std::ptrdiff_t stride, int32_t x, int32_t y, uint8_t* out) {
    const int32_t ix = x / 25;
    const int32_t iy = y / 25;
    const auto fx = static_cast<uint32_t>(x - 25 * ix);
    const auto fy = static_cast<uint32_t>(y - 25 * iy);
    const uint8_t* p = bits + iy * stride + std::ptrdiff_t{3} * ix;
    if ((fx | fy) == 0) {
        std::memcpy(out, p, 3);
        return;
    }
    // Neighbours with weight 0 stand in for themselves, so nothing past the
    // last column or row is read.
    const std::ptrdiff_t right = fx != 0 ? 3 : 0;
    const std::ptrdiff_t up = fy != 0 ? stride : 0;
    const uint32_t w00 = (25 - fx) * (25 - fy);
    const uint32_t w10 = fx * (25 - fy);
    const uint32_t w01 = (25 - fx) * fy;
    const uint32_t w11 = fx * fy;
    for (int k = 0; k < 3; ++k) {
        const uint32_t v = p[k] * w00 + p[right + k] * w10 + p[up + k] * w01 +
                           p[up + right + k] * w11 + kWeightTotal / 2;
        out[k] = static_cast<uint8_t>(v / kWeightTotal);
    }
}

// Rows [first, end) of columns [left, right): per column the window's offset
// sums over five rows, slid up one row at a time; per pixel the sum of five
// such columns, slid along the row. Every sum is exact, so any part renders
// as the whole would.
void smoothRows(const Dib& source, const DisplacementField& field, const Dib& target, int32_t left,
                int32_t right, int32_t first, int32_t end) {
    const int32_t width = field.width();
    const int32_t lastColumn = width - 1;
    const int32_t lastRow = field.height() - 1;
    const int32_t span = right - left + 2 * kSmoothReach;
    std::vector<int32_t> sums(2 * static_cast<std::size_t>(span));
    int32_t* const sumX = sums.data();
    int32_t* const sumY = sumX + span;
    std::vector<int32_t> columns(static_cast<std::size_t>(span));
    for (int32_t j = 0; j < span; ++j) {
        columns[j] = held(left - kSmoothReach + j, lastColumn);
    }
    // Adds (sign 1) or takes away (-1) entry row `row` from the column sums.
    const auto addRow = [&](int32_t row, int32_t sign) {
        const int32_t r = held(row, lastRow);
        const Displacement* entries = field.row(r);
        for (int32_t j = 0; j < span; ++j) {
            const int32_t c = columns[j];
            sumX[j] += sign * (entries[c].x - c);
            sumY[j] += sign * (entries[c].y - r);
        }
    };
    for (int32_t k = -kSmoothReach; k <= kSmoothReach; ++k) {
        addRow(first + k, 1);
    }
    const uint8_t* const bits = source.bits;
    const std::ptrdiff_t stride = source.stride;
    const int32_t maxX = 25 * lastColumn;
    const int32_t maxY = 25 * lastRow;
    for (int32_t r = first; r < end; ++r) {
        int32_t hx = 0;
        int32_t hy = 0;
        for (int32_t j = 0; j < kUnits - 1; ++j) {
            hx += sumX[j];
            hy += sumY[j];
        }
        uint8_t* out = DibRow(target, r) + std::ptrdiff_t{3} * left;
        const int32_t y25 = 25 * r;
        for (int32_t j = 0; j < right - left; ++j, out += 3) {
            hx += sumX[j + kUnits - 1];
            hy += sumY[j + kUnits - 1];
            const int32_t x = std::clamp(25 * (left + j) + hx, 0, maxX);
            const int32_t y = std::clamp(y25 + hy, 0, maxY);
            blend(bits, stride, x, y, out);
            hx -= sumX[j];
            hy -= sumY[j];
        }
        if (r + 1 < end) {
            addRow(r - kSmoothReach, -1);
            addRow(r + 1 + kSmoothReach, 1);
        }
    }
}

struct SmoothJob {
    const Dib* source;
    const DisplacementField* field;
    const Dib* target;
    DabRect rect;
    ChunkCounter* rows;
};

// Below this many pixels a rectangle stays on the calling thread.
constexpr int64_t kSharedPixels = 20000;
// Each chunk starts its sums afresh from five rows: 64 rows keep that below
// a tenth of the work.
constexpr int64_t kChunkRows = 64;

void smoothRowsShared(const Dib& source, const DisplacementField& field, const Dib& target,
                      const DabRect& rect) {
    const int32_t right = rect.x + rect.width;
    if (int64_t{rect.width} * rect.height < kSharedPixels || rect.height <= kChunkRows) {
        smoothRows(source, field, target, rect.x, right, rect.y, rect.y + rect.height);
        return;
    }
    ChunkCounter rows(rect.height, kChunkRows);
    const SmoothJob job{&source, &field, &target, rect, &rows};
    const auto share = [](const void* context, int) {
        const auto& j = *static_cast<const SmoothJob*>(context);
        int64_t first = 0;
        int64_t end = 0;
        while (j.rows->next(first, end)) {
            smoothRows(*j.source, *j.field, *j.target, j.rect.x, j.rect.x + j.rect.width,
                       j.rect.y + static_cast<int32_t>(first),
                       j.rect.y + static_cast<int32_t>(end));
        }
    };
    if (!RunOnTwoThreads(share, &job)) {
        share(&job, 0);
    }
}

DabRect Clipped(const DabRect& rect, int32_t width, int32_t height) {
    const int64_t left = std::max<int64_t>(rect.x, 0);
    const int64_t bottom = std::max<int64_t>(rect.y, 0);
    const int64_t right = std::min<int64_t>(int64_t{rect.x} + rect.width, width);
    const int64_t top = std::min<int64_t>(int64_t{rect.y} + rect.height, height);
    if (left >= right || bottom >= top) {
        return {};
    }
    return {static_cast<int32_t>(left), static_cast<int32_t>(bottom),
            static_cast<int32_t>(right - left), static_cast<int32_t>(top - bottom)};
}

}  // namespace

SmoothPosition SmoothPositionAt(const DisplacementField& field, int32_t c, int32_t r) {
    const int32_t lastColumn = field.width() - 1;
    const int32_t lastRow = field.height() - 1;
    int32_t sx = 0;
    int32_t sy = 0;
    for (int32_t dr = -kSmoothReach; dr <= kSmoothReach; ++dr) {
        const int32_t row = held(r + dr, lastRow);
        const Displacement* entries = field.row(row);
        for (int32_t dc = -kSmoothReach; dc <= kSmoothReach; ++dc) {
            const int32_t column = held(c + dc, lastColumn);
            sx += entries[column].x - column;
            sy += entries[column].y - row;
        }
    }
    return {std::clamp(25 * c + sx, 0, 25 * lastColumn), std::clamp(25 * r + sy, 0, 25 * lastRow)};
}

void SampleSmooth(const Dib& source, SmoothPosition at, uint8_t* out) {
    blend(source.bits, source.stride, at.x, at.y, out);
}

void renderSmooth(const Dib& source, const DisplacementField& field, OwnedDib& result,
                  MessageSink& messages) {
    const int32_t width = DibWidth(source);
    const int32_t height = DibHeight(source);
    // The old result goes first, as renderdi's does.
    result.reset();
    const bool made = result.make(width, height, 24);
    if (DibBitCount(source) != 24) {
        messages.showMessage(kNot24BitsMessage);
        return;
    }
    if (!made || source.bits == nullptr || result->bits == nullptr || field.width() != width ||
        field.height() != height) {
        return;
    }
    smoothRowsShared(source, field, result.get(), {0, 0, width, height});
}

bool renderSmoothRect(const Dib& source, const DisplacementField& field, OwnedDib& result,
                      const DabRect& rect) {
    const int32_t width = DibWidth(source);
    const int32_t height = DibHeight(source);
    if (DibBitCount(source) != 24 || source.bits == nullptr || !result.holdsPicture() ||
        result->bits == nullptr || DibBitCount(result.get()) != 24 ||
        DibWidth(result.get()) != width || DibHeight(result.get()) != height ||
        field.width() != width || field.height() != height) {
        return false;
    }
    const DabRect clipped = Clipped(rect, width, height);
    if (!clipped.empty()) {
        smoothRowsShared(source, field, result.get(), clipped);
    }
    return true;
}

DabRect SmoothReach(const DabRect& changed, int32_t width, int32_t height) {
    if (changed.empty()) {
        return {};
    }
    return Clipped({changed.x - kSmoothReach, changed.y - kSmoothReach,
                    changed.width + 2 * kSmoothReach, changed.height + 2 * kSmoothReach},
                   width, height);
}

}  // namespace grimora
