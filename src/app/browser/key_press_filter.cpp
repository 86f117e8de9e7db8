// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser/key_press_filter.h"

#include <utility>

#include <QKeyEvent>
#include <QWidget>

namespace grimora {

char TypedCharacter(const QKeyEvent& event) {
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        return kEnterKey;
    }
    const QString text = event.text();
    if (text.size() != 1 || text[0].unicode() > 0xFF) {
        return 0;
    }
    return static_cast<char>(text[0].unicode());
}

KeyPressFilter::KeyPressFilter(QWidget* control, std::function<void(char&)> handler)
    : QObject(control), handler_(std::move(handler)) {
    control->installEventFilter(this);
}

bool KeyPressFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        char key = TypedCharacter(*static_cast<QKeyEvent*>(event));
        const char typed = key;
        handler_(key);
        if (typed != 0 && key == 0) {
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace grimora
