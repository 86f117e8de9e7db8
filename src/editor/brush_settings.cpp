// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/brush_settings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace grimora {

int32_t QuantisedPressure(double pressure) {
    if (!(pressure > 0.0)) {
        return 0;
    }
    return static_cast<int32_t>(std::lround(std::min(pressure, 1.0) * kFullPressure));
}

int32_t BrushSettings::dabRadius() const {
    return TruncToInt32(radius);
}

EffectMode EffectModeFromButtons(bool /*wachsenDown*/, bool schrumpfenDown, bool radiererDown,
                                 bool schmierenDown, bool zerrenDown, bool freezeDown,
                                 bool thawDown) {
    // Grow is what remains when no other button is down.
    if (thawDown) {
        return EffectMode::Thaw;
    }
    if (freezeDown) {
        return EffectMode::Freeze;
    }
    if (zerrenDown) {
        return EffectMode::Lug;
    }
    if (schmierenDown) {
        return EffectMode::Smear;
    }
    if (radiererDown) {
        return EffectMode::Rubber;
    }
    if (schrumpfenDown) {
        return EffectMode::Shrink;
    }
    return EffectMode::Grow;
}

AxisSwitches AxisSwitchesFromRadios(bool xyChecked, bool xChecked, bool yChecked) {
    return {xChecked || xyChecked, yChecked || xyChecked};
}

int32_t TruncToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double truncated = std::trunc(value);
    if (truncated <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    if (truncated >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(truncated);
}

}  // namespace grimora
