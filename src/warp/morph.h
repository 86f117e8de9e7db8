// SPDX-License-Identifier: GPL-3.0-or-later
// The distortion as a sequence of pictures: from the source (first frame) to
// the result (last frame), each entry moving its share of the way along
// its own offset.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/animation_writer.h"
#include "picture/dib.h"
#include "warp/displacement_field.h"

namespace grimora {

inline constexpr int32_t kDefaultMorphFrames = 24;
inline constexpr int32_t kDefaultMorphLongestSide = 640;
inline constexpr int32_t kMaxMorphFrames = 1000;

// num / den rounded to the nearest integer, halves to even; den > 0.
int64_t RoundHalfEven(int64_t num, int64_t den);

// The field of frame k of `frames` (k from 0 to frames - 1, frames >= 2): the
// entry at column c, memory row r is (c + RoundHalfEven(k * (x - c),
// frames - 1), r + RoundHalfEven(k * (y - r), frames - 1)). Frame 0 is the
// identity, the last frame the field itself. `out` takes the field's size.
void MorphField(const DisplacementField& field, int32_t k, int32_t frames, DisplacementField& out);

// The frame's size: the picture's when its longest side is at most
// `longestSide`, else scaled to it (each side rounded, at least 1).
struct FrameSize {
    int32_t width = 0;
    int32_t height = 0;
};
FrameSize MorphFrameSize(int32_t width, int32_t height, int32_t longestSide);

// Renders the frames of a 24-bit source and its field.
//
// At the picture's own size frame k is exactly renderdi (or renderSmooth,
// when `smooth`) through MorphField(k). Scaled down, each frame pixel is the
// rounded mean of a grid of up to 4 x 4 points of that frame spread over the
// area it covers, so that fine detail does not shimmer from frame to frame.
// Scaled and smooth, a point's position is its own plus k / (frames - 1) of
// the window's mean offset in the result, rounded to 25ths: the mean of the
// rounded entries differs from it by less than half a pixel, and working it
// out per point and frame would cost 25 times as much.
class MorphRenderer {
public:
    // False from ok() when the source is not at 24 bits, the field is not
    // the source's size, frames < 2 or longestSide < 1; no frame is made then.
    MorphRenderer(const Dib& source, const DisplacementField& field, int32_t frames,
                  int32_t longestSide, bool smooth);
    bool ok() const { return ok_; }
    FrameSize size() const { return size_; }
    int32_t frames() const { return frames_; }
    // Frame k; throws std::bad_alloc when its memory cannot be had.
    void render(int32_t k, RgbaFrame& frame) const;

private:
    void renderFull(int32_t k, RgbaFrame& frame) const;
    void renderScaled(int32_t k, RgbaFrame& frame) const;

    const Dib& source_;
    const DisplacementField& field_;
    int32_t frames_ = 0;
    bool smooth_ = false;
    bool ok_ = false;
    bool scaled_ = false;
    FrameSize size_;
    int32_t grid_ = 1;  // points a side per frame pixel
    // Per frame column and row: the picture's columns and memory rows of its
    // grid points (grid_ each).
    std::vector<int32_t> columns_;
    std::vector<int32_t> rows_;
    // Per grid point, row by row of the frame: the entry's offset, or when
    // smooth the window's offset sum in 25ths.
    std::vector<Displacement> offsets_;
};

}  // namespace grimora
