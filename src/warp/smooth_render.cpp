// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/smooth_render.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

#include "picture/dib_queries.h"
#include "warp/render.h"
#include "warp/row_helper.h"

namespace grimora {

namespace {

inline int32_t held(int32_t v, int32_t last) {
    return std::clamp(v, 0, last);
}

// Bilinear weights in 64ths for a position k / 25 past a pixel, rounded:
// fine enough that no step shows (1/128 of a pixel at most), and coarse
// enough that four weighted pixels fit the lanes below and come back with a
// shift instead of a division.
constexpr int kWeightBits = 6;
constexpr std::array<uint32_t, 25> kWeights = [] {
    std::array<uint32_t, 25> w{};
    for (uint32_t k = 0; k < 25; ++k) {
        w[k] = ((k << kWeightBits) + 12) / 25;
    }
    return w;
}();

// A pixel's three bytes in lanes of 21 bits: four of them weighted in
// 4096ths sum to less than 2^20 a lane, so one multiplication weights all
// three channels.
constexpr int kLane = 21;
constexpr uint64_t kLaneMask = (uint64_t{1} << kLane) - 1;
constexpr int kProductBits = 2 * kWeightBits;
constexpr uint64_t kHalfInEachLane =
    (uint64_t{1} << (kProductBits - 1)) * (1 | uint64_t{1} << kLane | uint64_t{1} << (2 * kLane));

inline uint64_t lanes(const uint8_t* p) {
    return uint64_t{p[0]} | uint64_t{p[1]} << kLane | uint64_t{p[2]} << (2 * kLane);
}

// Blends pixel p with its neighbours to the right and above by weights in
// 64ths. Weight 0 gives the pixel exactly (all the weight, then rounding),
// without a branch that magnified areas would mispredict half the time; a
// neighbour with weight 0 stands in for itself, so nothing past the last
// column or row is read.
inline void blend(const uint8_t* p, std::ptrdiff_t stride, uint32_t fx, uint32_t fy, uint8_t* out) {
    const std::ptrdiff_t right = fx != 0 ? 3 : 0;
    const std::ptrdiff_t up = fy != 0 ? stride : 0;
    constexpr uint32_t kOne = 1u << kWeightBits;
    const uint64_t v = lanes(p) * ((kOne - fx) * (kOne - fy)) +
                       lanes(p + right) * (fx * (kOne - fy)) + lanes(p + up) * ((kOne - fx) * fy) +
                       lanes(p + up + right) * (fx * fy) + kHalfInEachLane;
    out[0] = static_cast<uint8_t>((v & kLaneMask) >> kProductBits);
    out[1] = static_cast<uint8_t>((v >> kLane & kLaneMask) >> kProductBits);
    out[2] = static_cast<uint8_t>(v >> (2 * kLane + kProductBits));
}

// v / 25 for 0 <= v < 2^21 (positions of pictures up to 65535 pixels a
// side), in floating point so that a row's worth vectorises: (v + 0.5) / 25
// lies at least 0.02 from a whole number, far more than the float's error
// (below 0.006 up there); checked for every such v.
inline int32_t Over25(int32_t v) {
    return static_cast<int32_t>((static_cast<float>(v) + 0.5f) * (1.0f / 25));
}

// The positions of `count` pixels of a row, the first at x0, y0 (in 25ths)
// and the window's column sums starting at sumX, sumY: whole pixels and
// 25ths past them, held inside the picture.
void RowPositions(const int32_t* __restrict sumX, const int32_t* __restrict sumY, int32_t count,
                  int32_t x0, int32_t y0, int32_t maxX, int32_t maxY, int32_t* __restrict wholeX,
                  int32_t* __restrict wholeY, int32_t* __restrict partX,
                  int32_t* __restrict partY) {
    for (int32_t j = 0; j < count; ++j) {
        const int32_t hx = sumX[j] + sumX[j + 1] + sumX[j + 2] + sumX[j + 3] + sumX[j + 4];
        const int32_t hy = sumY[j] + sumY[j + 1] + sumY[j + 2] + sumY[j + 3] + sumY[j + 4];
        const int32_t x = std::min(std::max(x0 + 25 * j + hx, 0), maxX);
        const int32_t y = std::min(std::max(y0 + hy, 0), maxY);
        const int32_t ix = Over25(x);
        const int32_t iy = Over25(y);
        wholeX[j] = ix;
        wholeY[j] = iy;
        partX[j] = x - 25 * ix;
        partY[j] = y - 25 * iy;
    }
}

// Rows [first, end) of columns [left, right): per column the window's offset
// sums over five rows, slid up one row at a time; per pixel the sum of five
// such columns. Every sum is exact, so any part renders as the whole would.
// Positions are worked out for a whole row first, in a loop the compiler
// can vectorise, and blended after.
void smoothRows(const Dib& source, const DisplacementField& field, const Dib& target, int32_t left,
                int32_t right, int32_t first, int32_t end) {
    const int32_t lastColumn = field.width() - 1;
    const int32_t lastRow = field.height() - 1;
    const int32_t count = right - left;
    const int32_t span = count + 2 * kSmoothReach;
    std::vector<int32_t> scratch(3 * static_cast<std::size_t>(span) +
                                 4 * static_cast<std::size_t>(count));
    int32_t* const sumX = scratch.data();
    int32_t* const sumY = sumX + span;
    int32_t* const columns = sumY + span;
    int32_t* const wholeX = columns + span;
    int32_t* const wholeY = wholeX + count;
    int32_t* const partX = wholeY + count;
    int32_t* const partY = partX + count;
    for (int32_t j = 0; j < span; ++j) {
        columns[j] = held(left - kSmoothReach + j, lastColumn);
    }
    for (int32_t k = -kSmoothReach; k <= kSmoothReach; ++k) {
        const int32_t r = held(first + k, lastRow);
        const Displacement* entries = field.row(r);
        for (int32_t j = 0; j < span; ++j) {
            sumX[j] += entries[columns[j]].x - columns[j];
            sumY[j] += entries[columns[j]].y - r;
        }
    }
    const uint8_t* const bits = source.bits;
    const std::ptrdiff_t stride = source.stride;
    const int32_t maxX = 25 * lastColumn;
    const int32_t maxY = 25 * lastRow;
    for (int32_t r = first; r < end; ++r) {
        RowPositions(sumX, sumY, count, 25 * left, 25 * r, maxX, maxY, wholeX, wholeY, partX,
                     partY);
        uint8_t* out = DibRow(target, r) + std::ptrdiff_t{3} * left;
        for (int32_t j = 0; j < count; ++j, out += 3) {
            const uint8_t* p = bits + wholeY[j] * stride + std::ptrdiff_t{3} * wholeX[j];
            // Whole positions come in runs (where the field is the identity or
            // a whole shift), so this branch is seldom mispredicted.
            if ((partX[j] | partY[j]) == 0) {
                std::memcpy(out, p, 3);
            } else {
                blend(p, stride, kWeights[partX[j]], kWeights[partY[j]], out);
            }
        }
        if (r + 1 < end) {
            // The window moves up a row: the row below it leaves, the next
            // one above comes in.
            const int32_t gone = held(r - kSmoothReach, lastRow);
            const int32_t come = held(r + 1 + kSmoothReach, lastRow);
            const Displacement* old = field.row(gone);
            const Displacement* next = field.row(come);
            for (int32_t j = 0; j < span; ++j) {
                sumX[j] += next[columns[j]].x - old[columns[j]].x;
                sumY[j] += next[columns[j]].y - old[columns[j]].y - (come - gone);
            }
        }
    }
}

// Below this many pixels a rectangle stays on the calling thread.
constexpr int64_t kSharedPixels = 20000;
// Each chunk starts its sums afresh from five rows: 64 rows keep that below
// a tenth of the work.
constexpr int64_t kChunkRows = 64;

void smoothRowsShared(const Dib& source, const DisplacementField& field, const Dib& target,
                      const DabRect& rect) {
    ForEachChunk(rect.height, kChunkRows, int64_t{rect.width} * rect.height >= kSharedPixels,
                 [&](int64_t first, int64_t end, int) {
                     smoothRows(source, field, target, rect.x, rect.x + rect.width,
                                rect.y + static_cast<int32_t>(first),
                                rect.y + static_cast<int32_t>(end));
                 });
}

}  // namespace

SmoothPosition SmoothOffsetSum(const DisplacementField& field, int32_t c, int32_t r) {
    const int32_t lastColumn = field.width() - 1;
    const int32_t lastRow = field.height() - 1;
    SmoothPosition sum;
    for (int32_t dr = -kSmoothReach; dr <= kSmoothReach; ++dr) {
        const int32_t row = held(r + dr, lastRow);
        const Displacement* entries = field.row(row);
        for (int32_t dc = -kSmoothReach; dc <= kSmoothReach; ++dc) {
            const int32_t column = held(c + dc, lastColumn);
            sum.x += entries[column].x - column;
            sum.y += entries[column].y - row;
        }
    }
    return sum;
}

void SampleSmooth(const Dib& source, SmoothPosition at, uint8_t* out) {
    const int32_t ix = at.x / 25;
    const int32_t iy = at.y / 25;
    blend(DibRow(source, iy) + std::ptrdiff_t{3} * ix, source.stride, kWeights[at.x - 25 * ix],
          kWeights[at.y - 25 * iy], out);
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
    if (!CanRenderInPlace(source, field, result)) {
        return false;
    }
    const DabRect clipped = ClipRect(rect, DibWidth(source), DibHeight(source));
    if (!clipped.empty()) {
        smoothRowsShared(source, field, result.get(), clipped);
    }
    return true;
}

DabRect SmoothReach(const DabRect& changed, int32_t width, int32_t height) {
    if (changed.empty()) {
        return {};
    }
    return ClipRect({changed.x - kSmoothReach, changed.y - kSmoothReach,
                     changed.width + 2 * kSmoothReach, changed.height + 2 * kSmoothReach},
                    width, height);
}

}  // namespace grimora
