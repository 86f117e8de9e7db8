// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/animation_export.h"

#include <new>

namespace grimora {

namespace {

std::string Range(const char* what, int32_t low, int32_t high, const char* unit) {
    return std::string(what) + " must be from " + std::to_string(low) + " to " +
           std::to_string(high) + unit + ".";
}

}  // namespace

std::string CheckAnimationSettings(const AnimationSettings& settings) {
    if (settings.frames < 2 || settings.frames > kMaxMorphFrames) {
        return Range("The number of frames", 2, kMaxMorphFrames, "");
    }
    if (settings.delayMs < kMinFrameDelayMs || settings.delayMs > kMaxFrameDelayMs) {
        return Range("The delay", kMinFrameDelayMs, kMaxFrameDelayMs, " ms");
    }
    if (settings.longestSide < kMinAnimationSide || settings.longestSide > kMaxAnimationSide) {
        return Range("The longest side", kMinAnimationSide, kMaxAnimationSide, " pixels");
    }
    return {};
}

bool SaveMorphAnimation(const Dib& source, const DisplacementField& field,
                        const AnimationSettings& settings, const std::string& path,
                        const AnimationProgress& progress, std::string& error) {
    AnimationOptions options;
    if (!AnimationFormatOf(path, options.format)) {
        error = "Cannot write " + path + ": animations are saved as .gif or .webp files.";
        return false;
    }
    const std::string wrong = CheckAnimationSettings(settings);
    if (!wrong.empty()) {
        error = wrong;
        return false;
    }
    options.delayMs = settings.delayMs;
    options.pingPong = settings.pingPong;
    try {
        const MorphRenderer frames(source, field, settings.frames, settings.longestSide,
                                   settings.smooth);
        if (!frames.ok()) {
            error =
                "Cannot write " + path + ": only a picture of 16.7 million colours is animated.";
            return false;
        }
        return SaveAnimation(
            path, frames.size().width, frames.size().height, settings.frames,
            [&frames](int32_t k, RgbaFrame& frame) { frames.render(k, frame); }, options, progress,
            error);
    } catch (const std::bad_alloc&) {
        error = "Cannot write " + path + ": there is not enough memory for its frames.";
        return false;
    }
}

}  // namespace grimora
