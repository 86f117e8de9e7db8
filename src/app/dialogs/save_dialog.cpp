// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dialogs/save_dialog.h"

#include <string>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include "picture/file_target.h"

namespace grimora {

namespace {

// The extensions a file type's entry lists, without the "*.", in order.
QStringList ExtensionsOf(const QString& fileType) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    QStringList extensions;
    for (const QRegularExpressionMatch& match : pattern.globalMatch(fileType)) {
        extensions << match.captured(1);
    }
    return extensions;
}

}  // namespace

QStringList SaveFileTypes() {
    return {QStringLiteral("PNG picture (*.png)"), QStringLiteral("JPEG picture (*.jpg *.jpeg)"),
            QStringLiteral("Windows bitmap (*.bmp)"),
            QStringLiteral("TIFF picture (*.tif *.tiff)")};
}

QString SaveFileName(const QString& chosen, const QString& fileType) {
    return FileNameForType(chosen, fileType, SaveFileTypes());
}

QString FileNameForType(const QString& chosen, const QString& fileType, const QStringList& types) {
    QStringList written;
    for (const QString& type : types) {
        written << ExtensionsOf(type);
    }
    const QString suffix = QFileInfo(chosen).suffix();
    if (!suffix.isEmpty() && written.contains(suffix, Qt::CaseInsensitive)) {
        return chosen;
    }
    QStringList own = ExtensionsOf(fileType);
    if (own.isEmpty() && !types.isEmpty()) {
        own = ExtensionsOf(types.first());
    }
    QString name = chosen;
    if (!name.endsWith(QLatin1Char('.'))) {
        name += QLatin1Char('.');
    }
    return name + own.value(0);
}

SaveQuestion QuestionBeforeSaving(const QString& fileName, QString& text) {
    TargetInfo target;
    std::string error;
    if (!InspectTarget(QFile::encodeName(fileName).toStdString(), target, error)) {
        text = QString::fromStdString(error);
        return SaveQuestion::kCannotSave;
    }
    const QString shown = QDir::toNativeSeparators(fileName);
    if (target.writeProtected) {
        text =
            QStringLiteral("%1 is write-protected.\nDo you want to replace it anyway?").arg(shown);
        return SaveQuestion::kReplaceWriteProtected;
    }
    if (target.kind != TargetKind::kNew) {
        text = QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(shown);
        return SaveQuestion::kReplace;
    }
    text.clear();
    return SaveQuestion::kNone;
}

QFileDialog* MakeSaveDialog(QWidget* parent, const QString& folder) {
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QStringLiteral("SaveDialog1"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog->setSizeGripEnabled(true);
    dialog->setNameFilters(SaveFileTypes());
    dialog->setDirectory(folder);
    return dialog;
}

}  // namespace grimora
