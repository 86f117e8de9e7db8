// SPDX-License-Identifier: GPL-3.0-or-later
// The keys and the wheel that a user of other image programs reaches for:
// brushes, radius and strength from the keyboard on the editing view, zoom
// by Ctrl and the wheel about the pointer, fitting, saving and printing.
#include <cmath>
#include <string>

#include <QKeyEvent>
#include <QKeySequence>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QString>
#include <QToolButton>

#include "app/main_form.h"
#include "editor/device_pixels.h"
#include "editor/views/edit_canvas.h"
#include "widgets/spin_edit.h"

namespace grimora {

void TMainForm::setUpKeys() {
    const auto shortcut = [this](const QKeySequence& keys, void (TMainForm::*slot)()) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, slot);
    };
    // From any page. A stroke under way ends first: the dialog takes the
    // mouse, and its release would never reach the view.
    const auto dialog = [this](void (TMainForm::*open)()) {
        return [this, open] {
            strokes_->endStrokeHere();
            (this->*open)();
        };
    };
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this), &QShortcut::activated, this,
            dialog(&TMainForm::SaveAsBtnClick));
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this), &QShortcut::activated, this,
            dialog(&TMainForm::PrintBtnClick));
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), &TMainForm::ZoomToFit);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_1), &TMainForm::ZoomToOne);
    connect(PaintBox1, &EditCanvas::mouseLeft, this, [this] { strokes_->PaintBox1MouseLeave(); });
    PaintBox1->installEventFilter(this);
}

bool TMainForm::editingKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        return false;
    }
    const int key = event.key();
    if (key >= Qt::Key_1 && key <= Qt::Key_9) {
        const int index = key - Qt::Key_1;
        if (index >= BrushButtons.size()) {
            return false;
        }
        BrushButtons[index]->click();
        return true;
    }
    // Shift+[ types "{" on many keyboards.
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool down = key == Qt::Key_BracketLeft || key == Qt::Key_BraceLeft;
    const bool up = key == Qt::Key_BracketRight || key == Qt::Key_BraceRight;
    if (!down && !up) {
        return false;
    }
    SpinEdit* field =
        shift || key == Qt::Key_BraceLeft || key == Qt::Key_BraceRight ? StarkED : RadiusED;
    field->stepValue(up ? 1 : -1);
    return true;
}

void TMainForm::ZoomToFit() {
    const double r = PaintBox1->ratio();
    const QSize area = ScrollBox1->maximumViewportSize();
    const std::string text =
        FitZoomText(session_->width(), session_->height(), DevicePixelAt(area.width(), r),
                    DevicePixelAt(area.height(), r));
    // Read in the C locale, whatever the user's: the text has a point.
    ZoomEd->setValue(QString::fromStdString(text).toDouble());
}

void TMainForm::ZoomToOne() {
    ZoomEd->setValue(1.0);
}

void TMainForm::zoomAbout(int steps, QPointF viewportPoint) {
    QWidget* viewport = ScrollBox1->viewport();
    if (!viewport->rect().contains(viewportPoint.toPoint())) {
        viewportPoint = QRectF(viewport->rect()).center();
    }
    QScrollBar* h = ScrollBox1->horizontalScrollBar();
    QScrollBar* v = ScrollBox1->verticalScrollBar();
    const double r = PaintBox1->ratio();
    // The point under the pointer in picture pixels, fractions kept.
    const ZoomRatio before = session_->zoom();
    const double x = (viewportPoint.x() + h->value()) * r * before.denominator / before.numerator;
    const double y = (viewportPoint.y() + v->value()) * r * before.denominator / before.numerator;
    ZoomEd->stepValue(steps);
    const ZoomRatio after = session_->zoom();
    if (after == before) {
        return;
    }
    h->setValue(static_cast<int>(
        std::lround(x * after.numerator / after.denominator / r - viewportPoint.x())));
    v->setValue(static_cast<int>(
        std::lround(y * after.numerator / after.denominator / r - viewportPoint.y())));
}

void TMainForm::scrollSideways(int steps) {
    if (QScrollArea* area = wheelTarget()) {
        QScrollBar* bar = area->horizontalScrollBar();
        bar->setValue(bar->value() - steps * kWheelScrollStep);
    }
}

}  // namespace grimora
