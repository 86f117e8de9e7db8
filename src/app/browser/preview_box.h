// SPDX-License-Identifier: GPL-3.0-or-later
// The preview DibPrevPaint: a paint box whose painting the window does.
#pragma once

#include <QWidget>

class QPainter;

namespace grimora {

// Paints nothing of its own: the panel behind it shows where the window's
// handler leaves the box undrawn.
class PreviewBox : public QWidget {
    Q_OBJECT

public:
    explicit PreviewBox(QWidget* parent = nullptr);

signals:
    // During a paint event: draw with `painter`.
    void paintRequested(QPainter& painter);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace grimora
