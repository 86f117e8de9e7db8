// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures of the main window's layout: tab icons, button glyphs, the
// image buttons' pictures, the tool bar's wallpaper, the save page's printer
// and the program icon. They are GIF and JPEG files compiled into the program
// (resources/, drawn by scripts/make-layout-pictures.sh) and decoded through
// our own imaging library, as every picture of the program is.
#pragma once

#include <QPixmap>
#include <QString>

namespace grimora {

// Sizes: tab icons, brush glyphs and the save and print glyphs 16 x 16;
// About and Quit 101 x 30; the wallpaper 1800 x 100; the printer 194 x 281;
// the web glyph 24 x 25; the program icon 64 x 64. The tab icons in the order
// of the tab image list: TabOpen, TabSave, TabEdit.
enum class LayoutPicture {
    TabOpen,
    TabSave,
    TabEdit,
    GrowingGlyph,
    GrowingGlyphDisabled,
    ShrinkingGlyph,
    ShrinkingGlyphDisabled,
    SmearGlyph,
    SmearGlyphDisabled,
    LuggingGlyph,
    LuggingGlyphDisabled,
    RubberGlyph,
    RubberGlyphDisabled,
    FreezeGlyph,
    FreezeGlyphDisabled,
    ThawGlyph,
    ThawGlyphDisabled,
    AboutNormal,
    AboutPressed,
    QuitNormal,
    QuitPressed,
    ToolbarWallpaper,
    Printer,
    WwwGlyph,
    SaveGlyph,
    PrintGlyph,
    AppIcon,
};

inline constexpr int kLayoutPictureCount = static_cast<int>(LayoutPicture::AppIcon) + 1;

// The decoded picture. Glyphs, tab icons and the program icon are drawn on a
// key colour, the colour of their bottom-left pixel, which comes out
// transparent; the other pictures are opaque. A picture that cannot be read
// gives a null pixmap and a warning on stderr: the window then lacks a
// decoration but still works. Needs the QGuiApplication.
QPixmap LayoutPixmap(LayoutPicture which);

// The about box's logo, 306 x 322, opaque; null (with a warning) when it
// cannot be read. Needs the QGuiApplication.
QPixmap AboutLogoPixmap();
inline constexpr const char* kAboutLogoPath = ":/layout/about_logo.jpg";

// The resource path of a picture, for messages and tests.
QString LayoutPicturePath(LayoutPicture which);

// What LayoutPixmap does with the file at `path` (a resource or any file);
// `keyed` makes the bottom-left pixel's colour transparent.
QPixmap DecodeLayoutPicture(const QString& path, bool keyed);

}  // namespace grimora
