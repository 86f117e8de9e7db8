// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QTimer>

#include "app/main_form.h"
#include "platform/qt_screen_depth.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    grimora::InstallQtScreenDepth();
    QApplication::setApplicationName(QString::fromUtf8(grimora::kApplicationTitle));
    QApplication::setApplicationDisplayName(QString::fromUtf8(grimora::kApplicationTitle));

    grimora::TMainForm MainForm;
    MainForm.show();
    // Once the window is up: what a Grimora that ended without saving left.
    QTimer::singleShot(0, &MainForm, [&MainForm] { MainForm.offerRecovery(); });
    return QApplication::exec();
}
