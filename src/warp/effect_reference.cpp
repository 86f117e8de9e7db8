// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/effect_reference.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace grimora {

namespace {

// Exact room for the smear falloff, whose product of radius and blend does
// not fit 64 bits for a typed strength of, say, 1e15.
using Wide = __int128;

// A drag blend beyond this, either way, puts every entry short of the rim on
// the picture's edge anyway; limiting it first keeps the conversion defined.
constexpr long double kBlendLimit = 0x1p62L;

// Converting NaN, or a floating value beyond the target type, is undefined;
// every floating value goes through here before it becomes an integer.
// NaN counts as the lower bound.
long double clampedForConversion(long double v, long double lo, long double hi) {
    if (!(v >= lo)) {
        return lo;
    }
    if (v > hi) {
        return hi;
    }
    return v;
}

int32_t clampedToPicture(Wide v, int32_t last) {
    if (v < 0) {
        return 0;
    }
    if (v > last) {
        return last;
    }
    return static_cast<int32_t>(v);
}

// F for the grow and shrink brushes; 1 leaves positions where they are.
double scaleFactor(EffectMode mode, int64_t d, int32_t radius, double strength) {
    const long double q = std::sqrt(static_cast<long double>(d) / radius);
    switch (mode) {
        case EffectMode::Grow:
            return static_cast<double>(q * strength + 1 - strength);
        case EffectMode::Shrink:
            return static_cast<double>((1 - q) * strength + 1);
        case EffectMode::Rubber:
        case EffectMode::Smear:
        case EffectMode::Lug:
            return 1.0;
    }
    return 1.0;
}

// Round((offset * F) + centre), halves to even, limited to 0..last. Limiting
// before rounding gives the same position as limiting after it. rint rounds
// in the current mode, which nothing here leaves other than to nearest and
// halves to even; nearbyint would give the same at several times the cost.
int32_t samplePosition(int64_t offset, double factor, int32_t centre, int32_t last) {
    const long double exact = static_cast<long double>(offset) * factor + centre;
    return static_cast<int32_t>(std::rint(clampedForConversion(exact, 0, last)));
}

// Rubber: a fifth of the way back to identity, or onto it when a fifth is
// less than one step.
int32_t rubberComponent(int32_t v, int32_t identity) {
    const int32_t t = static_cast<int32_t>((int64_t{4} * v + identity) / 5);
    return t == v ? identity : t;
}

// One component under smear or lug. delta is the mouse movement along it,
// limited to -10..10; d the entry's distance from the centre, d <= radius.
int32_t dragComponent(int32_t old, int32_t delta, double strength, int64_t d, int32_t radius,
                      bool lug, int32_t identity, int32_t last) {
    const long double blend = static_cast<long double>(int64_t{old} + delta) * strength +
                              (1 - static_cast<long double>(strength)) * old;
    const auto t = static_cast<int64_t>(clampedForConversion(blend, -kBlendLimit, kBlendLimit));
    // Full shift at the centre, fading to none at the rim.
    Wide e = (Wide{radius - d} * t + Wide{d} * old) / radius;
    if (lug) {
        // Trunc(e * 0.95 + identity * 0.05), exactly.
        e = (19 * e + identity) / 20;
    }
    return clampedToPicture(e, last);
}

int32_t limitedMovement(int32_t from, int32_t to) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{from} - to, -10, 10));
}

}  // namespace

void DoEffektReference(DisplacementField& field, const EffectParams& params, EffectHost& host) {
    const int32_t width = field.width();
    const int32_t height = field.height();
    const int32_t X = params.centreX;
    const int32_t Y = params.centreY;
    if (X < 0 || Y < 0 || X > width - 1 || Y > height - 1) {
        return;
    }

    // Grow and shrink read the field as it was before this dab, never an entry
    // the dab has already moved.
    const std::vector<Displacement> snapshot(field.data(), field.data() + field.size());

    const int32_t R = params.radius;
    const EffectMode mode = params.mode;
    const bool drag = mode == EffectMode::Smear || mode == EffectMode::Lug;
    const bool lug = mode == EffectMode::Lug;
    const bool rubber = mode == EffectMode::Rubber;
    const double S = params.strength;
    // The view's y grows downwards, memory rows upwards.
    const int32_t deltaX = limitedMovement(params.prevMouseX, params.mouseX);
    const int32_t deltaY = limitedMovement(params.mouseY, params.prevMouseY);

    // A radius of 0 or less reaches no entry (the disc of radius 0 would need
    // a division by it).
    if (R > 0) {
        const int64_t bottom = int64_t{Y} - R;
        const int64_t top = int64_t{Y} + R;
        const int64_t left = int64_t{X} - R;
        const int64_t right = int64_t{X} + R;
        for (int32_t i = 0; i < height; ++i) {
            if (i < bottom || i > top) {
                continue;
            }
            Displacement* row = field.row(i);
            for (int32_t j = 0; j < width; ++j) {
                if (j < left || j > right) {
                    continue;
                }
                const int64_t dx = int64_t{X} - j;
                const int64_t dy = int64_t{Y} - i;
                const auto n = static_cast<uint64_t>(dx * dx + dy * dy);
                const int64_t d = n == 0 ? 0 : HeronSqrt(n);
                if (d > R) {
                    continue;
                }
                Displacement& e = row[j];
                if (drag) {
                    e.x = dragComponent(e.x, deltaX, S, d, R, lug, j, width - 1);
                    e.y = dragComponent(e.y, deltaY, S, d, R, lug, i, height - 1);
                } else if (rubber) {
                    e.x = rubberComponent(e.x, j);
                    e.y = rubberComponent(e.y, i);
                } else {
                    const double F = scaleFactor(mode, d, R, S);
                    const int32_t sx = samplePosition(int64_t{j} - X, F, X, width - 1);
                    const int32_t sy = samplePosition(int64_t{i} - Y, F, Y, height - 1);
                    const Displacement& from = snapshot[static_cast<std::size_t>(sy) * width + sx];
                    // Normalising is Trunc(v * 0.9 + identity * 0.1), exactly.
                    if (params.xSwitch) {
                        e.x = from.x;
                        if (params.normalize) {
                            e.x = static_cast<int32_t>((int64_t{9} * e.x + j) / 10);
                        }
                    }
                    if (params.ySwitch) {
                        e.y = from.y;
                        if (params.normalize) {
                            e.y = static_cast<int32_t>((int64_t{9} * e.y + i) / 10);
                        }
                    }
                }
            }
            host.SetProStatus(static_cast<int32_t>((int64_t{i} - Y + R) * 100 / (int64_t{2} * R)));
        }
    }

    host.SetProStatus(0);
    host.PaintBox1Paint();
}

}  // namespace grimora
