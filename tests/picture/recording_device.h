// SPDX-License-Identifier: GPL-3.0-or-later
// For the drawing tests: a device that records every call, plays any
// technology and raster capabilities, fails on request, and hands the drawing
// on to a real device (when given one) so that the pixels can be checked too;
// and pictures whose pixels tell where they came from.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "picture/device_context.h"
#include "picture/dib_queries.h"
#include "picture/host.h"
#include "picture/memory_device.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"

namespace grimora::draw_test {

enum class Call {
    SetStretchBltMode,
    SelectPalette,
    RealizePalette,
    StretchDIBits,
    SetDIBitsToDevice,
    CreateCompatibleBitmap,
    SetDIBits,
    StretchBlt,
    BeginRows,
    EndRows,
};

// One call with its arguments in the order the call takes them; unused ones
// stay 0. For SetDIBitsToDevice, the bytes of the first row of `bits`.
struct RecordedCall {
    Call call = Call::SetStretchBltMode;
    std::vector<int64_t> args;
    int bitCount = 0;
    int dibWidth = 0;
    int dibHeight = 0;
    const void* bits = nullptr;
    RasterOp rop = RasterOp::SrcCopy;
    PaletteHandle palette = nullptr;
    StretchBltMode mode = StretchBltMode::Halftone;
    std::vector<uint8_t> firstRow;
};

class RecordingDevice : public DeviceContext {
public:
    explicit RecordingDevice(DeviceContext* target = nullptr) : target_(target) {}

    Technology tech = Technology::RasterDisplay;
    uint32_t caps = kRcDibToDev;
    bool failStretchDIBits = false;
    bool copyNothing = false;  // SetDIBitsToDevice reports 0 rows
    bool failCreateBitmap = false;
    bool failSetDIBits = false;
    bool failStretchBlt = false;
    // Overwrite each row handed to SetDIBitsToDevice once it is recorded: a
    // buffer sent again without being rebuilt then shows the scribble.
    bool scribbleRows = false;
    static constexpr uint8_t kScribble = 0xA5;

    std::vector<RecordedCall> calls;
    PaletteHandle selected = nullptr;

    std::vector<RecordedCall> of(Call call) const {
        std::vector<RecordedCall> out;
        for (const RecordedCall& c : calls) {
            if (c.call == call) {
                out.push_back(c);
            }
        }
        return out;
    }

    Technology technology() const override { return tech; }
    uint32_t rasterCaps() const override { return caps; }

    StretchBltMode setStretchBltMode(StretchBltMode mode) override {
        RecordedCall& c = record(Call::SetStretchBltMode, {});
        c.mode = mode;
        return std::exchange(mode_, mode);
    }

    PaletteHandle selectPalette(PaletteHandle palette, bool forceBackground) override {
        RecordedCall& c = record(Call::SelectPalette, {forceBackground ? 1 : 0});
        c.palette = palette;
        return std::exchange(selected, palette);
    }

    int realizePalette() override {
        record(Call::RealizePalette, {});
        return 0;
    }

    int stretchDIBits(int32_t xDest, int32_t yDest, int32_t destWidth, int32_t destHeight,
                      int32_t xSrc, int32_t ySrc, int32_t srcWidth, int32_t srcHeight,
                      const void* bits, const BitmapInfo& info, RasterOp rop) override {
        RecordedCall& c = record(Call::StretchDIBits, {xDest, yDest, destWidth, destHeight, xSrc,
                                                       ySrc, srcWidth, srcHeight});
        describe(c, bits, info);
        c.rop = rop;
        if (failStretchDIBits) {
            return kGdiError;
        }
        return target_ ? target_->stretchDIBits(xDest, yDest, destWidth, destHeight, xSrc, ySrc,
                                                srcWidth, srcHeight, bits, info, rop)
                       : srcHeight;
    }

    int setDIBitsToDevice(int32_t xDest, int32_t yDest, uint32_t width, uint32_t height,
                          int32_t xSrc, int32_t ySrc, uint32_t startScan, uint32_t scanLines,
                          const void* bits, const BitmapInfo& info) override {
        RecordedCall& c = record(Call::SetDIBitsToDevice,
                                 {xDest, yDest, width, height, xSrc, ySrc, startScan, scanLines});
        describe(c, bits, info);
        const auto rowBytes =
            static_cast<std::size_t>(DibStride(info.bmiHeader.biWidth, info.bmiHeader.biBitCount));
        const auto* row = static_cast<const uint8_t*>(bits);
        c.firstRow.assign(row, row + rowBytes);
        int lines = static_cast<int>(scanLines);
        if (target_) {
            lines = target_->setDIBitsToDevice(xDest, yDest, width, height, xSrc, ySrc, startScan,
                                               scanLines, bits, info);
        }
        if (scribbleRows) {
            // The drawing code owns this buffer and may write it; so may we.
            std::memset(const_cast<void*>(bits), kScribble, rowBytes);
        }
        return copyNothing ? 0 : lines;
    }

    std::unique_ptr<DeviceBitmap> createCompatibleBitmap(int32_t width, int32_t height) override {
        record(Call::CreateCompatibleBitmap, {width, height});
        if (failCreateBitmap) {
            return nullptr;
        }
        return std::make_unique<Bitmap>(
            *this, target_ ? target_->createCompatibleBitmap(width, height) : nullptr);
    }

    bool stretchBlt(int32_t xDest, int32_t yDest, int32_t destWidth, int32_t destHeight,
                    const DeviceBitmap& source, int32_t xSrc, int32_t ySrc, int32_t srcWidth,
                    int32_t srcHeight, RasterOp rop) override {
        RecordedCall& c = record(Call::StretchBlt, {xDest, yDest, destWidth, destHeight, xSrc, ySrc,
                                                    srcWidth, srcHeight});
        c.rop = rop;
        if (failStretchBlt) {
            return false;
        }
        const auto& bitmap = dynamic_cast<const Bitmap&>(source);
        return target_ == nullptr ||
               (bitmap.inner &&
                target_->stretchBlt(xDest, yDest, destWidth, destHeight, *bitmap.inner, xSrc, ySrc,
                                    srcWidth, srcHeight, rop));
    }

    void beginRows(int32_t x, int32_t y, int32_t width, int32_t height) override {
        record(Call::BeginRows, {x, y, width, height});
        if (target_) {
            target_->beginRows(x, y, width, height);
        }
    }

    void endRows() override {
        record(Call::EndRows, {});
        if (target_) {
            target_->endRows();
        }
    }

private:
    class Bitmap : public DeviceBitmap {
    public:
        Bitmap(RecordingDevice& owner, std::unique_ptr<DeviceBitmap> wrapped)
            : inner(std::move(wrapped)), owner_(owner) {}

        int setDIBits(uint32_t startScan, uint32_t scanLines, const void* bits,
                      const BitmapInfo& info) override {
            RecordedCall& c = owner_.record(Call::SetDIBits, {startScan, scanLines});
            describe(c, bits, info);
            if (owner_.failSetDIBits) {
                return 0;
            }
            return inner ? inner->setDIBits(startScan, scanLines, bits, info)
                         : static_cast<int>(scanLines);
        }

        std::unique_ptr<DeviceBitmap> inner;

    private:
        RecordingDevice& owner_;
    };

    RecordedCall& record(Call call, std::vector<int64_t> args) {
        RecordedCall& c = calls.emplace_back();
        c.call = call;
        c.args = std::move(args);
        return c;
    }

    static void describe(RecordedCall& c, const void* bits, const BitmapInfo& info) {
        c.bits = bits;
        c.bitCount = info.bmiHeader.biBitCount;
        c.dibWidth = info.bmiHeader.biWidth;
        c.dibHeight = info.bmiHeader.biHeight;
    }

    DeviceContext* target_;
    StretchBltMode mode_ = StretchBltMode::ColorOnColor;
};

class RecordingSink : public MessageSink {
public:
    void showMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// A picture of any depth in which neighbouring pixels differ; at 24 and 32
// bits every pixel of a picture up to 4096 pixels square has its own colour.
// Palette depths get a colour table of distinct colours.
inline OwnedDib PatternPicture(int32_t w, int32_t h, int bitCount) {
    OwnedDib dib;
    EXPECT_TRUE(dib.make(w, h, bitCount));
    if (bitCount <= 8) {
        for (int i = 0; i < (1 << bitCount); ++i) {
            dib.edit().info->bmiColors[i] =
                RgbQuad{static_cast<uint8_t>((i * 7 + 3) & 0xFF), static_cast<uint8_t>(255 - i),
                        static_cast<uint8_t>(i), 0};
        }
    }
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            uint32_t value = 0;
            switch (bitCount) {
                case 1:
                    value = static_cast<uint32_t>((x + y) & 1);
                    break;
                case 4:
                    value = static_cast<uint32_t>((x + 3 * y) % 16);
                    break;
                case 8:
                    value = static_cast<uint32_t>((x + 7 * y) % 256);
                    break;
                default:
                    value = static_cast<uint32_t>(x & 0xFF) | static_cast<uint32_t>(y & 0xFF) << 8 |
                            static_cast<uint32_t>(((x >> 8) & 0xF) | ((y >> 8) << 4)) << 16;
                    break;
            }
            setpixel(*dib, x, y, value);
        }
    }
    return dib;
}

// 0xRRGGBB of pixel x of memory row y, palette indices through the colour table.
inline uint32_t ColourAt(const Dib& dib, int32_t x, int32_t y) {
    const uint32_t v = getpixel(dib, x, y);
    if (DibBitCount(dib) <= 8) {
        const RgbQuad& q = dib.info->bmiColors[v];
        return uint32_t{q.rgbRed} << 16 | uint32_t{q.rgbGreen} << 8 | q.rgbBlue;
    }
    return (v & 0xFFu) << 16 | (v & 0xFF00u) | (v >> 16 & 0xFFu);
}

// What a nearest-pixel scaler shows at destination pixel (i, j), j from the
// top, for a source rectangle given as the picture's rows are seen.
inline uint32_t NearestPixel(const Dib& pic, int32_t i, int32_t j, int32_t destWidth,
                             int32_t destHeight, int32_t srcX, int32_t srcY, int32_t srcWidth,
                             int32_t srcHeight) {
    const int32_t top = DibHeight(pic) - (srcY + srcHeight);  // seen from the top
    const int32_t seenRow = top + static_cast<int32_t>(int64_t{j} * srcHeight / destHeight);
    const int32_t column = srcX + static_cast<int32_t>(int64_t{i} * srcWidth / destWidth);
    return ColourAt(pic, column, DibHeight(pic) - 1 - seenRow);
}

// Compares every pixel of the device with expected(x, y) and names the first
// that differs.
template <class Expected>
::testing::AssertionResult DeviceShows(const MemoryDevice& device, Expected&& expected) {
    for (int32_t y = 0; y < device.height(); ++y) {
        for (int32_t x = 0; x < device.width(); ++x) {
            const uint32_t want = expected(x, y);
            if (device.pixel(x, y) != want) {
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex << device.pixel(x, y)
                       << ", expected " << want;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// A one-pixel picture of kRopSource drawn over kRopBackground with each
// raster operation, and the colour each must leave.
inline constexpr uint32_t kRopBackground = 0x3C5AF0;
inline constexpr uint32_t kRopSource = 0x0FF00F;  // red 0x0F, green 0xF0, blue 0x0F

struct RasterOpCase {
    RasterOp rop;
    uint32_t expected;
};

inline std::vector<RasterOpCase> RasterOpCases() {
    constexpr uint32_t s = kRopSource;
    return {{RasterOp::SrcCopy, s},
            {RasterOp::SrcPaint, s | kRopBackground},
            {RasterOp::SrcAnd, s & kRopBackground},
            {RasterOp::SrcInvert, s ^ kRopBackground},
            {RasterOp::NotSrcCopy, ~s & 0xFFFFFFu}};
}

}  // namespace grimora::draw_test
