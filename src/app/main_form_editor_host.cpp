// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the editing view's host: forwards the stroke's drawing,
// timer and capture to the views.
#include <string>

#include <QCheckBox>
#include <QLineEdit>
#include <QString>
#include <QTimer>
#include <QToolButton>

#include "app/browser/preview_box.h"
#include "app/main_form.h"
#include "editor/views/edit_canvas.h"
#include "editor/views/progress_status_bar.h"
#include "editor/views/result_view.h"
#include "picture/dib_queries.h"
#include "platform/message_box.h"

namespace grimora {

void TMainForm::showMessage(const std::string& text) {
    MessageBox(this, QString::fromStdString(text), QString::fromUtf8(kApplicationTitle), MB_OK);
}

void TMainForm::captureMouse() {
    PaintBox1->captureMouse();
}

void TMainForm::releaseMouse() {
    PaintBox1->releaseMouse();
}

void TMainForm::setTimerEnabled(bool enabled) {
    if (enabled) {
        Timer1->start();
    } else {
        Timer1->stop();
    }
}

void TMainForm::drawOutline(const OutlineRect& rect) {
    PaintBox1->drawOutline(rect);
}

void TMainForm::eraseOutline(const OutlineRect& rect) {
    PaintBox1->eraseOutline(rect);
}

void TMainForm::drawPicture() {
    PaintBox1->drawPicture();
}

void TMainForm::drawPictureRect(const DabRect& pictureRect) {
    updateFolds(pictureRect);
    PaintBox1->drawPictureRect(pictureRect);
}

void TMainForm::historyChanged() {
    // Before setUpWarpFiles at start-up: nothing to keep yet.
    if (RecoveryTimer != nullptr && !session_->strokeOpen()) {
        RecoveryTimer->start();
        recovery_->prepare(session_->width(), session_->height());
    }
    UndoBtn->setEnabled(session_->canUndo());
    RedoBtn->setEnabled(session_->canRedo());
    // An undo or redo from the result page changes what it shows.
    ErgPaintBox->update();
}

void TMainForm::oldestStepsDropped() {
    StatusBar1->showNotice(QString::fromUtf8(kOldestStepsDropped));
}

void TMainForm::pictureReplaced() {
    ErgPaintBox->setPicture(&session_->result());
    showPictureInfo();
}

void TMainForm::showPictureInfo() {
    const Dib& source = session().source();
    if (session().origin().empty()) {
        // The start-up picture: the boxes as the window first showed them.
        Breit->setText(startWidth_);
        Hoch->setText(startHeight_);
        Tief->setText(startColours_);
    } else {
        Breit->setText(QString::number(DibWidth(source)) + QStringLiteral(" Pixel"));
        Hoch->setText(QString::number(DibHeight(source)) + QStringLiteral(" Pixel"));
        Tief->setText(QString::number(zweihoch(DibBitCount(source))));
    }
    DibPrevPaint->repaint();
    // Another picture: its own folds, and the views as they were set.
    if (ShowFoldsCheck->isChecked()) {
        rebuildFolds();
    }
    viewOptionsChanged();
}

void TMainForm::setViewSize(int64_t width, int64_t height) {
    // Called after every change of the zoom ratio or the picture.
    PaintBox1->setPicture(&session_->result(), session_->zoom());
    PaintBox1->setViewSize(width, height);
}

}  // namespace grimora
