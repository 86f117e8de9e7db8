// SPDX-License-Identifier: GPL-3.0-or-later
// Scaled drawing of pictures into device contexts: every view draws through
// DrawDib.
#pragma once

#include <cstdint>

#include "picture/device_context.h"
#include "picture/dib.h"
#include "picture/host.h"

namespace grimora {

inline constexpr const char* kNoBitmapMessage = "Could not create bitmap.";
inline constexpr const char* kNoSetDIBitsMessage =
    "The device does not support the Funtkion setdibits!";
inline constexpr const char* kNoStretchBltMessage =
    "The device does not support the function StretchBlt!";

// Draws the source rectangle of `picture` (srcX from the left, srcY from the
// bottom row up) scaled into the destination rectangle of dc. The source is
// clipped to the picture first, the destination shrunk in proportion; a source
// that is empty or lies wholly outside the picture draws nothing.
//
// 24-bit pictures are halftoned on displays of 8 bits or fewer (when
// `halftone` allows it); otherwise 24- and 8-bit pictures on screens are
// scaled here, row by row, and everything else goes to StretchDIBits, with two
// fallbacks for devices that fail it. rop serves the stretching steps only.
// The palette to select is the picture's own or otherPalette; dc's palette is
// restored before returning, while its stretch mode stays COLORONCOLOR.
void DrawDib(DeviceContext& dc, int32_t destX, int32_t destY, int32_t destWidth, int32_t destHeight,
             const Dib& picture, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
             bool halftone, RasterOp rop, bool useOwnPalette, PaletteHandle otherPalette,
             MessageSink& messages);

// Nearest-pixel scaling of a 24-bit or an 8-bit picture, sent to dc one
// destination row at a time. srcTop counts source rows from the top of the
// picture; rows of the source rectangle outside the picture come out as zero
// bytes (black, or palette index 0).
void DrawDibRows24(DeviceContext& dc, int32_t destX, int32_t destY, int32_t destWidth,
                   int32_t destHeight, const Dib& picture, int32_t srcX, int32_t srcTop,
                   int32_t srcWidth, int32_t srcHeight);
void DrawDibRows8(DeviceContext& dc, int32_t destX, int32_t destY, int32_t destWidth,
                  int32_t destHeight, const Dib& picture, int32_t srcX, int32_t srcTop,
                  int32_t srcWidth, int32_t srcHeight);

// The quotient num / den rounded to the nearest integer, halves to even. den
// must not be 0.
int64_t NearestQuotient(int64_t num, int64_t den);

}  // namespace grimora
