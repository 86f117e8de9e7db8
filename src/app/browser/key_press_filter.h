// SPDX-License-Identifier: GPL-3.0-or-later
// Keys typed in a control, handed to the window's key-press handler as the
// character they type.
#pragma once

#include <functional>

#include <QObject>

class QKeyEvent;
class QWidget;

namespace grimora {

inline constexpr char kEnterKey = 13;

// The character a key event types: 13 for Return and Enter, the Latin-1
// character of its text otherwise, 0 for none.
char TypedCharacter(const QKeyEvent& event);

// Calls `handler` with the typed character of every key press on `control`;
// a handler that sets a nonzero character to 0 swallows the key.
class KeyPressFilter : public QObject {
public:
    KeyPressFilter(QWidget* control, std::function<void(char&)> handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(char&)> handler_;
};

}  // namespace grimora
