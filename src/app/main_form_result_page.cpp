// SPDX-License-Identifier: GPL-3.0-or-later
// The result page and the bottom bar's dialogs: saving, printing, the
// smooth switch, saving the animation, the about box.
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QString>

#include "app/dialogs/about_box.h"
#include "app/dialogs/animation_dialog.h"
#include "app/dialogs/background_save.h"
#include "app/dialogs/print_form.h"
#include "app/dialogs/print_picture.h"
#include "app/dialogs/save_dialog.h"
#include "app/main_form.h"
#include "editor/views/result_view.h"
#include "picture/picture_writer.h"
#include "platform/message_box.h"

namespace grimora {

namespace {

const QString kSaveCaption = QStringLiteral("Save picture as...");
const QString kPrintCaption = QStringLiteral("Print picture...");
const QString kAnimationCaption = QStringLiteral("Save animation...");

}  // namespace

void TMainForm::setUpResultPage() {
    saveFolder_ = executableFolder_;
    connect(SaveAsBtn, &QPushButton::clicked, this, &TMainForm::SaveAsBtnClick);
    connect(PrintBtn, &QPushButton::clicked, this, &TMainForm::PrintBtnClick);
    connect(SmoothCheck, &QCheckBox::clicked, this, &TMainForm::SmoothCheckClick);
    connect(EditSmoothCheck, &QCheckBox::clicked, this, &TMainForm::EditSmoothCheckClick);
    connect(SaveAnimBtn, &QPushButton::clicked, this, &TMainForm::SaveAnimBtnClick);
}

void TMainForm::SmoothCheckClick() {
    setSmooth(SmoothCheck->isChecked());
}

void TMainForm::EditSmoothCheckClick() {
    setSmooth(EditSmoothCheck->isChecked());
}

void TMainForm::setSmooth(bool smooth) {
    SmoothCheck->setChecked(smooth);
    EditSmoothCheck->setChecked(smooth);
    session_->setSmooth(smooth, *this);
    strokes_->PaintBox1Paint();
    ErgPaintBox->setPicture(&session_->result());
}

void TMainForm::SaveAnimBtnClick() {
    AnimationDialog options(this, animationSettings_);
    if (options.exec() != QDialog::Accepted) {
        return;
    }
    animationSettings_ = options.settings();
    QFileDialog files(this, kAnimationCaption,
                      QFileInfo(saveFolder_).isDir() ? saveFolder_ : executableFolder_);
    files.setObjectName(QStringLiteral("AnimationFileDialog"));
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setNameFilter(options.fileFilter());
    files.setDefaultSuffix(options.extension());
    if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) {
        return;
    }
    const QString fileName = files.selectedFiles().first();
    if (saveAnimation(fileName, animationSettings_)) {
        saveFolder_ = QFileInfo(fileName).absolutePath();
    }
}

bool TMainForm::saveAnimation(const QString& fileName, AnimationSettings settings) {
    settings.smooth = session_->smooth();
    std::string error;
    const bool saved = SaveMorphAnimation(
        session_->source(), session_->field(), settings, QFile::encodeName(fileName).toStdString(),
        [this](int32_t percent) { SetProStatus(percent); }, error);
    SetProStatus(0);
    if (!saved) {
        MessageBox(this, QString::fromStdString(error), kAnimationCaption, MB_OK | MB_ICONERROR);
    }
    return saved;
}

void TMainForm::SaveAsBtnClick() {
    // Made at its first use and kept with the window from then on.
    if (SaveDialog1 == nullptr) {
        SaveDialog1 = MakeSaveDialog(this, saveFolder_);
    }
    // A folder saved in last may have gone since; the dialog would then show
    // an empty list in a folder that no save can go to.
    SaveDialog1->setDirectory(QFileInfo(saveFolder_).isDir() ? saveFolder_ : executableFolder_);
    for (;;) {
        if (SaveDialog1->exec() != QDialog::Accepted || SaveDialog1->selectedFiles().isEmpty()) {
            return;
        }
        const QFileInfo chosen(SaveDialog1->selectedFiles().first());
        const QString fileName = SaveFileName(chosen.filePath(), SaveDialog1->selectedNameFilter());
        // Asked here rather than by the dialog, which would ask about the
        // name before its extension was added. A name that cannot be saved
        // to is said so, and the dialog comes back.
        QString question;
        const SaveQuestion asked = QuestionBeforeSaving(fileName, question);
        if (asked == SaveQuestion::kCannotSave) {
            MessageBox(this, question, kSaveCaption, MB_OK | MB_ICONERROR);
        }
        if (asked == SaveQuestion::kCannotSave ||
            (asked != SaveQuestion::kNone &&
             MessageBox(this, question, kSaveCaption, MB_YESNO | MB_ICONWARNING) != IDYES)) {
            // Back in the folder of that name, which a name typed as a path
            // may not have shown, with the name as the user typed it.
            SaveDialog1->setDirectory(chosen.absolutePath());
            SaveDialog1->selectFile(chosen.fileName());
            continue;
        }
        if (saveResult(fileName, asked == SaveQuestion::kReplaceWriteProtected)) {
            saveFolder_ = QFileInfo(fileName).absolutePath();
        }
        return;
    }
}

bool TMainForm::saveResult(const QString& fileName, bool replaceWriteProtected) {
    const std::string path = QFile::encodeName(fileName).toStdString();
    const WriteProtection protection =
        replaceWriteProtected ? WriteProtection::kReplace : WriteProtection::kRefuse;
    std::string error;
    const bool saved = WriteInBackground(
        session_->result(),
        [&path, &error, protection](const Dib& picture, const ProgressCallback& progress) {
            return SavePicture(picture, path, error, kDefaultJpegQuality, progress, protection);
        },
        [this](int percent) { SetProStatus(percent); });
    SetProStatus(0);
    if (!saved) {
        if (error.empty()) {
            error = "Cannot write " + path + ".";
        }
        MessageBox(this, QString::fromStdString(error), kSaveCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

QPrinter& TMainForm::printer() {
    if (printerHolder_ == nullptr) {
        printerHolder_ = new PrinterHolder(this);
    }
    return printerHolder_->printer();
}

void TMainForm::PrintBtnClick() {
    TPrintForm form(this, session_->result(), printer());
    if (form.exec() != QDialog::Accepted) {
        return;
    }
    QString error;
    if (!PrintPicture(printer(), session_->result(), form.options(), *this, error)) {
        MessageBox(this, error, kPrintCaption, MB_OK | MB_ICONERROR);
    }
}

void TMainForm::ueberbtnClick() {
    // Made for this click, with this moment's year, and gone after it.
    TAboutBox about(this);
    about.exec();
}

}  // namespace grimora
