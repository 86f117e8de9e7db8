// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt_device_context.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <QPagedPaintDevice>
#include <QPaintEngine>

namespace grimora {

namespace {

// Beyond this the rows are drawn one call at a time rather than collected:
// 64 megapixels, 256 MB of image.
constexpr int64_t kMaxCollectedPixels = int64_t{1} << 26;

QPainter::CompositionMode compositionFor(RasterOp rop) {
    switch (rop) {
        case RasterOp::SrcCopy:
            return QPainter::CompositionMode_Source;
        case RasterOp::SrcPaint:
            return QPainter::RasterOp_SourceOrDestination;
        case RasterOp::SrcAnd:
            return QPainter::RasterOp_SourceAndDestination;
        case RasterOp::SrcInvert:
            return QPainter::RasterOp_SourceXorDestination;
        case RasterOp::NotSrcCopy:
            return QPainter::RasterOp_NotSource;
    }
    return QPainter::CompositionMode_Source;
}

uint32_t* imageRow(QImage& image, int64_t y) {
    return reinterpret_cast<uint32_t*>(image.scanLine(static_cast<int>(y)));
}

// Columns [x0, x1) of memory rows [rowFrom, rowTo) of a picture whose storage
// starts with memory row `first`, as an image with the top row first. Null
// when there is no memory for it.
QImage toImage(const void* bits, const BitmapInfo& info, int64_t first, int64_t x0, int64_t x1,
               int64_t rowFrom, int64_t rowTo) {
    QImage image(static_cast<int>(x1 - x0), static_cast<int>(rowTo - rowFrom),
                 QImage::Format_RGB32);
    if (image.isNull()) {
        return image;
    }
    for (int64_t r = rowFrom; r < rowTo; ++r) {
        DecodeDibRow(info, DibRowBytes(bits, info, static_cast<int32_t>(r - first)),
                     static_cast<int32_t>(x0), static_cast<int32_t>(x1 - x0),
                     imageRow(image, rowTo - 1 - r));
    }
    return image;
}

class QtBitmap final : public DeviceBitmap {
public:
    explicit QtBitmap(QImage made) : image(std::move(made)) {}

    int setDIBits(uint32_t startScan, uint32_t scanLines, const void* bits,
                  const BitmapInfo& info) override {
        if (!IsReadableDib(bits, info)) {
            return 0;
        }
        const int64_t dibHeight = info.bmiHeader.biHeight;
        const int64_t end = std::min(int64_t{startScan} + scanLines, dibHeight);
        const int32_t count = std::min(image.width(), info.bmiHeader.biWidth);
        int stored = 0;
        for (int64_t r = startScan; r < end; ++r) {
            const int64_t y = dibHeight - 1 - r;
            if (y < 0 || y >= image.height()) {
                continue;
            }
            DecodeDibRow(info, DibRowBytes(bits, info, static_cast<int32_t>(r - startScan)), 0,
                         count, imageRow(image, y));
            ++stored;
        }
        return stored;
    }

    QImage image;
};

}  // namespace

QtDeviceContext::QtDeviceContext(QPainter& painter)
    : painter_(painter),
      technology_(dynamic_cast<QPagedPaintDevice*>(painter.device()) != nullptr
                      ? Technology::RasterPrinter
                      : Technology::RasterDisplay) {}

QtDeviceContext::~QtDeviceContext() {
    endRows();
}

void QtDeviceContext::drawImage(const QRectF& target, const QImage& image, const QRectF& source,
                                RasterOp rop) {
    painter_.save();
    // Engines without these modes (printers) draw the opaque image over what
    // is there, which for a copy is the same.
    const QPaintEngine* engine = painter_.paintEngine();
    const QPaintEngine::PaintEngineFeature needed =
        rop == RasterOp::SrcCopy ? QPaintEngine::PorterDuff : QPaintEngine::RasterOpModes;
    if (engine != nullptr && engine->hasFeature(needed)) {
        painter_.setCompositionMode(compositionFor(rop));
    }
    painter_.setOpacity(1.0);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform,
                           stretchMode() == StretchBltMode::Halftone);
    painter_.drawImage(target, image, source);
    painter_.restore();
}

int QtDeviceContext::stretchDIBits(int32_t xDest, int32_t yDest, int32_t destWidth,
                                   int32_t destHeight, int32_t xSrc, int32_t ySrc, int32_t srcWidth,
                                   int32_t srcHeight, const void* bits, const BitmapInfo& info,
                                   RasterOp rop) {
    flushRows();
    if (!IsReadableDib(bits, info)) {
        return kGdiError;
    }
    if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) {
        return 0;
    }
    // Only the part of the source inside the picture is converted; its place
    // in the destination is worked out in proportion.
    const int64_t c0 = std::max(xSrc, 0);
    const int64_t c1 = std::min<int64_t>(int64_t{xSrc} + srcWidth, info.bmiHeader.biWidth);
    const int64_t r0 = std::max(ySrc, 0);
    const int64_t r1 = std::min<int64_t>(int64_t{ySrc} + srcHeight, info.bmiHeader.biHeight);
    if (c0 >= c1 || r0 >= r1) {
        return srcHeight;
    }
    const QImage image = toImage(bits, info, 0, c0, c1, r0, r1);
    if (image.isNull()) {
        return kGdiError;
    }
    const double sx = static_cast<double>(destWidth) / srcWidth;
    const double sy = static_cast<double>(destHeight) / srcHeight;
    const QRectF target(
        static_cast<double>(xDest) + static_cast<double>(c0 - xSrc) * sx,
        static_cast<double>(yDest) + static_cast<double>(int64_t{ySrc} + srcHeight - r1) * sy,
        static_cast<double>(c1 - c0) * sx, static_cast<double>(r1 - r0) * sy);
    drawImage(target, image, QRectF(image.rect()), rop);
    return srcHeight;
}

int QtDeviceContext::setDIBitsToDevice(int32_t xDest, int32_t yDest, uint32_t width,
                                       uint32_t height, int32_t xSrc, int32_t ySrc,
                                       uint32_t startScan, uint32_t scanLines, const void* bits,
                                       const BitmapInfo& info) {
    if (!IsReadableDib(bits, info) || width == 0 || height == 0) {
        return 0;
    }
    const int64_t h = height;
    const DibCopyBand band = SetDIBitsBand(width, height, xSrc, ySrc, startScan, scanLines, info);
    if (band.empty()) {
        return 0;
    }
    const auto [r0, r1, c0, c1] = band;
    const int copied = static_cast<int>(r1 - r0);
    // Where the rows and columns go: memory row r to device row
    // yDest + ySrc + h - 1 - r, column c to xDest + c - xSrc.
    const int64_t left = int64_t{xDest} + (c0 - xSrc);
    const int64_t right = int64_t{xDest} + (c1 - xSrc);
    const int64_t top = int64_t{yDest} + (int64_t{ySrc} + h - r1);
    const int64_t bottom = int64_t{yDest} + (int64_t{ySrc} + h - r0);

    if (collecting_) {
        const bool promised =
            left >= announced_.left() && right <= int64_t{announced_.left()} + announced_.width() &&
            top >= announced_.top() && bottom <= int64_t{announced_.top()} + announced_.height();
        if (promised && collected_.isEmpty()) {
            return copied;  // nothing of it can be seen
        }
        // A row goes into the collection only if it covers the collection's
        // width, so that each collected row is whole.
        if (promised && left <= collected_.left() &&
            right >= int64_t{collected_.left()} + collected_.width()) {
            const int64_t firstColumn = int64_t{collected_.left()} - xDest + xSrc;
            for (int64_t r = r0; r < r1; ++r) {
                const int64_t y = int64_t{yDest} + ySrc + h - 1 - r - collected_.top();
                if (y < 0 || y >= collected_.height()) {
                    continue;
                }
                DecodeDibRow(info, DibRowBytes(bits, info, static_cast<int32_t>(r - startScan)),
                             static_cast<int32_t>(firstColumn), collected_.width(),
                             imageRow(rows_, y));
                rowSent_[static_cast<std::size_t>(y)] = true;
            }
            return copied;
        }
    }
    flushRows();
    const QImage image = toImage(bits, info, startScan, c0, c1, r0, r1);
    if (image.isNull()) {
        return 0;
    }
    drawImage(QRectF(static_cast<double>(left), static_cast<double>(top),
                     static_cast<double>(right - left), static_cast<double>(bottom - top)),
              image, QRectF(image.rect()), RasterOp::SrcCopy);
    return copied;
}

std::unique_ptr<DeviceBitmap> QtDeviceContext::createCompatibleBitmap(int32_t width,
                                                                      int32_t height) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return nullptr;
    }
    image.fill(Qt::black);
    return std::make_unique<QtBitmap>(std::move(image));
}

bool QtDeviceContext::stretchBlt(int32_t xDest, int32_t yDest, int32_t destWidth,
                                 int32_t destHeight, const DeviceBitmap& source, int32_t xSrc,
                                 int32_t ySrc, int32_t srcWidth, int32_t srcHeight, RasterOp rop) {
    flushRows();
    const auto* bitmap = dynamic_cast<const QtBitmap*>(&source);
    if (bitmap == nullptr) {
        return false;
    }
    if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) {
        return true;
    }
    const int64_t c0 = std::max(xSrc, 0);
    const int64_t c1 = std::min<int64_t>(int64_t{xSrc} + srcWidth, bitmap->image.width());
    const int64_t t0 = std::max(ySrc, 0);
    const int64_t t1 = std::min<int64_t>(int64_t{ySrc} + srcHeight, bitmap->image.height());
    if (c0 >= c1 || t0 >= t1) {
        return true;
    }
    const double sx = static_cast<double>(destWidth) / srcWidth;
    const double sy = static_cast<double>(destHeight) / srcHeight;
    const QRectF target(static_cast<double>(xDest) + static_cast<double>(c0 - xSrc) * sx,
                        static_cast<double>(yDest) + static_cast<double>(t0 - ySrc) * sy,
                        static_cast<double>(c1 - c0) * sx, static_cast<double>(t1 - t0) * sy);
    drawImage(target, bitmap->image,
              QRectF(static_cast<double>(c0), static_cast<double>(t0), static_cast<double>(c1 - c0),
                     static_cast<double>(t1 - t0)),
              rop);
    return true;
}

QRect QtDeviceContext::visibleArea() const {
    const QPaintDevice* device = painter_.device();
    if (device == nullptr || !painter_.combinedTransform().isIdentity()) {
        return announced_;
    }
    QRect area(0, 0, device->width(), device->height());
    if (painter_.hasClipping()) {
        area &= painter_.clipBoundingRect().toAlignedRect();
    }
    return area & announced_;
}

void QtDeviceContext::beginRows(int32_t x, int32_t y, int32_t width, int32_t height) {
    endRows();
    // A rectangle whose far edge lies beyond the int range cannot be held in
    // a QRect; its rows are drawn one call at a time.
    if (!collectRows_ || width <= 0 || height <= 0 ||
        int64_t{x} + width > std::numeric_limits<int>::max() ||
        int64_t{y} + height > std::numeric_limits<int>::max()) {
        return;
    }
    announced_ = QRect(x, y, width, height);
    collected_ = visibleArea();
    if (!collected_.isEmpty()) {
        if (int64_t{collected_.width()} * collected_.height() > kMaxCollectedPixels) {
            return;
        }
        rows_ = QImage(collected_.size(), QImage::Format_RGB32);
        if (rows_.isNull()) {
            return;
        }
        rowSent_.assign(static_cast<std::size_t>(collected_.height()), false);
    }
    collecting_ = true;
}

void QtDeviceContext::endRows() {
    flushRows();
    collecting_ = false;
    rows_ = QImage();
    rowSent_.clear();
}

void QtDeviceContext::flushRows() {
    if (!collecting_ || rows_.isNull()) {
        return;
    }
    const int n = static_cast<int>(rowSent_.size());
    int start = -1;
    for (int k = 0; k <= n; ++k) {
        const bool sent = k < n && rowSent_[static_cast<std::size_t>(k)];
        if (sent && start < 0) {
            start = k;
        } else if (!sent && start >= 0) {
            const QRectF part(0, start, collected_.width(), k - start);
            drawImage(part.translated(collected_.topLeft()), rows_, part, RasterOp::SrcCopy);
            start = -1;
        }
    }
    std::fill(rowSent_.begin(), rowSent_.end(), false);
}

}  // namespace grimora
