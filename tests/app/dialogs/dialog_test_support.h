// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the dialog tests: settings kept away from the user's own, a
// patterned picture, and PDF pages turned into pixels.
#pragma once

#include <cstdint>

#include <QImage>
#include <QRect>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "picture/owned_dib.h"

namespace grimora {

// While it lives, QSettings of the user scope read and write a fresh
// temporary folder.
class ScratchSettings {
public:
    ScratchSettings() {
        EXPECT_TRUE(dir_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// A 24-bit picture whose pixels all differ from their neighbours, so that a
// shifted, flipped or truncated copy shows; up to 40 x 30 it is a smooth
// blend without wrapped values, which JPEG keeps close.
inline OwnedDib PatternPicture(int32_t width, int32_t height) {
    OwnedDib picture;
    EXPECT_TRUE(picture.make(width, height, 24));
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* row = picture->bits + static_cast<std::ptrdiff_t>(r) * picture->stride;
        for (int32_t x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 4 + r * 2);
            row[3 * x + 1] = static_cast<uint8_t>(40 + x * 3 + r * 4);
            row[3 * x + 2] = static_cast<uint8_t>(200 - x * 3 + r);
        }
    }
    return picture;
}

// A 24-bit picture of one colour (blue, green, red).
inline OwnedDib PlainPicture(int32_t width, int32_t height, uint8_t b, uint8_t g, uint8_t r) {
    OwnedDib picture;
    EXPECT_TRUE(picture.make(width, height, 24));
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = picture->bits + static_cast<std::ptrdiff_t>(y) * picture->stride;
        for (int32_t x = 0; x < width; ++x) {
            row[3 * x] = b;
            row[3 * x + 1] = g;
            row[3 * x + 2] = r;
        }
    }
    return picture;
}

// The first page of a PDF file at `dpi`, through pdftoppm; null when that
// fails (the failure is recorded).
QImage PdfPage(const QString& pdf, int dpi);

// The bounding box of the pixels for which `inside` holds; empty when none.
template <typename Pred>
QRect BoundingBox(const QImage& image, Pred inside) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (inside(image.pixel(x, y))) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// Strongly red: what the tests print.
inline bool Red(QRgb p) {
    return qRed(p) > 180 && qGreen(p) < 90 && qBlue(p) < 90;
}

}  // namespace grimora
