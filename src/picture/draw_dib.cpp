// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/draw_dib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "picture/dib_queries.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"

namespace grimora {

int64_t NearestQuotient(int64_t num, int64_t den) {
    if (den < 0) {
        num = -num;
        den = -den;
    }
    int64_t q = num / den;
    const int64_t r = num % den;  // same sign as num
    const int64_t twice = 2 * (r < 0 ? -r : r);
    if (twice > den || (twice == den && q % 2 != 0)) {
        q += r < 0 ? -1 : 1;
    }
    return q;
}

namespace {

// Announces the rows of one drawing to the device and closes the batch on
// every way out.
class RowBatch {
public:
    RowBatch(DeviceContext& dc, int32_t x, int32_t y, int32_t width, int32_t height) : dc_(dc) {
        dc_.beginRows(x, y, width, height);
    }
    ~RowBatch() { dc_.endRows(); }
    RowBatch(const RowBatch&) = delete;
    RowBatch& operator=(const RowBatch&) = delete;

private:
    DeviceContext& dc_;
};

template <int kBytes>
void drawRows(DeviceContext& dc, int32_t destX, int32_t destY, int32_t destWidth,
              int32_t destHeight, const Dib& picture, int32_t srcX, int32_t srcTop,
              int32_t srcWidth, int32_t srcHeight) {
    const Dib pic = picture;
    // A picture of another depth would have shorter rows than the column map
    // reaches into.
    if (pic.bits == nullptr || DibBitCount(pic) != 8 * kBytes || destWidth < 1 || destHeight < 1) {
        return;
    }
    const int64_t w = DibWidth(pic);
    const int64_t h = DibHeight(pic);

    // The row picture, made here rather than with newdib: the library's limit
    // on a picture's side would turn away the rows of a wide picture zoomed
    // tenfold. Its limit on a picture's pixels still holds.
    if (destWidth > kMaxPicturePixels) {
        return;
    }
    BitmapInfo rowInfo;
    rowInfo.bmiHeader.biWidth = destWidth;
    rowInfo.bmiHeader.biHeight = 1;
    rowInfo.bmiHeader.biBitCount = 8 * kBytes;
    if constexpr (kBytes == 1) {
        rowInfo.bmiHeader.biClrUsed = kMaxColours;
        std::copy(std::begin(pic.info->bmiColors), std::end(pic.info->bmiColors),
                  rowInfo.bmiColors);
    }
    const auto rowBytes = static_cast<std::size_t>(DibStride(destWidth, 8 * kBytes));
    rowInfo.bmiHeader.biSizeImage = static_cast<uint32_t>(rowBytes);
    const std::unique_ptr<uint8_t, decltype(&std::free)> row(
        static_cast<uint8_t*>(std::calloc(rowBytes, 1)), &std::free);
    if (!row) {
        return;
    }
    uint8_t* out = row.get();

    // Byte offset of each destination column's source pixel, worked out once.
    std::vector<int64_t> columns(static_cast<std::size_t>(destWidth));
    int32_t first = -1;
    int32_t last = -2;
    for (int32_t i = 0; i < destWidth; ++i) {
        const int64_t offset = (srcX + int64_t{srcWidth} * i / destWidth) * kBytes;
        columns[static_cast<std::size_t>(i)] = offset;
        if (offset >= 0 && offset < w * kBytes) {
            if (first < 0) {
                first = i;
            }
            last = i;
        }
    }

    const int64_t maxOffset = (h - 1) * pic.stride;
    int64_t previous = -1;
    RowBatch batch(dc, destX, destY, destWidth, destHeight);
    for (int32_t j = 0; j < destHeight; ++j) {
        const int64_t offset =
            (h - 1 - (srcTop + int64_t{srcHeight} * j / destHeight)) * pic.stride;
        if (offset < 0 || offset > maxOffset) {
            std::memset(out, 0, rowBytes);
            // The buffer no longer holds the previous row.
            previous = -1;
        } else if (offset != previous) {
            const uint8_t* in = pic.bits + offset;
            for (int32_t i = first; i <= last; ++i) {
                const uint8_t* p = in + columns[static_cast<std::size_t>(i)];
                uint8_t* q = out + static_cast<std::ptrdiff_t>(i) * kBytes;
                for (int b = 0; b < kBytes; ++b) {
                    q[b] = p[b];
                }
            }
            previous = offset;
        }
        // When enlarging, consecutive rows often come from the same source
        // row: the buffer still holds it and is sent again as it is.
        dc.setDIBitsToDevice(destX, static_cast<int32_t>(int64_t{destY} + j),
                             static_cast<uint32_t>(destWidth), 1, 0, 0, 0, 1, out, rowInfo);
    }
}

// The first fallback: scale into a picture of the destination's size, so
// that the device only has to copy. The first and last destination pixels
// take the first and last source pixels of the rectangle. Returns the rows
// the device took.
int drawScaledCopy(DeviceContext& dc, int32_t destX, int32_t destY, int32_t destWidth,
                   int32_t destHeight, const Dib& pic, int32_t srcX, int32_t srcY, int32_t srcWidth,
                   int32_t srcHeight) {
    const int32_t depth = DibBitCount(pic);
    const int32_t colours = DibColorCount(pic);
    OwnedDib scaled;
    if (!scaled.make(destWidth, destHeight, depth, pic.info,
                     colours >= 0 && colours <= kMaxColours ? colours : 0)) {
        return 0;
    }
    // One pixel wide or high: the first source column or row, rather than a
    // division by zero.
    std::vector<int32_t> columns(static_cast<std::size_t>(destWidth));
    for (int32_t c = 0; c < destWidth; ++c) {
        columns[static_cast<std::size_t>(c)] =
            destWidth == 1
                ? srcX
                : static_cast<int32_t>(srcX + int64_t{srcWidth - 1} * c / (destWidth - 1));
    }
    const Dib& n = *scaled;
    for (int32_t r = 0; r < destHeight; ++r) {
        const int32_t sr =
            destHeight == 1
                ? srcY
                : static_cast<int32_t>(srcY + int64_t{srcHeight - 1} * r / (destHeight - 1));
        const uint8_t* in = DibRow(pic, sr);
        uint8_t* out = DibRow(n, r);
        switch (depth) {
            case 1:
                for (int32_t c = 0; c < destWidth; ++c) {
                    setpixel(n, c, r, getpixel(pic, columns[static_cast<std::size_t>(c)], sr));
                }
                break;
            case 4:
                for (int32_t c = 0; c < destWidth; ++c) {
                    const int32_t sc = columns[static_cast<std::size_t>(c)];
                    const unsigned index = (sc & 1) ? (in[sc / 2] & 0x0Fu) : (in[sc / 2] >> 4);
                    out[c / 2] |= static_cast<uint8_t>((c & 1) ? index : index << 4);
                }
                break;
            case 8:
            case 16:
            case 24:
            case 32: {
                // Whole bytes per pixel: copied. (Leaving 16 and 32 bits
                // black would draw a black box for a picture.)
                const int bytes = depth / 8;
                for (int32_t c = 0; c < destWidth; ++c) {
                    std::memcpy(
                        out + static_cast<std::ptrdiff_t>(c) * bytes,
                        in + static_cast<std::ptrdiff_t>(columns[static_cast<std::size_t>(c)]) *
                                 bytes,
                        static_cast<std::size_t>(bytes));
                }
                break;
            }
            default:
                break;
        }
    }
    return dc.setDIBitsToDevice(destX, destY, static_cast<uint32_t>(destWidth),
                                static_cast<uint32_t>(destHeight), 0, 0, 0,
                                static_cast<uint32_t>(destHeight), n.bits, *n.info);
}

// The second fallback: the whole picture into a device bitmap, stretched
// from there.
void drawThroughBitmap(DeviceContext& dc, int32_t destX, int32_t destY, int32_t destWidth,
                       int32_t destHeight, const Dib& pic, int32_t srcX, int32_t srcY,
                       int32_t srcWidth, int32_t srcHeight, RasterOp rop, MessageSink& messages) {
    const int32_t w = DibWidth(pic);
    const int32_t h = DibHeight(pic);
    const std::unique_ptr<DeviceBitmap> bitmap = dc.createCompatibleBitmap(w, h);
    if (!bitmap) {
        messages.showMessage(kNoBitmapMessage);
        return;
    }
    if (bitmap->setDIBits(0, static_cast<uint32_t>(h), pic.bits, *pic.info) == 0) {
        messages.showMessage(kNoSetDIBitsMessage);
        return;
    }
    // The bitmap's rows run top-down, the source rectangle counts from the
    // bottom.
    if (!dc.stretchBlt(destX, destY, destWidth, destHeight, *bitmap, srcX, h - srcY - srcHeight,
                       srcWidth, srcHeight, rop)) {
        messages.showMessage(kNoStretchBltMessage);
    }
}

void drawHalftoned(DeviceContext& dc, int32_t destX, int32_t destY, int32_t destWidth,
                   int32_t destHeight, const Dib& pic, int32_t srcX, int32_t srcY, int32_t srcWidth,
                   int32_t srcHeight, RasterOp rop, PaletteHandle palette) {
    const int64_t w = DibWidth(pic);
    const int64_t h = DibHeight(pic);
    const bool shrinking = srcWidth > destWidth || srcHeight > destHeight;
    Dib made;
    if (shrinking) {
        // Halftoned at the drawing scale, so that the device copies one to one.
        DIBHalftoneDIBXY(made, pic, static_cast<int32_t>(NearestQuotient(w * destWidth, srcWidth)),
                         static_cast<int32_t>(NearestQuotient(h * destHeight, srcHeight)));
    } else {
        DIBHalftoneDIB(made, pic);
    }
    OwnedDib halftoned(made);
    if (!halftoned.holdsPicture()) {
        return;
    }
    const PaletteHandle before = dc.selectPalette(palette, false);
    dc.realizePalette();
    if (shrinking) {
        const int64_t tw = DibWidth(*halftoned);
        const int64_t th = DibHeight(*halftoned);
        dc.stretchDIBits(destX, destY, destWidth, destHeight,
                         static_cast<int32_t>(NearestQuotient(tw * srcX, w)),
                         static_cast<int32_t>(NearestQuotient(th * srcY, h)), destWidth, destHeight,
                         halftoned->bits, *halftoned->info, rop);
    } else {
        dc.stretchDIBits(destX, destY, destWidth, destHeight, srcX, srcY, srcWidth, srcHeight,
                         halftoned->bits, *halftoned->info, rop);
    }
    dc.selectPalette(before, false);
}

}  // namespace

void DrawDibRows24(DeviceContext& dc, int32_t destX, int32_t destY, int32_t destWidth,
                   int32_t destHeight, const Dib& picture, int32_t srcX, int32_t srcTop,
                   int32_t srcWidth, int32_t srcHeight) {
    drawRows<3>(dc, destX, destY, destWidth, destHeight, picture, srcX, srcTop, srcWidth,
                srcHeight);
}

void DrawDibRows8(DeviceContext& dc, int32_t destX, int32_t destY, int32_t destWidth,
                  int32_t destHeight, const Dib& picture, int32_t srcX, int32_t srcTop,
                  int32_t srcWidth, int32_t srcHeight) {
    drawRows<1>(dc, destX, destY, destWidth, destHeight, picture, srcX, srcTop, srcWidth,
                srcHeight);
}

void DrawDib(DeviceContext& dc, int32_t destX, int32_t destY, int32_t destWidth, int32_t destHeight,
             const Dib& picture, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
             bool halftone, RasterOp rop, bool useOwnPalette, PaletteHandle otherPalette,
             MessageSink& messages) {
    const Dib pic = picture;
    const bool printer = dc.technology() == Technology::RasterPrinter;
    dc.setStretchBltMode(StretchBltMode::ColorOnColor);
    if (pic.bits == nullptr || pic.info == nullptr) {
        return;
    }
    const int64_t w = DibWidth(pic);
    const int64_t h = DibHeight(pic);

    // Clip the source to the picture and shrink the destination in
    // proportion, edge by edge. 64 bits, so that large pictures drawn large
    // cannot overflow the products. Empty sources and sources wholly outside
    // the picture are turned away first: each step divides by the source's
    // size.
    int64_t dx = destX, dy = destY, dw = destWidth, dh = destHeight;
    int64_t sx = srcX, sy = srcY, sw = srcWidth, sh = srcHeight;
    if (sw <= 0 || sh <= 0 || sx >= w || sy >= h || sx + sw <= 0 || sy + sh <= 0) {
        return;
    }
    if (sx + sw > w) {  // right edge
        dw = NearestQuotient(dw * (w - sx), sw);
        sw = w - sx;
    }
    if (sy < 0) {  // bottom edge
        dh = NearestQuotient((sh + sy) * dh, sh);
        sh = sh + sy;
        sy = 0;
    }
    if (sy + sh > h) {  // top edge
        const int64_t clipped = NearestQuotient(dh * (h - sy), sh);
        dy = dy + dh - clipped;
        dh = clipped;
        sh = h - sy;
    }
    if (sx < 0) {  // left edge
        const int64_t clipped = NearestQuotient((sx + sw) * dw, sw);
        dx = dx + dw - clipped;
        dw = clipped;
        sw = sw + sx;
        sx = 0;
    }
    if (dw <= 0 || dh <= 0) {
        return;
    }
    destX = static_cast<int32_t>(dx);
    destY = static_cast<int32_t>(dy);
    destWidth = static_cast<int32_t>(dw);
    destHeight = static_cast<int32_t>(dh);
    srcX = static_cast<int32_t>(sx);
    srcY = static_cast<int32_t>(sy);
    srcWidth = static_cast<int32_t>(sw);
    srcHeight = static_cast<int32_t>(sh);

    const PaletteHandle palette = useOwnPalette ? pic.palette : otherPalette;
    const bool selected = pic.hasPalette == 1;
    PaletteHandle before = nullptr;
    if (selected) {
        before = dc.selectPalette(palette, false);
        dc.realizePalette();
    }

    const int32_t depth = DibBitCount(pic);
    if (depth == 24 && ScreenBitsPerPixel() <= 8 && halftone) {
        drawHalftoned(dc, destX, destY, destWidth, destHeight, pic, srcX, srcY, srcWidth, srcHeight,
                      rop, palette);
    } else if (depth == 24 && !printer) {
        DrawDibRows24(dc, destX, destY, destWidth, destHeight, pic, srcX,
                      static_cast<int32_t>(h) - srcY - srcHeight, srcWidth, srcHeight);
    } else if (depth == 8 && !printer) {
        DrawDibRows8(dc, destX, destY, destWidth, destHeight, pic, srcX,
                     static_cast<int32_t>(h) - srcY - srcHeight, srcWidth, srcHeight);
    } else {
        bool canDib = (dc.rasterCaps() & kRcDibToDev) != 0;
        if (dc.stretchDIBits(destX, destY, destWidth, destHeight, srcX, srcY, srcWidth, srcHeight,
                             pic.bits, *pic.info, rop) == kGdiError) {
            if (canDib) {
                canDib = drawScaledCopy(dc, destX, destY, destWidth, destHeight, pic, srcX, srcY,
                                        srcWidth, srcHeight) != 0;
            }
            if (!canDib) {
                drawThroughBitmap(dc, destX, destY, destWidth, destHeight, pic, srcX, srcY,
                                  srcWidth, srcHeight, rop, messages);
            }
        }
    }

    if (selected) {
        dc.selectPalette(before, false);
    }
}

}  // namespace grimora
