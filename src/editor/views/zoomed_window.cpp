// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/views/zoomed_window.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "picture/device_context.h"
#include "picture/dib_queries.h"

namespace grimora {

namespace {

// The first view index i (of `dest`) whose source index length * i div dest
// is at least `index`: ceil(index * dest / length), all positive.
int64_t firstViewIndex(int64_t index, int64_t length, int64_t dest) {
    return (index * dest + length - 1) / length;
}

}  // namespace

bool DrawZoomedWindow(QImage& target, QPoint origin, const Dib& picture, int32_t destWidth,
                      int32_t destHeight) {
    if (picture.bits == nullptr || picture.info == nullptr ||
        !IsReadableDib(picture.bits, *picture.info) || target.format() != QImage::Format_RGB32) {
        return false;
    }
    const int32_t depth = DibBitCount(picture);
    if ((depth != 24 && depth != 8) || (depth == 24 && ScreenBitsPerPixel() <= 8)) {
        return false;
    }
    const int64_t w = DibWidth(picture);
    const int64_t h = DibHeight(picture);
    if (destWidth <= 0 || destHeight <= 0) {
        return true;
    }
    // The target's columns and rows that lie on the destination.
    const int64_t i0 = std::max<int64_t>(origin.x(), 0);
    const int64_t i1 = std::min<int64_t>(int64_t{origin.x()} + target.width(), destWidth);
    const int64_t j0 = std::max<int64_t>(origin.y(), 0);
    const int64_t j1 = std::min<int64_t>(int64_t{origin.y()} + target.height(), destHeight);
    if (i0 >= i1 || j0 >= j1) {
        return true;
    }
    // Source columns of the window, and the run of them one source row needs.
    std::vector<int32_t> columns(static_cast<std::size_t>(i1 - i0));
    for (int64_t i = i0; i < i1; ++i) {
        columns[static_cast<std::size_t>(i - i0)] = static_cast<int32_t>(w * i / destWidth);
    }
    const int32_t c0 = columns.front();
    const int32_t c1 = columns.back() + 1;
    std::vector<uint32_t> decoded(static_cast<std::size_t>(c1 - c0));

    int64_t previous = -1;
    const uint32_t* previousLine = nullptr;
    for (int64_t j = j0; j < j1; ++j) {
        auto* line =
            reinterpret_cast<uint32_t*>(target.scanLine(static_cast<int>(j - origin.y()))) +
            (i0 - origin.x());
        const int64_t memoryRow = h - 1 - h * j / destHeight;
        if (memoryRow == previous) {
            // Enlarging: the same source row as the line above.
            std::memcpy(line, previousLine, columns.size() * sizeof(uint32_t));
        } else {
            DecodeDibRow(*picture.info,
                         DibRowBytes(picture.bits, *picture.info, static_cast<int32_t>(memoryRow)),
                         c0, c1 - c0, decoded.data());
            for (std::size_t k = 0; k < columns.size(); ++k) {
                line[k] = decoded[static_cast<std::size_t>(columns[k] - c0)];
            }
            previous = memoryRow;
        }
        previousLine = line;
    }
    return true;
}

QRect ZoomedViewRect(const DabRect& pictureRect, int32_t pictureWidth, int32_t pictureHeight,
                     int32_t destWidth, int32_t destHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || destWidth <= 0 || destHeight <= 0) {
        return {};
    }
    const int64_t w = pictureWidth;
    const int64_t h = pictureHeight;
    const int64_t c0 = std::max<int64_t>(pictureRect.x, 0);
    const int64_t c1 = std::min<int64_t>(int64_t{pictureRect.x} + pictureRect.width, w);
    const int64_t m0 = std::max<int64_t>(pictureRect.y, 0);
    const int64_t m1 = std::min<int64_t>(int64_t{pictureRect.y} + pictureRect.height, h);
    if (c0 >= c1 || m0 >= m1) {
        return {};
    }
    // View column i shows column w * i div destWidth; view row j shows the
    // row h * j div destHeight from the top, memory row h - 1 minus that.
    const int64_t i0 = firstViewIndex(c0, w, destWidth);
    const int64_t i1 = firstViewIndex(c1, w, destWidth);
    const int64_t j0 = firstViewIndex(h - m1, h, destHeight);
    const int64_t j1 = firstViewIndex(h - m0, h, destHeight);
    if (i0 >= i1 || j0 >= j1) {
        return {};  // shrunk so far that no view pixel shows it
    }
    return {static_cast<int>(i0), static_cast<int>(j0), static_cast<int>(i1 - i0),
            static_cast<int>(j1 - j0)};
}

}  // namespace grimora
