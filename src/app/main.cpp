// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QMainWindow>

#include "platform/qt_screen_depth.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    grimora::InstallQtScreenDepth();
    QApplication::setApplicationName(QStringLiteral("Grimora 2.0"));
    QApplication::setApplicationDisplayName(QStringLiteral("Grimora 2.0"));

    QMainWindow window;
    window.setObjectName(QStringLiteral("MainForm"));
    window.setWindowTitle(QStringLiteral("Grimora 2.0"));
    window.resize(638, 512);
    window.show();
    return QApplication::exec();
}
