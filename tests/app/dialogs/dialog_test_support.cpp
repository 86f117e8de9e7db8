// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog_test_support.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace grimora {

QImage PdfPage(const QString& pdf, int dpi) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (tool.isEmpty()) {
        ADD_FAILURE() << "pdftoppm is missing: scripts/install-deps.sh installs poppler-utils";
        return {};
    }
    const QString stem = pdf + QStringLiteral(".page");
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
