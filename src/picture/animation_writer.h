// SPDX-License-Identifier: GPL-3.0-or-later
// Animated GIF and WebP files from frames made one at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace grimora {

// One frame, top row first, 4 bytes a pixel: red, green, blue, 255.
struct RgbaFrame {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
};

enum class AnimationFormat { Gif, Webp };

inline constexpr int32_t kDefaultFrameDelayMs = 40;
inline constexpr int32_t kMinFrameDelayMs = 20;  // what browsers still play as given
inline constexpr int32_t kMaxFrameDelayMs = 60000;

struct AnimationOptions {
    AnimationFormat format = AnimationFormat::Gif;
    int32_t delayMs = kDefaultFrameDelayMs;  // GIF keeps it in hundredths, rounded
    // There and back again: frames 0 .. N - 1, then N - 2 down to 1.
    bool pingPong = false;
};

// The format a path's extension names (.gif, .webp, any case); false when
// it names neither.
bool AnimationFormatOf(const std::string& path, AnimationFormat& format);

// The frames in the order they are shown: N, or 2N - 2 there and back.
std::vector<int32_t> AnimationSequence(int32_t frames, bool pingPong);

// Makes frame k of `frames`, all of width x height; may throw std::bad_alloc.
using FrameMaker = std::function<void(int32_t k, RgbaFrame& frame)>;
// Called with 0 to 100 as the frames are done.
using AnimationProgress = std::function<void(int32_t percent)>;

// Writes the animation, looping for ever, to `path` as FileWrite writes
// (file_target.h): a regular file is replaced only once the new one is
// complete, a write-protected one is refused. GIF: a palette of at most 256 colours per
// frame by libimagequant, without dithering, whose noise would crawl from
// frame to frame. WebP: lossy at quality 90 through libwebp's animation
// encoder. False, with `error` naming the file and the reason, on failure;
// the old file, if any, stays then.
bool SaveAnimation(const std::string& path, int32_t width, int32_t height, int32_t frames,
                   const FrameMaker& make, const AnimationOptions& options,
                   const AnimationProgress& progress, std::string& error);

}  // namespace grimora
