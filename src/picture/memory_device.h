// SPDX-License-Identifier: GPL-3.0-or-later
// A raster device in memory: what the headless tool and the tests draw into.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "picture/device_context.h"

namespace grimora {

// Width x height pixels of 24 bits, rows top-down, each pixel red, green,
// blue. A true-colour display: it can do everything DrawDib asks and scales
// by nearest pixel whatever the stretch mode.
class MemoryDevice : public TrueColourDeviceContext {
public:
    // Every pixel starts as fillRgb (0xRRGGBB).
    MemoryDevice(int32_t width, int32_t height, uint32_t fillRgb = 0xFFFFFF);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // 0xRRGGBB of the pixel x, y (y from the top); 0 outside the device.
    uint32_t pixel(int32_t x, int32_t y) const;
    void fill(uint32_t rgb);
    // width * 3 bytes a row.
    const uint8_t* data() const { return pixels_.data(); }

    Technology technology() const override { return Technology::RasterDisplay; }
    int stretchDIBits(int32_t xDest, int32_t yDest, int32_t destWidth, int32_t destHeight,
                      int32_t xSrc, int32_t ySrc, int32_t srcWidth, int32_t srcHeight,
                      const void* bits, const BitmapInfo& info, RasterOp rop) override;
    int setDIBitsToDevice(int32_t xDest, int32_t yDest, uint32_t width, uint32_t height,
                          int32_t xSrc, int32_t ySrc, uint32_t startScan, uint32_t scanLines,
                          const void* bits, const BitmapInfo& info) override;
    std::unique_ptr<DeviceBitmap> createCompatibleBitmap(int32_t width, int32_t height) override;
    bool stretchBlt(int32_t xDest, int32_t yDest, int32_t destWidth, int32_t destHeight,
                    const DeviceBitmap& source, int32_t xSrc, int32_t ySrc, int32_t srcWidth,
                    int32_t srcHeight, RasterOp rop) override;

private:
    int32_t width_;
    int32_t height_;
    std::vector<uint8_t> pixels_;
    std::vector<uint32_t> scratch_;  // one decoded row
};

}  // namespace grimora
