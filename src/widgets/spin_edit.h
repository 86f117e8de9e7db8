// SPDX-License-Identifier: GPL-3.0-or-later
// A spin edit whose value is whatever its text reads as. Any text may be
// typed; a text that is not a number reads as the minimum, and a typed value
// beyond the range stays as it is until editing ends, when the field puts it
// back into the range. The arrows and arrow keys step within the range.
#pragma once

#include <QAbstractSpinBox>
#include <QString>

namespace grimora {

class SpinEdit : public QAbstractSpinBox {
    Q_OBJECT

public:
    // `decimals` is the fewest decimals shown: 0 for a whole-number field,
    // 1 for "1.0". Values with more decimals keep them.
    SpinEdit(double minimum, double maximum, double increment, int decimals,
             QWidget* parent = nullptr);

    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    double increment() const { return increment_; }

    // The current text read as a number (see above), not clamped.
    double value() const;
    // Shows `value` as the text; not clamped either.
    void setValue(double value);
    // The text for a value: at least `decimals` decimals, no more than needed.
    QString textFor(double value) const;

    // The arrows and arrow keys: a step, its text then selected.
    void stepBy(int steps) override;
    // A step from elsewhere (a key on another control): the text shows the
    // new value without being selected.
    void stepValue(int steps);
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    StepEnabled stepEnabled() const override;

protected:
    // Another window taking the focus (a message box about the text) does
    // not end the edit: the text must still be there when the user is back.
    void focusOutEvent(QFocusEvent* event) override;

signals:
    // Every change of the text: typing, stepping, setValue, correction.
    void changed();
    // The user ended editing (Enter, or the focus went to another control
    // of the window), before the text is brought into the range.
    void committed();

private:
    // Brings a text that is not a number or lies beyond the range back into
    // the range, when editing ends.
    void correct();

    double minimum_;
    double maximum_;
    double increment_;
    int decimals_;
    bool leavingWindow_ = false;
};

}  // namespace grimora
