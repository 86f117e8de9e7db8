// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/layout_pictures.h"

#include <cstdint>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QtGlobal>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "platform/dib_image.h"

// The resources live in a static library; naming them here makes the linker
// keep them. Outside the namespace, as Qt's macro requires.
static void InitLayoutResources() {
    Q_INIT_RESOURCE(layout_pictures);
}

namespace grimora {
namespace {

struct Entry {
    const char* file;
    bool keyed;  // bottom-left colour transparent
};

Entry EntryOf(LayoutPicture which) {
    switch (which) {
        case LayoutPicture::TabOpen:
            return {"tab_open.gif", true};
        case LayoutPicture::TabSave:
            return {"tab_save.gif", true};
        case LayoutPicture::TabEdit:
            return {"tab_edit.gif", true};
        case LayoutPicture::GrowingGlyph:
            return {"glyph_growing.gif", true};
        case LayoutPicture::GrowingGlyphDisabled:
            return {"glyph_growing_disabled.gif", true};
        case LayoutPicture::ShrinkingGlyph:
            return {"glyph_shrinking.gif", true};
        case LayoutPicture::ShrinkingGlyphDisabled:
            return {"glyph_shrinking_disabled.gif", true};
        case LayoutPicture::SmearGlyph:
            return {"glyph_smear.gif", true};
        case LayoutPicture::SmearGlyphDisabled:
            return {"glyph_smear_disabled.gif", true};
        case LayoutPicture::LuggingGlyph:
            return {"glyph_lugging.gif", true};
        case LayoutPicture::LuggingGlyphDisabled:
            return {"glyph_lugging_disabled.gif", true};
        case LayoutPicture::RubberGlyph:
            return {"glyph_rubber.gif", true};
        case LayoutPicture::RubberGlyphDisabled:
            return {"glyph_rubber_disabled.gif", true};
        case LayoutPicture::FreezeGlyph:
            return {"glyph_freeze.gif", true};
        case LayoutPicture::FreezeGlyphDisabled:
            return {"glyph_freeze_disabled.gif", true};
        case LayoutPicture::ThawGlyph:
            return {"glyph_thaw.gif", true};
        case LayoutPicture::ThawGlyphDisabled:
            return {"glyph_thaw_disabled.gif", true};
        case LayoutPicture::AboutNormal:
            return {"about_normal.gif", false};
        case LayoutPicture::AboutPressed:
            return {"about_pressed.gif", false};
        case LayoutPicture::QuitNormal:
            return {"quit_normal.gif", false};
        case LayoutPicture::QuitPressed:
            return {"quit_pressed.gif", false};
        case LayoutPicture::ToolbarWallpaper:
            return {"toolbar_wallpaper.jpg", false};
        case LayoutPicture::Printer:
            return {"printer.jpg", false};
        case LayoutPicture::WwwGlyph:
            return {"glyph_www.gif", true};
        case LayoutPicture::SaveGlyph:
            return {"glyph_save.gif", true};
        case LayoutPicture::PrintGlyph:
            return {"glyph_print.gif", true};
        case LayoutPicture::AppIcon:
            return {"app_icon.gif", true};
    }
    return {"", false};
}

// Every pixel of the bottom-left pixel's colour becomes transparent.
QImage KeyedOut(const QImage& opaque) {
    QImage image = opaque.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] == key) {
                row[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return image;
}

}  // namespace

QString LayoutPicturePath(LayoutPicture which) {
    return QStringLiteral(":/layout/") + QString::fromLatin1(EntryOf(which).file);
}

QPixmap LayoutPixmap(LayoutPicture which) {
    [[maybe_unused]] static const bool registered = (InitLayoutResources(), true);
    return DecodeLayoutPicture(LayoutPicturePath(which), EntryOf(which).keyed);
}

QPixmap AboutLogoPixmap() {
    [[maybe_unused]] static const bool registered = (InitLayoutResources(), true);
    return DecodeLayoutPicture(QString::fromLatin1(kAboutLogoPath), false);
}

QPixmap DecodeLayoutPicture(const QString& path, bool keyed) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("Layout picture %s is missing from the program.", qUtf8Printable(path));
        return {};
    }
    const QByteArray data = file.readAll();
    Dib loaded;
    OpenDibFromMemory(loaded, reinterpret_cast<const uint8_t*>(data.constData()),
                      static_cast<std::size_t>(data.size()), ProgressCallback{});
    if (loaded.bits == nullptr) {
        qWarning("Layout picture %s could not be read: %s", qUtf8Printable(path), loaded.errorText);
        return {};
    }
    const OwnedDib picture(loaded);
    QImage image = DibToQImage(picture.get());
    if (image.isNull()) {
        qWarning("Layout picture %s has a form that cannot be shown.", qUtf8Printable(path));
        return {};
    }
    if (keyed) {
        image = KeyedOut(image);
    }
    return QPixmap::fromImage(image);
}

}  // namespace grimora
