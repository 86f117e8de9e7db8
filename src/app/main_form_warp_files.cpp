// SPDX-License-Identifier: GPL-3.0-or-later
// The distortion as a file: the result page's warp buttons, the recovery
// copy written after steps, and the offer of a left copy at start.
#include <ctime>
#include <string>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

#include "app/dialogs/save_dialog.h"
#include "app/main_form.h"
#include "editor/warp_transfer.h"
#include "platform/message_box.h"
#include "warp/map_export.h"

namespace grimora {

namespace {

const QString kSaveWarpCaption = QStringLiteral("Save warp...");
const QString kLoadWarpCaption = QStringLiteral("Load warp...");
const QString kExportCaption = QStringLiteral("Export map...");
const QString kWarpType = QStringLiteral("Grimora warp (*.gwarp)");
const QString kPixelMapType = QStringLiteral("Pixel map, 32-bit float TIFF (*.tif *.tiff)");
const QString kStMapType = QStringLiteral("STMap, OpenEXR (*.exr)");
// Long enough after a step that a copy is not made between the strokes of
// quick work, short enough that little is lost.
constexpr int kRecoveryDelayMs = 3000;

std::string Local(const QString& fileName) {
    return QFile::encodeName(fileName).toStdString();
}

}  // namespace

void TMainForm::setUpWarpFiles() {
    warpFolder_ = executableFolder_;
    connect(SaveWarpBtn, &QPushButton::clicked, this, &TMainForm::SaveWarpBtnClick);
    connect(LoadWarpBtn, &QPushButton::clicked, this, &TMainForm::LoadWarpBtnClick);
    connect(ExportMapBtn, &QPushButton::clicked, this, &TMainForm::ExportMapBtnClick);
    recovery_ = std::make_unique<RecoveryKeeper>(RecoveryFolder());
    RecoveryTimer = new QTimer(this);
    RecoveryTimer->setObjectName(QStringLiteral("RecoveryTimer"));
    RecoveryTimer->setSingleShot(true);
    RecoveryTimer->setInterval(kRecoveryDelayMs);
    connect(RecoveryTimer, &QTimer::timeout, this, &TMainForm::RecoveryTimerTimer);
    chooseFolder_ = [this] {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Keep the warp file in"),
                                                 warpFolder_, QFileDialog::DontUseNativeDialog);
    };
}

QString TMainForm::askWarpFileName(const QString& caption, const QStringList& types, bool save) {
    strokes_->endStrokeHere();
    const QString folder = QFileInfo(warpFolder_).isDir() ? warpFolder_ : executableFolder_;
    QString type;
    const QFileDialog::Options options =
        QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite;
    QString fileName =
        save
            ? QFileDialog::getSaveFileName(this, caption, folder, types.join(";;"), &type, options)
            : QFileDialog::getOpenFileName(this, caption, folder, types.join(";;"), &type, options);
    if (fileName.isEmpty()) {
        return {};
    }
    if (save) {
        fileName = FileNameForType(fileName, type, types);
        if (QFileInfo::exists(fileName) &&
            MessageBox(this,
                       QStringLiteral("%1 already exists.\nDo you want to replace it?")
                           .arg(QDir::toNativeSeparators(fileName)),
                       caption, MB_YESNO | MB_ICONWARNING) != IDYES) {
            return {};
        }
    }
    warpFolder_ = QFileInfo(fileName).absolutePath();
    return fileName;
}

void TMainForm::SaveWarpBtnClick() {
    const QString fileName = askWarpFileName(kSaveWarpCaption, {kWarpType}, true);
    if (!fileName.isEmpty()) {
        saveWarp(fileName);
    }
}

void TMainForm::LoadWarpBtnClick() {
    const QString fileName =
        askWarpFileName(kLoadWarpCaption, {kWarpType, QStringLiteral("All files (*)")}, false);
    if (!fileName.isEmpty()) {
        loadWarp(fileName);
    }
}

void TMainForm::ExportMapBtnClick() {
    const QString fileName = askWarpFileName(kExportCaption, {kPixelMapType, kStMapType}, true);
    if (!fileName.isEmpty()) {
        exportMap(fileName);
    }
}

bool TMainForm::saveWarp(const QString& fileName) {
    strokes_->endStrokeHere();
    std::string error;
    if (!SaveSessionWarp(*session_, Local(fileName), error)) {
        MessageBox(this, QString::fromStdString(error), kSaveWarpCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    // Kept now; the next step makes it unsaved again.
    RecoveryTimer->stop();
    recovery_->discard();
    return true;
}

bool TMainForm::loadWarp(const QString& fileName) {
    strokes_->endStrokeHere();
    WarpForPicture warp;
    std::string error;
    if (!ReadWarpForPicture(Local(fileName), *session_, warp, error)) {
        MessageBox(this, QString::fromStdString(error), kLoadWarpCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    if ((warp.otherSize || warp.otherName) &&
        MessageBox(this, QString::fromStdString(OtherPictureQuestion(warp, *session_)),
                   kLoadWarpCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return false;
    }
    switch (ApplyWarp(*session_, warp)) {
        case WarpApplied::NoMemory:
            MessageBox(this,
                       QStringLiteral("There is not enough memory to load the warp. The "
                                      "distortion stays as it was."),
                       kLoadWarpCaption, MB_OK | MB_ICONWARNING);
            return false;
        case WarpApplied::NoChange:
            return true;
        case WarpApplied::Step:
            break;
    }
    strokes_->fieldStepRecorded();
    return true;
}

bool TMainForm::exportMap(const QString& fileName) {
    strokes_->endStrokeHere();
    std::string error;
    if (!ExportMap(session_->field(), Local(fileName), error)) {
        MessageBox(this, QString::fromStdString(error), kExportCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

void TMainForm::RecoveryTimerTimer() {
    // The copy is taken between strokes, never while a painting step waits.
    if (session_->strokeOpen()) {
        RecoveryTimer->start();
        return;
    }
    if (std::optional<RecoverySnapshot> snapshot = recovery_->snapshot(*session_)) {
        recovery_->keep(std::move(*snapshot));
    }
}

void TMainForm::offerRecovery() {
    const QString caption = QString::fromUtf8(kApplicationTitle);
    for (const LeftCopy& copy : recovery_->leftBehind()) {
        RecoveryOffer offer;
        if (!ExamineLeftCopy(copy, std::time(nullptr), offer)) {
            recovery_->forget(copy);  // a copy that cannot be read saves nothing
            continue;
        }
        const int answer = MessageBox(this, QString::fromStdString(offer.question), caption,
                                      MB_YESNO | MB_ICONQUESTION);
        if (answer != IDYES) {
            recovery_->forget(copy);
            continue;
        }
        switch (offer.picture) {
            case LeftPicture::Unchanged:
            case LeftPicture::StartUp: {
                const QString picture = QString::fromStdString(offer.warp.origin.picturePath);
                if (offer.picture == LeftPicture::Unchanged && !openfilenow(picture)) {
                    continue;  // the box said why; the copy stays for the next start
                }
                WarpForPicture warp;
                warp.file = std::move(offer.warp);
                if (warp.file.field.width() != session_->width() ||
                    warp.file.field.height() != session_->height()) {
                    recovery_->forget(copy);  // made for no picture that is here
                    continue;
                }
                if (ApplyWarp(*session_, warp) == WarpApplied::NoMemory) {
                    continue;
                }
                strokes_->fieldStepRecorded();
                // Still unsaved: this Grimora's own copy takes its place.
                RecoveryTimerTimer();
                recovery_->forget(copy);
                break;
            }
            case LeftPicture::Changed:
            case LeftPicture::Gone: {
                const QString folder = chooseFolder_();
                if (folder.isEmpty()) {
                    continue;  // asked again at the next start
                }
                std::string written;
                std::string error;
                if (!RecoveryKeeper::keepLeftCopy(offer, Local(folder), written, error)) {
                    MessageBox(this, QString::fromStdString(error), caption, MB_OK | MB_ICONERROR);
                    continue;
                }
                recovery_->forget(copy);
                break;
            }
        }
    }
}

}  // namespace grimora
