// SPDX-License-Identifier: GPL-3.0-or-later
// The device context of the Qt program: draws with a QPainter onto whatever
// it paints on (a widget, an image, a printer page).
#pragma once

#include <vector>

#include <QImage>
#include <QPainter>
#include <QRect>

#include "picture/device_context.h"

namespace grimora {

class QtDeviceContext final : public TrueColourDeviceContext {
public:
    // The painter must be active; it is borrowed for the device's lifetime
    // and its state is left as it was found. A paged device (a printer, a PDF
    // writer) is a raster printer, anything else a display.
    explicit QtDeviceContext(QPainter& painter);
    ~QtDeviceContext() override;

    QtDeviceContext(const QtDeviceContext&) = delete;
    QtDeviceContext& operator=(const QtDeviceContext&) = delete;

    // Whether rows announced with beginRows are collected into one image and
    // drawn at endRows (the default) or drawn one call at a time.
    void setCollectRows(bool collect) { collectRows_ = collect; }

    Technology technology() const override { return technology_; }
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
    void beginRows(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void endRows() override;

private:
    // Draws the collected rows, runs of consecutive rows at a time; rows
    // never sent leave the device as it was.
    void flushRows();
    void drawImage(const QRectF& target, const QImage& image, const QRectF& source, RasterOp rop);
    QRect visibleArea() const;

    QPainter& painter_;
    Technology technology_;

    bool collectRows_ = true;
    bool collecting_ = false;
    QRect announced_;  // what beginRows promised
    QRect collected_;  // the visible part of it, which `rows_` covers
    QImage rows_;
    std::vector<bool> rowSent_;
};

}  // namespace grimora
