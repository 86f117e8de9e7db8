// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/memory_device.h"

#include <algorithm>
#include <limits>

namespace grimora {

namespace {

struct Raster {
    uint8_t* data;
    int64_t width;
    int64_t height;
};

// Combines decoded source pixels (0xFFRRGGBB) with a row of the raster.
// cols[k] is the index into `source` for destination pixel k, or -1.
void combineRow(uint8_t* out, const uint32_t* source, const int32_t* cols, std::size_t count,
                RasterOp rop) {
    const auto each = [&](auto op) {
        for (std::size_t k = 0; k < count; ++k, out += 3) {
            if (cols[k] < 0) {
                continue;
            }
            const uint32_t s = source[cols[k]];
            out[0] = op(static_cast<uint8_t>(s >> 16), out[0]);
            out[1] = op(static_cast<uint8_t>(s >> 8), out[1]);
            out[2] = op(static_cast<uint8_t>(s), out[2]);
        }
    };
    switch (rop) {
        case RasterOp::SrcCopy:
            each([](uint8_t s, uint8_t) { return s; });
            return;
        case RasterOp::SrcPaint:
            each([](uint8_t s, uint8_t d) { return static_cast<uint8_t>(s | d); });
            return;
        case RasterOp::SrcAnd:
            each([](uint8_t s, uint8_t d) { return static_cast<uint8_t>(s & d); });
            return;
        case RasterOp::SrcInvert:
            each([](uint8_t s, uint8_t d) { return static_cast<uint8_t>(s ^ d); });
            return;
        case RasterOp::NotSrcCopy:
            each([](uint8_t s, uint8_t) { return static_cast<uint8_t>(~s); });
            return;
    }
}

// Nearest-pixel scaling of a srcWidth x srcHeight source rectangle, whose
// left column is xSrc of a source sourceWidth pixels wide, into the raster.
// fetch(t, lo, count) gives the decoded pixels lo .. lo + count - 1 of the
// rectangle's row t (0 = its top row), or null when that row has no pixels.
template <class Fetch>
void stretchInto(const Raster& dst, int64_t xDest, int64_t yDest, int64_t destWidth,
                 int64_t destHeight, int64_t xSrc, int64_t srcWidth, int64_t srcHeight,
                 int64_t sourceWidth, RasterOp rop, Fetch&& fetch) {
    if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) {
        return;
    }
    const int64_t x0 = std::max<int64_t>(0, xDest);
    const int64_t x1 = std::min(dst.width, xDest + destWidth);
    const int64_t y0 = std::max<int64_t>(0, yDest);
    const int64_t y1 = std::min(dst.height, yDest + destHeight);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    std::vector<int32_t> cols(static_cast<std::size_t>(x1 - x0));
    int64_t lo = std::numeric_limits<int64_t>::max();
    int64_t hi = -1;
    for (int64_t x = x0; x < x1; ++x) {
        const int64_t sx = xSrc + (x - xDest) * srcWidth / destWidth;
        const bool inside = sx >= 0 && sx < sourceWidth;
        cols[static_cast<std::size_t>(x - x0)] = inside ? static_cast<int32_t>(sx) : -1;
        if (inside) {
            lo = std::min(lo, sx);
            hi = std::max(hi, sx);
        }
    }
    if (hi < 0) {
        return;
    }
    for (int32_t& c : cols) {
        if (c >= 0) {
            c -= static_cast<int32_t>(lo);
        }
    }
    const auto count = static_cast<int32_t>(hi - lo + 1);
    int64_t lastRow = -1;
    const uint32_t* source = nullptr;
    for (int64_t y = y0; y < y1; ++y) {
        const int64_t t = (y - yDest) * srcHeight / destHeight;
        if (t != lastRow) {
            source = fetch(t, static_cast<int32_t>(lo), count);
            lastRow = t;
        }
        if (source != nullptr) {
            combineRow(dst.data + (y * dst.width + x0) * 3, source, cols.data(), cols.size(), rop);
        }
    }
}

// Gives decoded rows of a picture whose storage starts at memory row
// startScan and holds scanLines rows.
class DibRows {
public:
    DibRows(const void* bits, const BitmapInfo& info, int64_t startScan, int64_t scanLines)
        : bits_(bits),
          info_(info),
          first_(startScan),
          end_(std::min<int64_t>(startScan + scanLines, info.bmiHeader.biHeight)) {}

    bool has(int64_t memoryRow) const { return memoryRow >= first_ && memoryRow < end_; }

    const uint32_t* decode(int64_t memoryRow, int32_t lo, int32_t count) {
        if (!has(memoryRow)) {
            return nullptr;
        }
        buffer_.resize(static_cast<std::size_t>(count));
        DecodeDibRow(info_, DibRowBytes(bits_, info_, static_cast<int32_t>(memoryRow - first_)), lo,
                     count, buffer_.data());
        return buffer_.data();
    }

private:
    const void* bits_;
    const BitmapInfo& info_;
    int64_t first_;
    int64_t end_;
    std::vector<uint32_t> buffer_;
};

class MemoryBitmap : public DeviceBitmap {
public:
    MemoryBitmap(int32_t width, int32_t height)
        : width_(width),
          height_(height),
          pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {}

    int setDIBits(uint32_t startScan, uint32_t scanLines, const void* bits,
                  const BitmapInfo& info) override {
        if (!IsReadableDib(bits, info)) {
            return 0;
        }
        const int64_t dibHeight = info.bmiHeader.biHeight;
        DibRows rows(bits, info, startScan, scanLines);
        const int32_t count = std::min(width_, info.bmiHeader.biWidth);
        int stored = 0;
        const int64_t end = std::min(int64_t{startScan} + scanLines, dibHeight);
        for (int64_t r = startScan; r < end; ++r) {
            const int64_t y = dibHeight - 1 - r;
            const uint32_t* in = rows.decode(r, 0, count);
            if (in == nullptr || y < 0 || y >= height_) {
                continue;
            }
            uint8_t* out = pixels_.data() + y * width_ * 3;
            for (int32_t x = 0; x < count; ++x, out += 3) {
                out[0] = static_cast<uint8_t>(in[x] >> 16);
                out[1] = static_cast<uint8_t>(in[x] >> 8);
                out[2] = static_cast<uint8_t>(in[x]);
            }
            ++stored;
        }
        return stored;
    }

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    const uint8_t* row(int64_t y) const { return pixels_.data() + y * width_ * 3; }

private:
    int32_t width_;
    int32_t height_;
    std::vector<uint8_t> pixels_;
};

}  // namespace

MemoryDevice::MemoryDevice(int32_t width, int32_t height, uint32_t fillRgb)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3) {
    fill(fillRgb);
}

uint32_t MemoryDevice::pixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    const uint8_t* p = pixels_.data() + (static_cast<std::size_t>(y) * width_ + x) * 3;
    return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}

void MemoryDevice::fill(uint32_t rgb) {
    for (std::size_t i = 0; i < pixels_.size(); i += 3) {
        pixels_[i] = static_cast<uint8_t>(rgb >> 16);
        pixels_[i + 1] = static_cast<uint8_t>(rgb >> 8);
        pixels_[i + 2] = static_cast<uint8_t>(rgb);
    }
}

int MemoryDevice::stretchDIBits(int32_t xDest, int32_t yDest, int32_t destWidth, int32_t destHeight,
                                int32_t xSrc, int32_t ySrc, int32_t srcWidth, int32_t srcHeight,
                                const void* bits, const BitmapInfo& info, RasterOp rop) {
    if (!IsReadableDib(bits, info)) {
        return kGdiError;
    }
    if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) {
        return 0;
    }
    DibRows rows(bits, info, 0, static_cast<uint32_t>(info.bmiHeader.biHeight));
    const int64_t topRow = int64_t{ySrc} + srcHeight - 1;
    stretchInto(
        Raster{pixels_.data(), width_, height_}, xDest, yDest, destWidth, destHeight, xSrc,
        srcWidth, srcHeight, info.bmiHeader.biWidth, rop,
        [&](int64_t t, int32_t lo, int32_t count) { return rows.decode(topRow - t, lo, count); });
    return srcHeight;
}

int MemoryDevice::setDIBitsToDevice(int32_t xDest, int32_t yDest, uint32_t width, uint32_t height,
                                    int32_t xSrc, int32_t ySrc, uint32_t startScan,
                                    uint32_t scanLines, const void* bits, const BitmapInfo& info) {
    if (!IsReadableDib(bits, info) || width == 0 || height == 0) {
        return 0;
    }
    // One to one: memory row r goes to device row yDest + ySrc + height - 1 - r,
    // column c to xDest + c - xSrc.
    const int64_t h = height;
    const DibCopyBand band = SetDIBitsBand(width, height, xSrc, ySrc, startScan, scanLines, info);
    if (band.empty()) {
        return 0;
    }
    const int64_t r0 = band.r0;
    const int64_t r1 = band.r1;
    int64_t c0 = band.c0;
    int64_t c1 = band.c1;
    const int copied = static_cast<int>(r1 - r0);
    c0 = std::max(c0, int64_t{xSrc} - xDest);
    c1 = std::min(c1, int64_t{xSrc} - xDest + width_);
    if (c0 >= c1) {
        return copied;
    }
    const auto count = static_cast<int32_t>(c1 - c0);
    scratch_.resize(static_cast<std::size_t>(count));
    for (int64_t r = r0; r < r1; ++r) {
        const int64_t y = int64_t{yDest} + ySrc + h - 1 - r;
        if (y < 0 || y >= height_) {
            continue;
        }
        DecodeDibRow(info, DibRowBytes(bits, info, static_cast<int32_t>(r - startScan)),
                     static_cast<int32_t>(c0), count, scratch_.data());
        uint8_t* out = pixels_.data() + (y * width_ + xDest + c0 - xSrc) * 3;
        for (const uint32_t colour : scratch_) {
            out[0] = static_cast<uint8_t>(colour >> 16);
            out[1] = static_cast<uint8_t>(colour >> 8);
            out[2] = static_cast<uint8_t>(colour);
            out += 3;
        }
    }
    return copied;
}

std::unique_ptr<DeviceBitmap> MemoryDevice::createCompatibleBitmap(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    return std::make_unique<MemoryBitmap>(width, height);
}

bool MemoryDevice::stretchBlt(int32_t xDest, int32_t yDest, int32_t destWidth, int32_t destHeight,
                              const DeviceBitmap& source, int32_t xSrc, int32_t ySrc,
                              int32_t srcWidth, int32_t srcHeight, RasterOp rop) {
    const auto* bitmap = dynamic_cast<const MemoryBitmap*>(&source);
    if (bitmap == nullptr) {
        return false;
    }
    std::vector<uint32_t> buffer;
    stretchInto(Raster{pixels_.data(), width_, height_}, xDest, yDest, destWidth, destHeight, xSrc,
                srcWidth, srcHeight, bitmap->width(), rop,
                [&](int64_t t, int32_t lo, int32_t count) -> const uint32_t* {
                    const int64_t y = ySrc + t;
                    if (y < 0 || y >= bitmap->height()) {
                        return nullptr;
                    }
                    buffer.resize(static_cast<std::size_t>(count));
                    const uint8_t* p = bitmap->row(y) + static_cast<std::ptrdiff_t>(lo) * 3;
                    for (int32_t i = 0; i < count; ++i, p += 3) {
                        buffer[static_cast<std::size_t>(i)] =
                            0xFF000000u | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
                    }
                    return buffer.data();
                });
    return true;
}

}  // namespace grimora
