// SPDX-License-Identifier: GPL-3.0-or-later
// The arithmetic of the brushes, in one place for the fast dab and the plain
// reference: both must give the same entries bit for bit, so every long
// double expression here is evaluated in exactly one way.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "warp/effect.h"

namespace grimora::brush {

// Exact room for the smear falloff, whose product of radius and blend does
// not fit 64 bits for a typed strength of, say, 1e15.
using Wide = __int128;

// A drag blend beyond this, either way, puts every entry short of the rim on
// the picture's edge anyway; limiting it first keeps the conversion defined.
inline constexpr long double kBlendLimit = 0x1p62L;

// Converting NaN, or a floating value beyond the target type, is undefined;
// every floating value that might be such goes through here first. NaN
// counts as the lower bound.
inline long double ClampedForConversion(long double v, long double lo, long double hi) {
    if (!(v >= lo)) {
        return lo;
    }
    if (v > hi) {
        return hi;
    }
    return v;
}

// v rounded to the nearest integer, halves to even: the FPU's own mode,
// which nothing here leaves. One fistp; a cast of rint's result costs a
// frndint and, without SSE3's fisttp, two control word loads.
inline int64_t NearestInteger(long double v) {
#if defined(__x86_64__) && defined(__GNUC__)
    int64_t r;
    asm("fistpll %0" : "=m"(r) : "t"(v) : "st");
    return r;
#else
    return static_cast<int64_t>(std::rint(v));
#endif
}

// v truncated toward zero; |v| below 2^63.
inline int64_t TruncatedInteger(long double v) {
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SSE3__)
    // Round, then step back toward zero if rounding went away from it: the
    // comparisons are exact, and no control word is rewritten.
    const int64_t r = NearestInteger(v);
    const auto back = static_cast<long double>(r);
    if (v >= 0) {
        return back > v ? r - 1 : r;
    }
    return back < v ? r + 1 : r;
#else
    return static_cast<int64_t>(v);
#endif
}

// F of grow (factor below 1 near the centre: magnifies) and shrink (above
// 1) at distance d.
inline double ScaleFactor(bool grow, int64_t d, int32_t radius, double strength) {
    const long double q = std::sqrt(static_cast<long double>(d) / radius);
    return grow ? static_cast<double>(q * strength + 1 - strength)
                : static_cast<double>((1 - q) * strength + 1);
}

// Round(offset * F + centre), halves to even, limited to 0..last. Limiting
// before rounding gives the same position as limiting after it.
inline int32_t SamplePosition(int64_t offset, double factor, int32_t centre, int32_t last) {
    const long double exact = static_cast<long double>(offset) * factor + centre;
    return static_cast<int32_t>(NearestInteger(ClampedForConversion(exact, 0, last)));
}

// The same where |exact| stays below 2^62, so that it converts as it stands:
// rounding first and clamping the integer gives the same column or row, and
// saves the FPU's comparisons.
inline int32_t SamplePositionInRange(int64_t offset, double factor, int32_t centre, int32_t last) {
    const long double exact = static_cast<long double>(offset) * factor + centre;
    return static_cast<int32_t>(std::clamp<int64_t>(NearestInteger(exact), 0, last));
}

// Whether every sample position and drag blend of a dab of this strength
// converts as it stands: |F| < 2^29 for any such strength (q is at most
// about 1.5), offsets, centres and entries below 2^31, movements at most 10,
// so |exact| and |blend| stay below 2^61. NaN and huge strengths, only typed,
// take the clamping conversion.
inline bool SamplesInRange(double strength) {
    return std::isfinite(strength) && std::fabs(strength) <= 0x1p28;
}

// Normalising: Trunc(v * 0.9 + identity * 0.1), exactly.
inline int32_t NormalizedComponent(int32_t v, int32_t identity) {
    return static_cast<int32_t>((int64_t{9} * v + identity) / 10);
}

// Rubber: a fifth of the way back to identity, or onto it when a fifth is
// less than one step.
inline int32_t RubberComponent(int32_t v, int32_t identity) {
    const int32_t t = static_cast<int32_t>((int64_t{4} * v + identity) / 5);
    return t == v ? identity : t;
}

// The mouse movement along one axis, limited to -10..10.
inline int32_t LimitedMovement(int32_t from, int32_t to) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{from} - to, -10, 10));
}

inline int32_t ClampedToPicture(Wide v, int32_t last) {
    return static_cast<int32_t>(std::clamp<Wide>(v, 0, last));
}

// What the drag blend of smear and lug depends on besides the entry.
struct DragBlend {
    double S = 0;
    long double oneMinusS = 0;  // as the blend forms it
    int32_t R = 0;
    bool inRange = false;  // SamplesInRange(S)
};

inline DragBlend MakeDragBlend(double strength, int32_t radius) {
    return {strength, 1 - static_cast<long double>(strength), radius, SamplesInRange(strength)};
}

// One component under smear (lug = false) or lug: shifted by delta with the
// strength, the shift fading from full at the centre to none at the rim
// (d <= R), lug then pulling a twentieth back toward identity.
inline int32_t DragComponent(const DragBlend& b, int32_t old, int32_t delta, int64_t d, bool lug,
                             int32_t identity, int32_t last) {
    const long double blend =
        static_cast<long double>(int64_t{old} + delta) * b.S + b.oneMinusS * old;
    const int64_t t = TruncatedInteger(
        b.inRange ? blend : ClampedForConversion(blend, -kBlendLimit, kBlendLimit));
    // Below 2^30 either way the falloff fits 64 bits: (R - d) * t < 2^61 and
    // |d * old| < 2^62. Beyond that it needs the wide product.
    if (t > -(int64_t{1} << 30) && t < (int64_t{1} << 30)) {
        int64_t e = ((b.R - d) * t + d * old) / b.R;
        if (lug) {
            // Trunc(e * 0.95 + identity * 0.05), exactly.
            e = (19 * e + identity) / 20;
        }
        return static_cast<int32_t>(std::clamp<int64_t>(e, 0, last));
    }
    Wide e = (Wide{b.R - d} * t + Wide{d} * old) / b.R;
    if (lug) {
        e = (19 * e + identity) / 20;
    }
    return ClampedToPicture(e, last);
}

// The brushes by kind, known at compile time inside VisitBrush.
template <EffectMode M>
struct Brush {
    static constexpr EffectMode mode = M;
    static constexpr bool scales = M == EffectMode::Grow || M == EffectMode::Shrink;
    static constexpr bool grows = M == EffectMode::Grow;
    static constexpr bool lugs = M == EffectMode::Lug;
    static constexpr bool paintsMask = M == EffectMode::Freeze || M == EffectMode::Thaw;
    static constexpr uint8_t maskValue = M == EffectMode::Freeze ? kFrozen : 0;
};

// Calls visit(Brush<mode>{}): the one switch over the brushes. It has no
// default, so that a brush nobody handles does not build.
template <typename Visit>
decltype(auto) VisitBrush(EffectMode mode, Visit&& visit) {
    switch (mode) {
        case EffectMode::Grow:
            return visit(Brush<EffectMode::Grow>{});
        case EffectMode::Shrink:
            return visit(Brush<EffectMode::Shrink>{});
        case EffectMode::Rubber:
            return visit(Brush<EffectMode::Rubber>{});
        case EffectMode::Smear:
            return visit(Brush<EffectMode::Smear>{});
        case EffectMode::Lug:
            return visit(Brush<EffectMode::Lug>{});
        case EffectMode::Freeze:
            return visit(Brush<EffectMode::Freeze>{});
        case EffectMode::Thaw:
            return visit(Brush<EffectMode::Thaw>{});
    }
    // Only a number cast to a mode gets here; the tool bar gives "Growing"
    // when no other brush is down.
    return visit(Brush<EffectMode::Grow>{});
}

}  // namespace grimora::brush
