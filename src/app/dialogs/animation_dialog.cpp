// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dialogs/animation_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

namespace grimora {

namespace {

QSpinBox* NumberEdit(QWidget* parent, const char* name, int minimum, int maximum, int value,
                     const QString& suffix) {
    auto* edit = new QSpinBox(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setRange(minimum, maximum);
    edit->setValue(value);
    edit->setSuffix(suffix);
    return edit;
}

}  // namespace

AnimationDialog::AnimationDialog(QWidget* parent, const AnimationSettings& settings)
    : QDialog(parent), initial_(settings) {
    setObjectName(QStringLiteral("AnimationDialog"));
    setWindowTitle(QStringLiteral("Save animation"));
    auto* form = new QFormLayout;
    frames_ = NumberEdit(this, "FramesEdit", 2, kMaxMorphFrames, settings.frames, QString());
    delay_ = NumberEdit(this, "DelayEdit", kMinFrameDelayMs, kMaxFrameDelayMs, settings.delayMs,
                        QStringLiteral(" ms"));
    side_ = NumberEdit(this, "SideEdit", kMinAnimationSide, kMaxAnimationSide, settings.longestSide,
                       QStringLiteral(" pixels"));
    pingPong_ = new QCheckBox(QStringLiteral("There and back again (ping-pong)"), this);
    pingPong_->setObjectName(QStringLiteral("PingPongCheck"));
    pingPong_->setChecked(settings.pingPong);
    type_ = new QComboBox(this);
    type_->setObjectName(QStringLiteral("TypeCombo"));
    type_->addItem(QStringLiteral("GIF animation (*.gif)"));
    type_->addItem(QStringLiteral("WebP animation (*.webp)"));
    form->addRow(QStringLiteral("Frames:"), frames_);
    form->addRow(QStringLiteral("Delay per frame:"), delay_);
    form->addRow(QStringLiteral("Longest side:"), side_);
    form->addRow(QString(), pingPong_);
    form->addRow(QStringLiteral("File type:"), type_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(buttons);
    setFixedSize(sizeHint());
}

AnimationSettings AnimationDialog::settings() const {
    AnimationSettings s = initial_;
    s.frames = frames_->value();
    s.delayMs = delay_->value();
    s.longestSide = side_->value();
    s.pingPong = pingPong_->isChecked();
    return s;
}

AnimationFormat AnimationDialog::format() const {
    return type_->currentIndex() == 1 ? AnimationFormat::Webp : AnimationFormat::Gif;
}

QString AnimationDialog::fileFilter() const {
    return type_->currentText();
}

QString AnimationDialog::extension() const {
    return format() == AnimationFormat::Webp ? QStringLiteral("webp") : QStringLiteral("gif");
}

}  // namespace grimora
