// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the distortion as an animation: the settings a user picks, checked,
// and the frames of the morph written to a GIF or WebP file.
#pragma once

#include <cstdint>
#include <string>

#include "picture/animation_writer.h"
#include "picture/dib.h"
#include "warp/displacement_field.h"
#include "warp/morph.h"

namespace grimora {

inline constexpr int32_t kMinAnimationSide = 16;
inline constexpr int32_t kMaxAnimationSide = 16383;

struct AnimationSettings {
    int32_t frames = kDefaultMorphFrames;
    int32_t delayMs = kDefaultFrameDelayMs;
    bool pingPong = false;
    int32_t longestSide = kDefaultMorphLongestSide;
    bool smooth = false;  // frames rendered as the smooth rendering
};

// Empty when the settings can be used; otherwise a sentence saying which one
// is out of its range.
std::string CheckAnimationSettings(const AnimationSettings& settings);

// Writes the morph from `source` to its rendering through `field` to `path`,
// in the format its extension names (.gif or .webp). Progress 0 to 100 as the
// frames are done. False with `error` saying why; an existing file is then
// left as it was.
bool SaveMorphAnimation(const Dib& source, const DisplacementField& field,
                        const AnimationSettings& settings, const std::string& path,
                        const AnimationProgress& progress, std::string& error);

}  // namespace grimora
