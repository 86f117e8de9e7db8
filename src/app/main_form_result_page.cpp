// SPDX-License-Identifier: GPL-3.0-or-later
// The result page and the bottom bar's dialogs: saving, printing, the about box.
#include <QDialog>
#include <QString>

#include "app/main_form.h"

namespace grimora {

void TMainForm::setUpResultPage() {}

void TMainForm::ueberbtnClick() {
    // Stands in for the about box: made for this click, gone after it.
    QDialog about(this);
    about.setWindowTitle(QStringLiteral("Info"));
    about.resize(300, 200);
    about.exec();
}

}  // namespace grimora
