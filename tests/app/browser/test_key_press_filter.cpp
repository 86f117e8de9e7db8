// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "app/browser/key_press_filter.h"

namespace grimora {
namespace {

void Type(QWidget* widget, Qt::Key key, const QString& text) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &event);
}

TEST(KeyPressFilter, HandsOnTypedCharactersAndSwallowsWhatTheHandlerZeroes) {
    QLineEdit edit;
    int returns = 0;
    QObject::connect(&edit, &QLineEdit::returnPressed, [&] { ++returns; });
    std::vector<int> seen;
    bool swallowEnter = true;
    new KeyPressFilter(&edit, [&](char& key) {
        seen.push_back(key);
        if (key == kEnterKey && swallowEnter) {
            key = 0;
        }
    });
    Type(&edit, Qt::Key_A, "a");
    Type(&edit, Qt::Key_Return, "\r");
    Type(&edit, Qt::Key_Enter, "\r");
    Type(&edit, Qt::Key_Left, "");
    EXPECT_EQ(edit.text(), "a");
    EXPECT_EQ(returns, 0);
    swallowEnter = false;
    Type(&edit, Qt::Key_Return, "\r");
    EXPECT_EQ(returns, 1);
    EXPECT_EQ(seen, (std::vector<int>{'a', 13, 13, 0, 13}));
}

}  // namespace
}  // namespace grimora
