// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/effect.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "warp/brush_math.h"
#include "warp/row_helper.h"

namespace grimora {

namespace {

// floor((a + b) / 2) without the sum wrapping around.
uint64_t halfSum(uint64_t a, uint64_t b) {
    return a / 2 + b / 2 + (a & b & 1);
}

using namespace brush;

// Everything one dab needs, worked out once before its rows.
struct DabPlan {
    DisplacementField* field = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t X = 0;
    int32_t Y = 0;
    int32_t R = 0;
    DabRect square;
    bool xSwitch = true;
    bool ySwitch = true;
    bool normalize = true;
    double S = 0;
    DragBlend drag;
    int32_t deltaX = 0;
    int32_t deltaY = 0;
    // Squares whose n = dx^2 + dy^2 all stay below 2^32 measure distances by
    // the exact integer root and a table of the roots that Heron's iteration
    // places one above; larger ones call HeronSqrt itself.
    bool rootShortcut = false;
    bool samplesInRange = false;        // SamplePositionInRange gives every position
    const uint8_t* oneAbove = nullptr;  // by m: n = m * m - 1 measures as m
    int64_t oneAboveTop = 0;            // last m in the table
    const double* factors = nullptr;    // F by distance, grow and shrink
    int64_t factorTop = -1;             // last distance in the table
    Displacement* block = nullptr;      // the square's new entries, grow and shrink
    int32_t* sampleRows = nullptr;      // two rows of sample rows by distance per thread
    FreezeMask* mask = nullptr;
    // Some entry of the square is frozen: new entries are blended with the
    // old ones by the mask. Otherwise the mask is not read.
    bool masked = false;
};

// The share (255 - m) / 255 of a move that the mask byte m lets through.
// MaskedComponent's exact quotient is never nearer than 1/510 to a half, and
// for moves below 2^32 the product below is within 1e-6 of it: rounding the
// product gives the same step, without a division per component.
constexpr std::array<double, 256> kShare = [] {
    std::array<double, 256> share{};
    for (int m = 0; m < 256; ++m) {
        share[static_cast<std::size_t>(m)] = (255.0 - m) / 255.0;
    }
    return share;
}();

inline int32_t heldBackComponent(int32_t was, int32_t now, double share) {
    // Adding and taking away 1.5 * 2^52 rounds to the nearest integer,
    // halves to even, in the FPU's own mode; there are no halves here.
    constexpr double kRound = 0x1.8p52;
    const double moved = (static_cast<double>(now) - was) * share;
    return was + static_cast<int32_t>((moved + kRound) - kRound);
}

// The entry a warp brush made of `was`, held back by the mask byte m.
inline Displacement heldBack(Displacement was, Displacement now, uint8_t m) {
    const double share = kShare[m];
    return {heldBackComponent(was.x, now.x, share), heldBackComponent(was.y, now.y, share)};
}

inline int64_t measuredDistance(const DabPlan& p, uint64_t n) {
    if (!p.rootShortcut) {
        return n == 0 ? 0 : HeronSqrt(n);
    }
    auto s = static_cast<int64_t>(std::sqrt(static_cast<double>(n)));
    const auto un = static_cast<int64_t>(n);
    if (s * s > un) {
        --s;
    } else if ((s + 1) * (s + 1) <= un) {
        ++s;
    }
    // Only a root one above can be too many; past the table's end the
    // distance exceeds the radius either way.
    if (s + 1 <= p.oneAboveTop && un + 1 == (s + 1) * (s + 1) && p.oneAbove[s + 1] != 0) {
        return s + 1;
    }
    return s;
}

template <typename B>
inline double factorAt(const DabPlan& p, int64_t d) {
    return d <= p.factorTop ? p.factors[d] : ScaleFactor(B::grows, d, p.R, p.S);
}

// One new entry of grow or shrink, sampled at (sx, sy) of the live field.
inline Displacement scaledEntry(const DabPlan& p, Displacement e, Displacement from, int32_t j,
                                int32_t i) {
    if (p.xSwitch) {
        e.x = p.normalize ? NormalizedComponent(from.x, j) : from.x;
    }
    if (p.ySwitch) {
        e.y = p.normalize ? NormalizedComponent(from.y, i) : from.y;
    }
    return e;
}

// The rows Y - k and Y + k of the square, those of them that exist. Both see
// the same distances, factors and sample columns, so each is worked out once
// for the two rows.
struct RowPair {
    int32_t k = 0;
    bool hasLower = false;  // row Y - k
    bool hasUpper = false;  // row Y + k, k > 0
};

// Grow and shrink: the pair's new entries into the block, read from the live
// field, which no entry of this dab has reached yet. `rows` holds, for every
// distance of the factor table, the sample row of the lower and then of the
// upper row.
template <typename B, bool InRange>
void scalePair(const DabPlan& p, const RowPair& pair, int32_t* rows) {
    const DisplacementField& field = *p.field;
    const int32_t lower = p.Y - pair.k;
    const int32_t upper = p.Y + pair.k;
    const auto blockRow = [&p](int32_t i) {
        return p.block +
               static_cast<std::size_t>(i - p.square.y) * static_cast<std::size_t>(p.square.width);
    };
    const Displacement* lowerIn = pair.hasLower ? field.row(lower) : nullptr;
    const Displacement* upperIn = pair.hasUpper ? field.row(upper) : nullptr;
    Displacement* lowerOut = pair.hasLower ? blockRow(lower) : nullptr;
    Displacement* upperOut = pair.hasUpper ? blockRow(upper) : nullptr;
    const int32_t lastX = p.width - 1;
    const int32_t lastY = p.height - 1;
    const auto samplePosition = [](int64_t offset, double factor, int32_t centre, int32_t last) {
        if constexpr (InRange) {
            return SamplePositionInRange(offset, factor, centre, last);
        } else {
            return SamplePosition(offset, factor, centre, last);
        }
    };

    // A distance is never below k; past the table's end rows are sampled
    // entry by entry.
    const int64_t tableLow = pair.k;
    const int64_t tableHigh = std::min<int64_t>(p.R, p.factorTop);
    int32_t* const lowerRows = rows;
    int32_t* const upperRows = rows + (p.factorTop + 1);
    for (int64_t d = tableLow; d <= tableHigh; ++d) {
        const double F = p.factors[d];
        if (pair.hasLower) {
            lowerRows[d] = samplePosition(-int64_t{pair.k}, F, p.Y, lastY);
        }
        if (pair.hasUpper) {
            upperRows[d] = samplePosition(pair.k, F, p.Y, lastY);
        }
    }

    const auto k2 = static_cast<uint64_t>(int64_t{pair.k} * pair.k);
    const int32_t end = p.square.x + p.square.width;
    for (int32_t j = p.square.x; j < end; ++j) {
        const int32_t at = j - p.square.x;
        const int64_t dx = int64_t{p.X} - j;
        const int64_t d = measuredDistance(p, static_cast<uint64_t>(dx * dx) + k2);
        if (d > p.R) {
            if (lowerOut != nullptr) {
                lowerOut[at] = lowerIn[j];
            }
            if (upperOut != nullptr) {
                upperOut[at] = upperIn[j];
            }
            continue;
        }
        const double F = factorAt<B>(p, d);
        const int32_t sx = samplePosition(-dx, F, p.X, lastX);
        const bool tabled = d >= tableLow && d <= tableHigh;
        if (lowerOut != nullptr) {
            const int32_t sy =
                tabled ? lowerRows[d] : samplePosition(-int64_t{pair.k}, F, p.Y, lastY);
            lowerOut[at] = scaledEntry(p, lowerIn[j], field.at(sx, sy), j, lower);
        }
        if (upperOut != nullptr) {
            const int32_t sy = tabled ? upperRows[d] : samplePosition(pair.k, F, p.Y, lastY);
            upperOut[at] = scaledEntry(p, upperIn[j], field.at(sx, sy), j, upper);
        }
    }
}

void writeBackRow(const DabPlan& p, int32_t i) {
    const Displacement* from = p.block + static_cast<std::size_t>(i - p.square.y) *
                                             static_cast<std::size_t>(p.square.width);
    Displacement* to = p.field->row(i) + p.square.x;
    if (!p.masked) {
        std::memcpy(to, from, static_cast<std::size_t>(p.square.width) * sizeof(Displacement));
        return;
    }
    const uint8_t* mask = p.mask->row(i) + p.square.x;
    for (int32_t k = 0; k < p.square.width; ++k) {
        to[k] = heldBack(to[k], from[k], mask[k]);
    }
}

// `mask` is the mask byte of the entry; null where nothing in the square is
// frozen (the brushes that paint the mask always have it).
template <typename B>
inline void ownEntry(const DabPlan& p, Displacement& e, uint8_t* mask, int32_t j, int32_t i,
                     int64_t d) {
    if constexpr (B::paintsMask) {
        *mask = B::maskValue;
        return;
    }
    Displacement now = e;
    if constexpr (B::mode == EffectMode::Rubber) {
        now.x = RubberComponent(e.x, j);
        now.y = RubberComponent(e.y, i);
    } else {
        now.x = DragComponent(p.drag, e.x, p.deltaX, d, B::lugs, j, p.width - 1);
        now.y = DragComponent(p.drag, e.y, p.deltaY, d, B::lugs, i, p.height - 1);
    }
    e = mask != nullptr ? heldBack(e, now, *mask) : now;
}

// Rubber, smear and lug read only the entry itself: the rows change in
// place. Freeze and Thaw write the mask's rows the same way.
template <typename B>
void ownEntryPair(const DabPlan& p, const RowPair& pair) {
    const int32_t lower = p.Y - pair.k;
    const int32_t upper = p.Y + pair.k;
    Displacement* lowerRow = pair.hasLower ? p.field->row(lower) : nullptr;
    Displacement* upperRow = pair.hasUpper ? p.field->row(upper) : nullptr;
    const bool readsMask = B::paintsMask || p.masked;
    uint8_t* lowerMask = readsMask && pair.hasLower ? p.mask->row(lower) : nullptr;
    uint8_t* upperMask = readsMask && pair.hasUpper ? p.mask->row(upper) : nullptr;
    const auto k2 = static_cast<uint64_t>(int64_t{pair.k} * pair.k);
    const int32_t end = p.square.x + p.square.width;
    for (int32_t j = p.square.x; j < end; ++j) {
        const int64_t dx = int64_t{p.X} - j;
        const int64_t d = measuredDistance(p, static_cast<uint64_t>(dx * dx) + k2);
        if (d > p.R) {
            continue;
        }
        if (lowerRow != nullptr) {
            ownEntry<B>(p, lowerRow[j], lowerMask != nullptr ? lowerMask + j : nullptr, j, lower,
                        d);
        }
        if (upperRow != nullptr) {
            ownEntry<B>(p, upperRow[j], upperMask != nullptr ? upperMask + j : nullptr, j, upper,
                        d);
        }
    }
}

// The pairs k = first .. end - 1 of the dab; `part` picks the thread's own
// sample row tables.
template <typename B>
void computePairs(const DabPlan& p, int64_t first, int64_t end, int part) {
    const int64_t below = p.Y - p.square.y;
    const int64_t above = int64_t{p.square.y} + p.square.height - 1 - p.Y;
    for (int64_t k = first; k < end; ++k) {
        const RowPair pair{static_cast<int32_t>(k), k <= below, k > 0 && k <= above};
        if constexpr (B::scales) {
            int32_t* rows = p.sampleRows + static_cast<std::size_t>(part) * 2 * (p.factorTop + 1);
            if (p.samplesInRange) {
                scalePair<B, true>(p, pair, rows);
            } else {
                scalePair<B, false>(p, pair, rows);
            }
        } else {
            ownEntryPair<B>(p, pair);
        }
    }
}

// Memory that only makes dabs cheaper: kept between dabs of one thread, never
// read before this dab wrote it (the root table is a pure function of m).
struct Scratch {
    std::vector<Displacement> block;
    std::vector<double> factors;
    std::vector<int32_t> sampleRows;
    std::vector<uint8_t> oneAbove{0};
};

// A block above this many entries (8 MB, a square of radius 500) is given
// back after its dab: only typed radii get there.
constexpr std::size_t kKeptBlockEntries = std::size_t{1} << 20;

// Squares from this many entries up (a radius of about 100) share their rows
// with the helper thread; below it waking the helper costs more than it saves.
constexpr int64_t kThreadedSquareEntries = 40000;

// Largest table of factors by distance; beyond it F is computed per entry.
constexpr int64_t kFactorTableTop = 1 << 16;

}  // namespace

int64_t HeronSqrt(uint64_t n) {
    if (n == 0) {
        return 0;
    }
    // (n div n + n) shr 1.
    uint64_t x = halfSum(1, n);
    for (;;) {
        const uint64_t next = halfSum(n / x, x);
        // A step of 0 or 1, taken as a 32-bit difference, ends the loop, even
        // the step from m + 1 to m for some n = m * m - 1, one above the true
        // root. The brushes' discs have always been measured so.
        if (static_cast<uint32_t>(x - next) <= 1) {
            return static_cast<int64_t>(next);
        }
        x = next;
    }
}

DabRect DabBounds(const EffectParams& params, int32_t width, int32_t height) {
    const int32_t X = params.centreX;
    const int32_t Y = params.centreY;
    const int64_t R = params.radius;
    if (X < 0 || Y < 0 || X > width - 1 || Y > height - 1 || R <= 0) {
        return {};
    }
    const int64_t left = std::max<int64_t>(0, X - R);
    const int64_t right = std::min<int64_t>(width - 1, X + R);
    const int64_t bottom = std::max<int64_t>(0, Y - R);
    const int64_t top = std::min<int64_t>(height - 1, Y + R);
    return {static_cast<int32_t>(left), static_cast<int32_t>(bottom),
            static_cast<int32_t>(right - left + 1), static_cast<int32_t>(top - bottom + 1)};
}

namespace {

// The dab of brush B on the square, which is not empty.
template <typename B>
void applyDab(DisplacementField& field, FreezeMask* mask, const EffectParams& params,
              const DabRect& square, DabThreads threads) {
    if constexpr (B::scales) {
        if (!params.xSwitch && !params.ySwitch) {
            return;  // neither component is set
        }
    }
    if constexpr (B::paintsMask) {
        if (mask == nullptr) {
            return;
        }
    }
    const int32_t X = params.centreX;
    const int32_t Y = params.centreY;
    const int32_t R = params.radius;
    thread_local Scratch scratch;
    DabPlan p;
    p.field = &field;
    p.width = field.width();
    p.height = field.height();
    p.X = X;
    p.Y = Y;
    p.R = R;
    p.square = square;
    p.xSwitch = params.xSwitch;
    p.ySwitch = params.ySwitch;
    p.normalize = params.normalize;
    p.S = params.strength;
    p.drag = MakeDragBlend(params.strength, R);
    // The view's y grows downwards, memory rows upwards.
    p.deltaX = LimitedMovement(params.prevMouseX, params.mouseX);
    p.deltaY = LimitedMovement(params.mouseY, params.prevMouseY);
    p.mask = mask;
    if constexpr (!B::paintsMask) {
        p.masked =
            mask != nullptr && mask->anyFrozen(square.x, square.y, square.width, square.height);
    }

    const int64_t reachX = std::max<int64_t>(X - square.x, square.x + square.width - 1 - X);
    const int64_t reachY = std::max<int64_t>(Y - square.y, square.y + square.height - 1 - Y);
    const auto farthest = static_cast<uint64_t>(reachX * reachX + reachY * reachY);
    p.rootShortcut = farthest <= UINT32_MAX;
    p.samplesInRange = SamplesInRange(params.strength);
    // The largest root in the square is below 2^16 here, the largest
    // distance at most one above it.
    const auto rootTop = static_cast<int64_t>(std::sqrt(static_cast<double>(farthest))) + 2;
    if (p.rootShortcut) {
        const int64_t top = std::min<int64_t>(int64_t{R} + 1, rootTop);
        std::vector<uint8_t>& table = scratch.oneAbove;
        for (auto m = static_cast<int64_t>(table.size()); m <= top; ++m) {
            const auto n = static_cast<uint64_t>(m * m - 1);
            table.push_back(HeronSqrt(n) == m ? 1 : 0);
        }
        p.oneAbove = table.data();
        p.oneAboveTop = top;
    }
    if constexpr (B::scales) {
        p.factorTop = std::min({int64_t{R}, rootTop, kFactorTableTop});
        scratch.factors.resize(static_cast<std::size_t>(p.factorTop) + 1);
        for (int64_t d = 0; d <= p.factorTop; ++d) {
            scratch.factors[static_cast<std::size_t>(d)] =
                ScaleFactor(B::grows, d, R, params.strength);
        }
        p.factors = scratch.factors.data();
        scratch.sampleRows.resize(4 * (static_cast<std::size_t>(p.factorTop) + 1));
        p.sampleRows = scratch.sampleRows.data();
        const std::size_t entries =
            static_cast<std::size_t>(square.width) * static_cast<std::size_t>(square.height);
        // Made before any entry is written: when the memory cannot be had
        // the field is still the one before the dab.
        if (scratch.block.size() < entries) {
            scratch.block.resize(entries);
        }
        p.block = scratch.block.data();
    }

    const int64_t squareEntries = int64_t{square.width} * square.height;
    const bool shared = square.height >= 2 &&
                        (threads == DabThreads::Two ||
                         (threads == DabThreads::Auto && squareEntries >= kThreadedSquareEntries));
    // Chunks of 8 pairs, 16 rows: few enough hand-outs, fine enough that a
    // late helper leaves little for the caller to wait on.
    ForEachChunk(
        reachY + 1, shared ? 8 : reachY + 1, shared,
        [&p](int64_t first, int64_t end, int part) { computePairs<B>(p, first, end, part); });
    if constexpr (B::scales) {
        // Only once every new entry is made: they were sampled from the
        // field as it was. Blending by the mask costs enough to share.
        ForEachChunk(square.height, 32, shared && p.masked, [&p](int64_t first, int64_t end, int) {
            for (int64_t i = first; i < end; ++i) {
                writeBackRow(p, p.square.y + static_cast<int32_t>(i));
            }
        });
        if (scratch.block.size() > kKeptBlockEntries) {
            scratch.block = {};
        }
    }
}

}  // namespace

DabRect Bounding(const DabRect& a, const DabRect& b) {
    if (a.empty()) {
        return b;
    }
    if (b.empty()) {
        return a;
    }
    const int32_t left = std::min(a.x, b.x);
    const int32_t bottom = std::min(a.y, b.y);
    const int64_t right = std::max(int64_t{a.x} + a.width, int64_t{b.x} + b.width);
    const int64_t top = std::max(int64_t{a.y} + a.height, int64_t{b.y} + b.height);
    return {left, bottom, static_cast<int32_t>(right - left), static_cast<int32_t>(top - bottom)};
}

bool PaintsMask(EffectMode mode) {
    return brush::VisitBrush(mode, []<typename B>(B) { return B::paintsMask; });
}

DabRect DoEffekt(DisplacementField& field, const EffectParams& params, DabThreads threads) {
    return DoEffekt(field, nullptr, params, threads);
}

DabRect DoEffekt(DisplacementField& field, FreezeMask* mask, const EffectParams& params,
                 DabThreads threads) {
    const DabRect square = DabBounds(params, field.width(), field.height());
    if (!square.empty()) {
        brush::VisitBrush(
            params.mode, [&]<typename B>(B) { applyDab<B>(field, mask, params, square, threads); });
    }
    return square;
}

}  // namespace grimora
