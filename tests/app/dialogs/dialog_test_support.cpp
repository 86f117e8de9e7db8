// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog_test_support.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace grimora {

QImage PdfPage(const QString& pdf, int dpi) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (tool.isEmpty()) {
        ADD_FAILURE() << "pdftoppm is missing: scripts/install-deps.sh installs poppler-utils";
        return {};
    }
    // Beside the PDF only in a folder of our own: the print queue's PDF lies
    // in the user's home.
    const QTemporaryDir pages;
    if (!pages.isValid()) {
        ADD_FAILURE() << "no temporary folder for the page of " << pdf.toStdString();
        return {};
    }
    const QString stem = pages.filePath(QStringLiteral("page"));
    QProcess process;
    process.start(tool, {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                         QStringLiteral("-singlefile"), pdf, stem});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdftoppm failed on " << pdf.toStdString() << ": "
                      << process.readAllStandardError().toStdString();
        return {};
    }
    QImage page(stem + QStringLiteral(".png"));
    if (page.isNull()) {
        ADD_FAILURE() << "pdftoppm wrote no page for " << pdf.toStdString();
    }
    return page.convertToFormat(QImage::Format_RGB32);
}

}  // namespace grimora
