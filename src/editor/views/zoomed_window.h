// SPDX-License-Identifier: GPL-3.0-or-later
// Part of a zoomed picture, drawn pixel for pixel as DrawDib draws the whole
// picture on a screen, at a cost that follows the part and not the picture:
// at zoom 10 a 24-megapixel picture is a 60 000 x 40 000 view of which a
// window shows a millionth.
#pragma once

#include <cstdint>

#include <QImage>
#include <QPoint>
#include <QRect>

#include "picture/dib.h"
#include "warp/effect.h"

namespace grimora {

// Fills `target` (Format_RGB32) with the part of the view whose top-left
// corner is `origin`, for the whole picture drawn at destWidth x destHeight
// from (0, 0): view pixel (i, j) shows column W * i div destWidth and row
// H * j div destHeight from the top, as DrawDib's row-by-row scaling does.
// Pixels outside the destination are left as they are.
//
// Returns false, drawing nothing, where DrawDib would take another way (a
// picture not of 24 or 8 bits, or a screen of 8 bits or fewer, which
// halftones) or the picture cannot be read; the caller then draws with
// DrawDib.
bool DrawZoomedWindow(QImage& target, QPoint origin, const Dib& picture, int32_t destWidth,
                      int32_t destHeight);

// The view pixels that show a pixel of `pictureRect` (columns and memory
// rows of a pictureWidth x pictureHeight picture) when the whole picture is
// drawn at destWidth x destHeight as above: exactly those, so that drawing
// this part again is drawing everything a change of the rectangle touches.
// Empty when no view pixel shows the rectangle.
QRect ZoomedViewRect(const DabRect& pictureRect, int32_t pictureWidth, int32_t pictureHeight,
                     int32_t destWidth, int32_t destHeight);

}  // namespace grimora
