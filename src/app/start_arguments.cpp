// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/start_arguments.h"

#include <QCommandLineParser>
#include <QDir>
#include <QUrl>

#include "app/main_form.h"

namespace grimora {

StartArguments ParseStartArguments(const QStringList& arguments, const QString& workingFolder) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Distorts photographs of faces."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A picture to open, or a folder to show."),
                                 QStringLiteral("[FILE | FOLDER]"));

    StartArguments start;
    // The parser wants the program's name first.
    if (!parser.parse(QStringList{QStringLiteral("grimora")} + arguments)) {
        start.exitCode = 2;
        start.message = parser.errorText();
        return start;
    }
    if (parser.isSet(help)) {
        start.exitCode = 0;
        start.message = parser.helpText();
        return start;
    }
    if (parser.isSet(version)) {
        start.exitCode = 0;
        start.message = QString::fromUtf8(kApplicationTitle);
        return start;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        start.exitCode = 2;
        start.message = QStringLiteral("Grimora opens one picture or folder at a time.");
        return start;
    }
    if (positional.isEmpty() || positional.front().isEmpty()) {
        return start;
    }
    QString path = positional.front();
    if (path.startsWith(QLatin1String("file:"))) {
        const QUrl url(path);
        // Another machine's file would read as a path of this one.
        const bool here = url.host().isEmpty() || url.host() == QLatin1String("localhost");
        path = here ? url.toLocalFile() : QString();
        if (path.isEmpty()) {
            start.exitCode = 2;
            start.message = QStringLiteral("Grimora opens files of this computer only.");
            return start;
        }
    }
    start.path = QDir::cleanPath(QDir(workingFolder).absoluteFilePath(path));
    return start;
}

}  // namespace grimora
