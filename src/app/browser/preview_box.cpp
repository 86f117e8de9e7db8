// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser/preview_box.h"

#include <QPainter>

namespace grimora {

PreviewBox::PreviewBox(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DibPrevPaint"));
}

void PreviewBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    emit paintRequested(painter);
}

}  // namespace grimora
