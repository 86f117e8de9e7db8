// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/message_box.h"

#include <utility>

#include <QMessageBox>
#include <QPushButton>

namespace grimora {

namespace {

MessageBoxAnswerer& installedAnswerer() {
    static MessageBoxAnswerer answerer;
    return answerer;
}

QMessageBox::Icon iconFor(uint32_t flags) {
    switch (flags & 0xF0) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

int MessageBox(QWidget* parent, const QString& text, const QString& caption, uint32_t flags) {
    if (const MessageBoxAnswerer& answerer = installedAnswerer()) {
        return answerer({parent, text, caption, flags});
    }
    QMessageBox box(iconFor(flags), caption, text, QMessageBox::NoButton, parent);
    struct Choice {
        QMessageBox::StandardButton button;
        int answer;
    };
    Choice choices[2] = {{QMessageBox::Ok, IDOK}, {QMessageBox::NoButton, 0}};
    int escapeAnswer = IDOK;
    switch (flags & 0x0F) {
        case MB_OKCANCEL:
            choices[1] = {QMessageBox::Cancel, IDCANCEL};
            escapeAnswer = IDCANCEL;
            break;
        case MB_YESNO:
            choices[0] = {QMessageBox::Yes, IDYES};
            choices[1] = {QMessageBox::No, IDNO};
            escapeAnswer = IDNO;
            break;
        default:
            break;
    }
    for (const Choice& choice : choices) {
        if (choice.button != QMessageBox::NoButton) {
            box.addButton(choice.button);
        }
    }
    box.setDefaultButton(choices[0].button);
    box.exec();
    for (const Choice& choice : choices) {
        if (choice.button != QMessageBox::NoButton &&
            box.clickedButton() == box.button(choice.button)) {
            return choice.answer;
        }
    }
    return escapeAnswer;
}

ScopedMessageBoxAnswerer::ScopedMessageBoxAnswerer(MessageBoxAnswerer answerer)
    : previous_(std::exchange(installedAnswerer(), std::move(answerer))) {}

ScopedMessageBoxAnswerer::~ScopedMessageBoxAnswerer() {
    installedAnswerer() = std::move(previous_);
}

}  // namespace grimora
