// SPDX-License-Identifier: GPL-3.0-or-later
// The brush as the tool bar sets it, read afresh at every painting step.
#pragma once

#include <cstdint>

#include "warp/effect.h"

namespace grimora {

// A pen's pressure, quantised to k / 1024 so that a stroke replays exactly;
// a mouse presses fully.
inline constexpr int32_t kFullPressure = 1024;
// Pressure from 0.0 to 1.0 as k, to the nearest 1 / 1024; beyond the range
// (or NaN) to its nearer end (0).
int32_t QuantisedPressure(double pressure);

struct BrushSettings {
    EffectMode mode = EffectMode::Grow;
    bool xSwitch = true;
    bool ySwitch = true;
    double strength = 0.4;
    // The radius field's value as read; a dab takes it truncated (dabRadius),
    // the outline takes it as it stands.
    double radius = 50.0;
    bool normalize = true;
    // The zoom field's value. Only the outline's size uses it; the view's
    // scale is the zoom ratio, which differs from it (0.6 shows at 10 / 16).
    double zoom = 1.0;
    // The pen's k while the tool bar's "Pressure" is checked, else full.
    int32_t pressure = kFullPressure;

    int32_t dabRadius() const;
    // The strength a dab gets: the field's value x k / 1024, in double
    // arithmetic, which at full pressure is the value itself.
    double dabStrength() const { return strength * static_cast<double>(pressure) / 1024.0; }
    double outlineRadius() const { return radius * zoom; }
};

// The tool bar's group of brush buttons; should more than one be down, the
// later button in this order wins.
EffectMode EffectModeFromButtons(bool wachsenDown, bool schrumpfenDown, bool radiererDown,
                                 bool schmierenDown, bool zerrenDown, bool freezeDown = false,
                                 bool thawDown = false);

struct AxisSwitches {
    bool x = true;
    bool y = true;
};
// The radio buttons "X && Y", "X" and "Y".
AxisSwitches AxisSwitchesFromRadios(bool xyChecked, bool xChecked, bool yChecked);

// Truncation toward zero that is defined for every double: NaN gives 0 and
// values beyond the 32-bit range give its nearest end.
int32_t TruncToInt32(double value);

}  // namespace grimora
