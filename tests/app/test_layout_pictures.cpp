// SPDX-License-Identifier: GPL-3.0-or-later
#include <set>

#include <QImage>
#include <QPixmap>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include "app/layout_pictures.h"

namespace grimora {
namespace {

struct Expectation {
    LayoutPicture which;
    QSize size;
    bool transparentBackground;
};

TEST(LayoutPictures, EveryPictureDecodesAtItsSizeAndShowsSomething) {
    using P = LayoutPicture;
    const QSize glyph(16, 16);
    const Expectation all[] = {
        {P::TabOpen, glyph, true},
        {P::TabSave, glyph, true},
        {P::TabEdit, glyph, true},
        {P::GrowingGlyph, glyph, true},
        {P::GrowingGlyphDisabled, glyph, true},
        {P::ShrinkingGlyph, glyph, true},
        {P::ShrinkingGlyphDisabled, glyph, true},
        {P::SmearGlyph, glyph, true},
        {P::SmearGlyphDisabled, glyph, true},
        {P::LuggingGlyph, glyph, true},
        {P::LuggingGlyphDisabled, glyph, true},
        {P::RubberGlyph, glyph, true},
        {P::RubberGlyphDisabled, glyph, true},
        {P::FreezeGlyph, glyph, true},
        {P::FreezeGlyphDisabled, glyph, true},
        {P::ThawGlyph, glyph, true},
        {P::ThawGlyphDisabled, glyph, true},
        {P::AboutNormal, {101, 30}, false},
        {P::AboutPressed, {101, 30}, false},
        {P::QuitNormal, {101, 30}, false},
        {P::QuitPressed, {101, 30}, false},
        {P::ToolbarWallpaper, {1800, 100}, false},
        {P::Printer, {194, 281}, false},
        {P::WwwGlyph, {24, 25}, true},
        {P::SaveGlyph, glyph, true},
        {P::PrintGlyph, glyph, true},
        {P::AppIcon, {64, 64}, true},
    };
    ASSERT_EQ(std::size(all), static_cast<std::size_t>(kLayoutPictureCount));

    for (const Expectation& e : all) {
        SCOPED_TRACE(LayoutPicturePath(e.which).toStdString());
        const QPixmap pixmap = LayoutPixmap(e.which);
        ASSERT_FALSE(pixmap.isNull());
        ASSERT_EQ(pixmap.size(), e.size);
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);

        std::set<QRgb> colours;
        int transparent = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) == 0) {
                    ++transparent;
                } else {
                    colours.insert(p);
                }
            }
        }
        // Not blank: a drawing (disabled glyphs are two greys) that covers a
        // good part of it.
        EXPECT_GE(colours.size(), 2u);
        const int area = image.width() * image.height();
        EXPECT_GE(area - transparent, area / 8);
        if (e.transparentBackground) {
            EXPECT_EQ(qAlpha(image.pixel(0, image.height() - 1)), 0);
            EXPECT_GT(transparent, 0);
        } else {
            EXPECT_EQ(transparent, 0);
        }
    }
}

TEST(LayoutPictures, NormalAndDisabledGlyphsDiffer) {
    using P = LayoutPicture;
    const std::pair<P, P> pairs[] = {
        {P::GrowingGlyph, P::GrowingGlyphDisabled},
        {P::ShrinkingGlyph, P::ShrinkingGlyphDisabled},
        {P::SmearGlyph, P::SmearGlyphDisabled},
        {P::LuggingGlyph, P::LuggingGlyphDisabled},
        {P::RubberGlyph, P::RubberGlyphDisabled},
        {P::AboutNormal, P::AboutPressed},
        {P::QuitNormal, P::QuitPressed},
    };
    for (const auto& [normal, other] : pairs) {
        SCOPED_TRACE(LayoutPicturePath(other).toStdString());
        EXPECT_NE(LayoutPixmap(normal).toImage(), LayoutPixmap(other).toImage());
    }
}

TEST(LayoutPictures, AnUnreadableFileGivesANullPixmap) {
    EXPECT_TRUE(DecodeLayoutPicture(QStringLiteral(":/layout/no_such.gif"), true).isNull());
    QTemporaryFile broken;
    ASSERT_TRUE(broken.open());
    // A GIF signature and then nothing that decodes.
    broken.write("GIF89a\x10\x00\x10\x00\xF7\x00\x00", 13);
    broken.close();
    EXPECT_TRUE(DecodeLayoutPicture(broken.fileName(), false).isNull());
}

}  // namespace
}  // namespace grimora
