// SPDX-License-Identifier: GPL-3.0-or-later
// The plain panels of the main window's layout: a filled area with up to two
// one-pixel bevels, and optionally a tiled wallpaper instead of the fill.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QWidget>

class QLabel;

namespace grimora {

enum class Bevel { None, Raised, Lowered };

class Panel : public QWidget {
public:
    // `outer` is drawn at the edge, `inner` one pixel inside it.
    Panel(QWidget* parent, const QColor& colour, Bevel outer, Bevel inner);

    void setWallpaper(const QPixmap& wallpaper);
    // Pixels the bevels take at each edge.
    int bevelWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
    Bevel outer_;
    Bevel inner_;
    QPixmap wallpaper_;
};

// A box that asks its layout or splitter for a given size at first, so that a
// splitter starts with the widths of the layout and keeps them on resizing.
class SizedBox : public QWidget {
public:
    SizedBox(QWidget* parent, QSize hint) : QWidget(parent), hint_(hint) {}
    QSize sizeHint() const override { return hint_; }

private:
    QSize hint_;
};

// Colours of the layout.
inline const QColor kHeaderColour{240, 202, 166};
inline const QColor kSavePanelColour{192, 220, 192};
inline const QColor kMaroon{128, 0, 0};

// The window's own font (the application font at 8 points), bold.
QFont BoldFont(const QWidget& widget);

}  // namespace grimora
