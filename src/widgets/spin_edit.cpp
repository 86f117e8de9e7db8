// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/spin_edit.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <QFocusEvent>
#include <QLineEdit>

#include "editor/spin_text.h"

namespace grimora {

SpinEdit::SpinEdit(double minimum, double maximum, double increment, int decimals, QWidget* parent)
    : QAbstractSpinBox(parent),
      minimum_(minimum),
      maximum_(maximum),
      increment_(increment),
      decimals_(decimals) {
    // Corrections are ours (correct()); the base class must not undo text.
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::changed);
    connect(this, &QAbstractSpinBox::editingFinished, this, &SpinEdit::correct);
    setValue(minimum_);
}

double SpinEdit::value() const {
    return SpinEditValue(text().toStdString(), minimum_);
}

void SpinEdit::setValue(double value) {
    const QString newText = textFor(value);
    if (lineEdit()->text() != newText) {
        lineEdit()->setText(newText);
    }
}

QString SpinEdit::textFor(double value) const {
    // 15 significant digits hide the binary rounding of sums like 0.7 + 0.1.
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e'))) {
        text = QString::number(value, 'f', std::max(decimals_, 0));
    }
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const qsizetype shown = point < 0 ? 0 : text.size() - point - 1;
    if (shown < decimals_) {
        if (point < 0) {
            text += QLatin1Char('.');
        }
        text += QString(decimals_ - shown, QLatin1Char('0'));
    }
    return text;
}

void SpinEdit::stepBy(int steps) {
    stepValue(steps);
    selectAll();
}

void SpinEdit::stepValue(int steps) {
    const double stepped = value() + steps * increment_;
    // A step that overshoots lands on the end of the range.
    setValue(std::clamp(stepped, minimum_, maximum_));
}

QValidator::State SpinEdit::validate(QString& /*input*/, int& /*pos*/) const {
    return QValidator::Acceptable;
}

void SpinEdit::fixup(QString& /*input*/) const {}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
    const double current = value();
    StepEnabled enabled = StepNone;
    if (current < maximum_) {
        enabled |= StepUpEnabled;
    }
    if (current > minimum_) {
        enabled |= StepDownEnabled;
    }
    return enabled;
}

void SpinEdit::focusOutEvent(QFocusEvent* event) {
    leavingWindow_ =
        event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason;
    QAbstractSpinBox::focusOutEvent(event);
    leavingWindow_ = false;
}

void SpinEdit::correct() {
    if (leavingWindow_) {
        return;
    }
    emit committed();
    const std::string typed = text().toStdString();
    const double current = value();
    if (!ParseDecimalText(typed) || current < minimum_ || current > maximum_) {
        setValue(std::clamp(current, minimum_, maximum_));
    }
}

}  // namespace grimora
