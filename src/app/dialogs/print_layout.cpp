// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dialogs/print_layout.h"

#include <algorithm>

#include "picture/draw_dib.h"

namespace grimora {

namespace {

// num / den to the nearest integer; den is positive.
int64_t Nearest(int64_t num, int64_t den) {
    return NearestQuotient(num, den);
}

int ClampPercent(int64_t percent) {
    return static_cast<int>(std::clamp<int64_t>(percent, kMinPrintPercent, kMaxPrintPercent));
}

bool Empty(int64_t a, int64_t b, int64_t c, int64_t d) {
    return a <= 0 || b <= 0 || c <= 0 || d <= 0;
}

}  // namespace

PrintRect PlacePicture(int64_t areaWidth, int64_t areaHeight, int64_t pictureWidth,
                       int64_t pictureHeight, const PrintOptions& options) {
    if (Empty(areaWidth, areaHeight, pictureWidth, pictureHeight)) {
        return {};
    }
    int64_t boxWidth = areaWidth;
    int64_t boxHeight = areaHeight;
    if (!options.useFullPage) {
        const int64_t w = ClampPercent(options.widthPercent);
        const int64_t h = ClampPercent(options.heightPercent);
        boxWidth = std::max<int64_t>(1, Nearest(areaWidth * w, 100));
        boxHeight = std::max<int64_t>(1, Nearest(areaHeight * h, 100));
    }
    int64_t width = boxWidth;
    int64_t height = boxHeight;
    if (options.keepAspect) {
        // The side that the box limits first takes the box's length; the
        // other follows the picture's shape.
        if (boxWidth * pictureHeight <= boxHeight * pictureWidth) {
            height =
                std::clamp<int64_t>(Nearest(boxWidth * pictureHeight, pictureWidth), 1, boxHeight);
        } else {
            width =
                std::clamp<int64_t>(Nearest(boxHeight * pictureWidth, pictureHeight), 1, boxWidth);
        }
    }
    PrintRect placed{0, 0, width, height};
    if (options.centred) {
        placed.x = (areaWidth - width) / 2;
        placed.y = (areaHeight - height) / 2;
    }
    return placed;
}

int HeightPercentForWidth(int widthPercent, int64_t areaWidth, int64_t areaHeight,
                          int64_t pictureWidth, int64_t pictureHeight, int fallback) {
    if (Empty(areaWidth, areaHeight, pictureWidth, pictureHeight)) {
        return fallback;
    }
    // Printed width areaWidth * w / 100; the height of that shape is
    // printed width * pictureHeight / pictureWidth, as a share of areaHeight.
    return ClampPercent(
        Nearest(int64_t{widthPercent} * areaWidth * pictureHeight, areaHeight * pictureWidth));
}

int WidthPercentForHeight(int heightPercent, int64_t areaWidth, int64_t areaHeight,
                          int64_t pictureWidth, int64_t pictureHeight, int fallback) {
    if (Empty(areaWidth, areaHeight, pictureWidth, pictureHeight)) {
        return fallback;
    }
    return ClampPercent(
        Nearest(int64_t{heightPercent} * areaHeight * pictureWidth, areaWidth * pictureHeight));
}

PagePreview PreviewPage(const PageMetrics& page, int64_t boxWidth, int64_t boxHeight,
                        int64_t margin, int64_t pictureWidth, int64_t pictureHeight,
                        const PrintOptions& options) {
    const int64_t roomWidth = boxWidth - 2 * margin;
    const int64_t roomHeight = boxHeight - 2 * margin;
    if (Empty(roomWidth, roomHeight, page.paperWidth, page.paperHeight)) {
        return {};
    }
    // Scale = num / den: the sheet's limiting side takes the room's length.
    int64_t num = roomWidth;
    int64_t den = page.paperWidth;
    if (roomWidth * page.paperHeight > roomHeight * page.paperWidth) {
        num = roomHeight;
        den = page.paperHeight;
    }
    const auto scaled = [num, den](int64_t v) { return Nearest(v * num, den); };
    PagePreview preview;
    preview.page.width = std::max<int64_t>(1, scaled(page.paperWidth));
    preview.page.height = std::max<int64_t>(1, scaled(page.paperHeight));
    preview.page.x = (boxWidth - preview.page.width) / 2;
    preview.page.y = (boxHeight - preview.page.height) / 2;

    const PrintRect placed = PlacePicture(page.printable.width, page.printable.height, pictureWidth,
                                          pictureHeight, options);
    if (placed.width > 0) {
        const int64_t left = page.printable.x + placed.x;
        const int64_t top = page.printable.y + placed.y;
        preview.picture.x = preview.page.x + scaled(left);
        preview.picture.y = preview.page.y + scaled(top);
        // Edges scaled, not sizes, so that the picture meets the sheet's
        // edges where the print does; at least one pixel, to stay visible.
        preview.picture.width = std::max<int64_t>(1, scaled(left + placed.width) - scaled(left));
        preview.picture.height = std::max<int64_t>(1, scaled(top + placed.height) - scaled(top));
    }
    return preview;
}

}  // namespace grimora
