// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/effect.h"

#include "warp/effect_reference.h"

namespace grimora {

namespace {

// floor((a + b) / 2) without the sum wrapping around.
uint64_t halfSum(uint64_t a, uint64_t b) {
    return a / 2 + b / 2 + (a & b & 1);
}

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

void DoEffekt(DisplacementField& field, const EffectParams& params, EffectHost& host) {
    DoEffektReference(field, params, host);
}

}  // namespace grimora
