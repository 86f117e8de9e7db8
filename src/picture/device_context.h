// SPDX-License-Identifier: GPL-3.0-or-later
// The part of a graphics device that picture drawing talks to: a screen, a
// printer page or a memory raster. Modelled on the classic device-context
// calls so that DrawDib reads like the drawing code of any raster system.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>

#include "picture/dib.h"

namespace grimora {

enum class Technology {
    RasterDisplay = 1,  // DT_RASDISPLAY
    RasterPrinter = 2,  // DT_RASPRINTER
};

// Raster capabilities: only the one DrawDib asks about.
inline constexpr uint32_t kRcDibToDev = 512;  // RC_DIBTODEV: takes SetDIBitsToDevice

enum class StretchBltMode {
    ColorOnColor = 3,  // drop rows and columns: nearest pixel
    Halftone = 4,      // average; devices that cannot may treat it as ColorOnColor
};

// How the source pixels combine with the device's (the ternary codes).
enum class RasterOp : uint32_t {
    SrcCopy = 0x00CC0020,
    SrcPaint = 0x00EE0086,   // source OR destination
    SrcAnd = 0x008800C6,     // source AND destination
    SrcInvert = 0x00660046,  // source XOR destination
    NotSrcCopy = 0x00330008,
};

inline constexpr int kGdiError = -1;  // StretchDIBits failed: all bits set

// Pixels handed to a device are device-independent bitmaps read with RGB
// colours: `bits` points to memory row 0 (the bottom row), rows are
// DibStride(biWidth, biBitCount) bytes long, and palette indices are looked
// up in the colour table of `info`. Source rectangles count their y from the
// bottom row up, destination rectangles count device y from the top down.

// A bitmap in the device's own format, the target of SetDIBits and the source
// of StretchBlt. It stands for the bitmap together with the memory device
// context it is selected into.
class DeviceBitmap {
public:
    virtual ~DeviceBitmap() = default;

    // Stores memory rows startScan .. startScan + scanLines - 1 of a picture,
    // `bits` pointing to row startScan. The bitmap's rows run top-down: memory
    // row r lands on bitmap row biHeight - 1 - r. Returns the rows stored, 0
    // on failure.
    virtual int setDIBits(uint32_t startScan, uint32_t scanLines, const void* bits,
                          const BitmapInfo& info) = 0;
};

class DeviceContext {
public:
    virtual ~DeviceContext() = default;

    virtual Technology technology() const = 0;
    virtual uint32_t rasterCaps() const = 0;

    // Returns the previous mode.
    virtual StretchBltMode setStretchBltMode(StretchBltMode mode) = 0;

    // Returns the palette selected before. True-colour devices only remember
    // the palette, since the colours of what they are given are exact.
    virtual PaletteHandle selectPalette(PaletteHandle palette, bool forceBackground) = 0;
    // Returns the number of entries mapped into the system palette.
    virtual int realizePalette() = 0;

    // Draws the source rectangle scaled into the destination rectangle.
    // Returns the source rows used, or kGdiError.
    virtual int stretchDIBits(int32_t xDest, int32_t yDest, int32_t destWidth, int32_t destHeight,
                              int32_t xSrc, int32_t ySrc, int32_t srcWidth, int32_t srcHeight,
                              const void* bits, const BitmapInfo& info, RasterOp rop) = 0;

    // Copies a width x height rectangle one to one; its lower-left source
    // corner is (xSrc, ySrc). `bits` holds memory rows startScan ..
    // startScan + scanLines - 1, starting with row startScan. Returns the rows
    // copied; 0 when none.
    virtual int setDIBitsToDevice(int32_t xDest, int32_t yDest, uint32_t width, uint32_t height,
                                  int32_t xSrc, int32_t ySrc, uint32_t startScan,
                                  uint32_t scanLines, const void* bits, const BitmapInfo& info) = 0;

    // A bitmap compatible with this device; null when it cannot be made.
    virtual std::unique_ptr<DeviceBitmap> createCompatibleBitmap(int32_t width, int32_t height) = 0;

    // Draws a rectangle of a bitmap made by this device, scaled; the source
    // rectangle counts y from the bitmap's top row. False on failure.
    virtual bool stretchBlt(int32_t xDest, int32_t yDest, int32_t destWidth, int32_t destHeight,
                            const DeviceBitmap& source, int32_t xSrc, int32_t ySrc,
                            int32_t srcWidth, int32_t srcHeight, RasterOp rop) = 0;

    // A promise that the SetDIBitsToDevice calls up to endRows() land inside
    // the given rectangle, so that a device for which each call is costly can
    // collect them and draw once. The pixels must come out as without it.
    virtual void beginRows(int32_t /*x*/, int32_t /*y*/, int32_t /*width*/, int32_t /*height*/) {}
    virtual void endRows() {}
};

// A device with exact colours that takes device-independent bitmaps: it
// remembers the stretch mode and the palette it is given and maps no entries.
class TrueColourDeviceContext : public DeviceContext {
public:
    uint32_t rasterCaps() const override { return kRcDibToDev; }
    StretchBltMode setStretchBltMode(StretchBltMode mode) override {
        const StretchBltMode previous = mode_;
        mode_ = mode;
        return previous;
    }
    PaletteHandle selectPalette(PaletteHandle palette, bool /*forceBackground*/) override {
        const PaletteHandle previous = palette_;
        palette_ = palette;
        return previous;
    }
    int realizePalette() override { return 0; }

protected:
    StretchBltMode stretchMode() const { return mode_; }

private:
    StretchBltMode mode_ = StretchBltMode::ColorOnColor;
    PaletteHandle palette_ = nullptr;
};

// ---------------------------------------------------------------------------
// Reading the pixels of a device-independent bitmap, for devices.

// Checks what a device needs to read a picture: positive size, bottom-up
// rows, no compression, a depth of 1, 4, 8, 16, 24 or 32 bits.
inline bool IsReadableDib(const void* bits, const BitmapInfo& info) {
    const BitmapInfoHeader& h = info.bmiHeader;
    return bits != nullptr && h.biWidth > 0 && h.biHeight > 0 && h.biCompression == 0 &&
           IsDibDepth(h.biBitCount);
}

// The part of a picture that one SetDIBitsToDevice call copies: memory rows
// r0 .. r1 - 1 and columns c0 .. c1 - 1, within the picture and within the
// band of rows that `bits` holds. Memory row r lands on device row
// yDest + ySrc + height - 1 - r, column c on device column xDest + c - xSrc.
struct DibCopyBand {
    int64_t r0 = 0;
    int64_t r1 = 0;
    int64_t c0 = 0;
    int64_t c1 = 0;
    bool empty() const { return r0 >= r1 || c0 >= c1; }
};

inline DibCopyBand SetDIBitsBand(uint32_t width, uint32_t height, int32_t xSrc, int32_t ySrc,
                                 uint32_t startScan, uint32_t scanLines, const BitmapInfo& info) {
    const int64_t bandEnd =
        std::min<int64_t>(int64_t{startScan} + scanLines, info.bmiHeader.biHeight);
    DibCopyBand band;
    band.r0 = std::max<int64_t>(ySrc, startScan);
    band.r1 = std::min(int64_t{ySrc} + height, bandEnd);
    band.c0 = std::max(xSrc, 0);
    band.c1 = std::min<int64_t>(int64_t{xSrc} + width, info.bmiHeader.biWidth);
    return band;
}

// Memory row r of a readable picture.
inline const uint8_t* DibRowBytes(const void* bits, const BitmapInfo& info, int32_t r) {
    const int64_t stride = DibStride(info.bmiHeader.biWidth, info.bmiHeader.biBitCount);
    return static_cast<const uint8_t*>(bits) + stride * r;
}

// Converts pixels x .. x + count - 1 of a row to 0xFFRRGGBB (the alpha byte
// set, so that the values can be used as opaque colours directly). 16 bits
// are 5-5-5, 32 bits blue, green, red and an unused byte.
inline void DecodeDibRow(const BitmapInfo& info, const uint8_t* row, int32_t x, int32_t count,
                         uint32_t* out) {
    const auto quad = [&info](unsigned index) {
        const RgbQuad& q = info.bmiColors[index & 0xFFu];
        return 0xFF000000u | uint32_t{q.rgbRed} << 16 | uint32_t{q.rgbGreen} << 8 | q.rgbBlue;
    };
    const auto rgb = [](unsigned r, unsigned g, unsigned b) {
        return 0xFF000000u | r << 16 | g << 8 | b;
    };
    const int32_t end = x + count;
    switch (info.bmiHeader.biBitCount) {
        case 1:
            for (int32_t i = x; i < end; ++i) {
                *out++ = quad((row[i >> 3] >> (7 - (i & 7))) & 1u);
            }
            return;
        case 4:
            for (int32_t i = x; i < end; ++i) {
                *out++ = quad((i & 1) ? (row[i >> 1] & 0x0Fu) : (row[i >> 1] >> 4));
            }
            return;
        case 8:
            for (int32_t i = x; i < end; ++i) {
                *out++ = quad(row[i]);
            }
            return;
        case 16:
            for (int32_t i = x; i < end; ++i) {
                const unsigned v = row[2 * i] | unsigned{row[2 * i + 1]} << 8;
                const unsigned r = (v >> 10) & 31u, g = (v >> 5) & 31u, b = v & 31u;
                *out++ = rgb(r << 3 | r >> 2, g << 3 | g >> 2, b << 3 | b >> 2);
            }
            return;
        case 24:
            for (const uint8_t* p = row + 3 * static_cast<std::ptrdiff_t>(x); count > 0;
                 --count, p += 3) {
                *out++ = rgb(p[2], p[1], p[0]);
            }
            return;
        case 32:
            for (const uint8_t* p = row + 4 * static_cast<std::ptrdiff_t>(x); count > 0;
                 --count, p += 4) {
                *out++ = rgb(p[2], p[1], p[0]);
            }
            return;
        default:
            for (; count > 0; --count) {
                *out++ = 0xFF000000u;
            }
            return;
    }
}

}  // namespace grimora
