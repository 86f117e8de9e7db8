// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/panel.h"

#include <QPainter>

namespace grimora {

namespace {

const QColor kBevelLight{255, 255, 255};
const QColor kBevelShadow{128, 128, 128};

void drawBevel(QPainter& painter, const QRect& rect, Bevel bevel) {
    if (bevel == Bevel::None || rect.width() < 2 || rect.height() < 2) {
        return;
    }
    const QColor topLeft = bevel == Bevel::Raised ? kBevelLight : kBevelShadow;
    const QColor bottomRight = bevel == Bevel::Raised ? kBevelShadow : kBevelLight;
    painter.setPen(topLeft);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

}  // namespace

Panel::Panel(QWidget* parent, const QColor& colour, Bevel outer, Bevel inner)
    : QWidget(parent), colour_(colour), outer_(outer), inner_(inner) {}

void Panel::setWallpaper(const QPixmap& wallpaper) {
    wallpaper_ = wallpaper;
    update();
}

int Panel::bevelWidth() const {
    return (outer_ != Bevel::None ? 1 : 0) + (inner_ != Bevel::None ? 1 : 0);
}

void Panel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (!wallpaper_.isNull()) {
        painter.drawTiledPixmap(rect(), wallpaper_);
    } else {
        painter.fillRect(rect(), colour_);
    }
    drawBevel(painter, rect(), outer_);
    const int offset = outer_ != Bevel::None ? 1 : 0;
    drawBevel(painter, rect().adjusted(offset, offset, -offset, -offset), inner_);
}

QFont BoldFont(const QWidget& widget) {
    QFont font = widget.font();
    font.setBold(true);
    return font;
}

}  // namespace grimora
