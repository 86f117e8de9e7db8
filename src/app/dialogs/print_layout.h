// SPDX-License-Identifier: GPL-3.0-or-later
// Where a printed picture goes on the page, and how the page preview is
// drawn. Window-free, so that the arithmetic can be checked on its own.
#pragma once

#include <cstdint>

namespace grimora {

struct PrintRect {
    int64_t x = 0;
    int64_t y = 0;
    int64_t width = 0;
    int64_t height = 0;

    bool operator==(const PrintRect&) const = default;
};

// The choices of the print dialog.
struct PrintOptions {
    bool useFullPage = true;  // else the two percentages below
    int widthPercent = 50;
    int heightPercent = 50;
    bool keepAspect = true;
    bool centred = true;

    bool operator==(const PrintOptions&) const = default;
};

inline constexpr int kMinPrintPercent = 1;
inline constexpr int kMaxPrintPercent = 100;

// A page in device pixels: the whole sheet, and the part the printer can
// print on, relative to the sheet's top-left corner.
struct PageMetrics {
    int64_t paperWidth = 0;
    int64_t paperHeight = 0;
    PrintRect printable;
};

// The picture's rectangle inside the printable area, relative to the area's
// top-left corner, in device pixels:
// - the box it may take is the whole printable area ("Use page fully"), or
//   widthPercent of the area's width by heightPercent of its height;
// - keeping the aspect, the picture is the largest of its own shape inside
//   that box (its edges rounded to the nearest pixel); otherwise it fills the
//   box;
// - centred, it sits in the middle of the printable area, otherwise at the
//   area's top-left corner.
// Empty when the area or the picture has no pixels.
PrintRect PlacePicture(int64_t areaWidth, int64_t areaHeight, int64_t pictureWidth,
                       int64_t pictureHeight, const PrintOptions& options);

// The height percentage that makes a picture printed at `widthPercent` of
// the area's width keep its shape, and the other way round; rounded to the
// nearest whole percent and held within 1 to 100. `fallback` when the area
// or the picture has no pixels.
int HeightPercentForWidth(int widthPercent, int64_t areaWidth, int64_t areaHeight,
                          int64_t pictureWidth, int64_t pictureHeight, int fallback);
int WidthPercentForHeight(int heightPercent, int64_t areaWidth, int64_t areaHeight,
                          int64_t pictureWidth, int64_t pictureHeight, int fallback);

// The preview of a page in a box of boxWidth x boxHeight: the sheet scaled to
// the largest size that fits with `margin` pixels left free at each side and
// centred, and the picture where it will print on that sheet.
struct PagePreview {
    PrintRect page;
    PrintRect picture;
};
PagePreview PreviewPage(const PageMetrics& page, int64_t boxWidth, int64_t boxHeight,
                        int64_t margin, int64_t pictureWidth, int64_t pictureHeight,
                        const PrintOptions& options);

}  // namespace grimora
