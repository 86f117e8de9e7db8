// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QTimer>

#include "app/main_form.h"
#include "app/start_arguments.h"
#include "platform/qt_screen_depth.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    grimora::InstallQtScreenDepth();
    // No display name: Qt would add it to the title of every other window.
    QApplication::setApplicationName(QString::fromUtf8(grimora::kApplicationTitle));
    // The desktop entry's name, so that the desktop gives the window its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("grimora"));

    const grimora::StartArguments start =
        grimora::ParseStartArguments(QCoreApplication::arguments().mid(1), QDir::currentPath());
    if (start.exitCode >= 0) {
        QString text = start.message;
        if (!text.endsWith(QLatin1Char('\n'))) {
            text += QLatin1Char('\n');
        }
        std::fputs(qPrintable(text), start.exitCode == 0 ? stdout : stderr);
        return start.exitCode;
    }

    grimora::TMainForm MainForm;
    MainForm.show();
    if (!start.path.isEmpty()) {
        // Once the window is up, so that the load's progress and messages
        // have it behind them.
        QTimer::singleShot(0, &MainForm, [&MainForm, &start] { MainForm.openPath(start.path); });
    }
    return QApplication::exec();
}
