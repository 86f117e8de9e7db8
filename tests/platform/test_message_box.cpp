// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/message_box.h"

namespace grimora {
namespace {

// Shows a real box and presses `button` (or Escape when NoButton) once it is up.
int answerBox(uint32_t flags, QMessageBox::StandardButton button, QMessageBox::Icon* icon,
              QString* caption) {
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        *icon = box->icon();
        *caption = box->windowTitle();
        if (button == QMessageBox::NoButton) {
            box->reject();
        } else if (QAbstractButton* pressed = box->button(button)) {
            pressed->click();
        } else {
            box->reject();
        }
    });
    return MessageBox(nullptr, QStringLiteral("Body"), QStringLiteral("Title"), flags);
}

TEST(MessageBoxTest, FlagsChooseButtonsAndIconAndTheButtonChosenIsTheAnswer) {
    struct Case {
        uint32_t flags;
        QMessageBox::StandardButton press;
        int answer;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {MB_OKCANCEL | MB_ICONINFORMATION, QMessageBox::Ok, IDOK, QMessageBox::Information},
        {MB_OKCANCEL | MB_ICONINFORMATION, QMessageBox::Cancel, IDCANCEL, QMessageBox::Information},
        {MB_OKCANCEL, QMessageBox::NoButton, IDCANCEL, QMessageBox::NoIcon},
        {MB_OK | MB_ICONERROR, QMessageBox::Ok, IDOK, QMessageBox::Critical},
        {MB_OK, QMessageBox::NoButton, IDOK, QMessageBox::NoIcon},
        {MB_YESNO | MB_ICONQUESTION, QMessageBox::No, IDNO, QMessageBox::Question},
        {MB_YESNO | MB_ICONWARNING, QMessageBox::Yes, IDYES, QMessageBox::Warning},
        // A button the flags did not ask for is not there: the box is closed.
        {MB_OK, QMessageBox::Cancel, IDOK, QMessageBox::NoIcon},
    };
    for (const Case& c : cases) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString caption;
        EXPECT_EQ(answerBox(c.flags, c.press, &icon, &caption), c.answer) << c.flags;
        EXPECT_EQ(icon, c.icon) << c.flags;
        EXPECT_EQ(caption, "Title");
    }
}

TEST(MessageBoxTest, AnAnswererTakesTheBoxAndTheOneBeforeComesBack) {
    std::vector<MessageBoxRequest> seen;
    ScopedMessageBoxAnswerer outer([&seen](const MessageBoxRequest& request) {
        seen.push_back(request);
        return IDOK;
    });
    {
        ScopedMessageBoxAnswerer inner([](const MessageBoxRequest&) { return IDCANCEL; });
        EXPECT_EQ(MessageBox(nullptr, "a", "b", MB_OKCANCEL), IDCANCEL);
    }
    EXPECT_EQ(MessageBox(nullptr, "Hereby", "Quit", MB_OKCANCEL | MB_ICONINFORMATION), IDOK);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Hereby");
    EXPECT_EQ(seen[0].caption, "Quit");
    EXPECT_EQ(seen[0].flags, 0x41u);
}

}  // namespace
}  // namespace grimora
