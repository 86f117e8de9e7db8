// SPDX-License-Identifier: GPL-3.0-or-later
// The options of "Save animation...": frames, delay, there and back again,
// longest side and file type.
#pragma once

#include <QDialog>
#include <QString>

#include "editor/animation_export.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace grimora {

class AnimationDialog : public QDialog {
    Q_OBJECT

public:
    // Starts with `settings` (its smooth switch is kept as it is) and GIF.
    AnimationDialog(QWidget* parent, const AnimationSettings& settings);

    AnimationSettings settings() const;
    AnimationFormat format() const;
    // The file dialog's filter and the extension added to a bare name.
    QString fileFilter() const;
    QString extension() const;

    QSpinBox* framesEdit() const { return frames_; }
    QSpinBox* delayEdit() const { return delay_; }
    QSpinBox* sideEdit() const { return side_; }
    QCheckBox* pingPongCheck() const { return pingPong_; }
    QComboBox* typeCombo() const { return type_; }

private:
    AnimationSettings initial_;
    QSpinBox* frames_ = nullptr;
    QSpinBox* delay_ = nullptr;
    QSpinBox* side_ = nullptr;
    QCheckBox* pingPong_ = nullptr;
    QComboBox* type_ = nullptr;
};

}  // namespace grimora
