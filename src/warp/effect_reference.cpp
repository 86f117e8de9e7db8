// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/effect_reference.h"

#include <cstdint>
#include <vector>

#include "warp/brush_math.h"

namespace grimora {

void DoEffektReference(DisplacementField& field, const EffectParams& params) {
    DoEffektReference(field, nullptr, params);
}

void DoEffektReference(DisplacementField& field, FreezeMask* mask, const EffectParams& params) {
    using namespace brush;
    const int32_t width = field.width();
    const int32_t height = field.height();
    const int32_t X = params.centreX;
    const int32_t Y = params.centreY;
    const int32_t R = params.radius;
    // A radius of 0 or less reaches no entry (the disc of radius 0 would need
    // a division by it).
    if (X < 0 || Y < 0 || X > width - 1 || Y > height - 1 || R <= 0) {
        return;
    }

    // Grow and shrink read the field as it was before this dab, never an entry
    // the dab has already moved.
    const std::vector<Displacement> snapshot(field.data(), field.data() + field.size());
    const double S = params.strength;
    const DragBlend drag = MakeDragBlend(S, R);
    // The view's y grows downwards, memory rows upwards.
    const int32_t deltaX = LimitedMovement(params.prevMouseX, params.mouseX);
    const int32_t deltaY = LimitedMovement(params.mouseY, params.prevMouseY);

    VisitBrush(params.mode, [&]<typename B>(B) {
        for (int32_t i = 0; i < height; ++i) {
            if (i < int64_t{Y} - R || i > int64_t{Y} + R) {
                continue;
            }
            Displacement* row = field.row(i);
            for (int32_t j = 0; j < width; ++j) {
                if (j < int64_t{X} - R || j > int64_t{X} + R) {
                    continue;
                }
                const int64_t dx = int64_t{X} - j;
                const int64_t dy = int64_t{Y} - i;
                const auto n = static_cast<uint64_t>(dx * dx + dy * dy);
                const int64_t d = n == 0 ? 0 : HeronSqrt(n);
                if (d > R) {
                    continue;
                }
                if constexpr (B::paintsMask) {
                    if (mask != nullptr) {
                        mask->at(j, i) = B::maskValue;
                    }
                    continue;
                }
                Displacement& e = row[j];
                const Displacement was = e;
                if constexpr (B::scales) {
                    const double F = ScaleFactor(B::grows, d, R, S);
                    const int32_t sx = SamplePosition(int64_t{j} - X, F, X, width - 1);
                    const int32_t sy = SamplePosition(int64_t{i} - Y, F, Y, height - 1);
                    const Displacement& from = snapshot[static_cast<std::size_t>(sy) * width + sx];
                    if (params.xSwitch) {
                        e.x = params.normalize ? NormalizedComponent(from.x, j) : from.x;
                    }
                    if (params.ySwitch) {
                        e.y = params.normalize ? NormalizedComponent(from.y, i) : from.y;
                    }
                } else if constexpr (B::mode == EffectMode::Rubber) {
                    e.x = RubberComponent(e.x, j);
                    e.y = RubberComponent(e.y, i);
                } else {
                    e.x = DragComponent(drag, e.x, deltaX, d, B::lugs, j, width - 1);
                    e.y = DragComponent(drag, e.y, deltaY, d, B::lugs, i, height - 1);
                }
                if (mask != nullptr) {
                    const uint8_t m = mask->at(j, i);
                    e = {MaskedComponent(was.x, e.x, m), MaskedComponent(was.y, e.y, m)};
                }
            }
        }
    });
}

}  // namespace grimora
