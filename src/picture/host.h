// SPDX-License-Identifier: GPL-3.0-or-later
// What the window-free core asks of the window around it. The program
// implements these with Qt; tests and the headless tool record or print.
#pragma once

#include <string>

namespace grimora {

// A modal message box with an OK button and the system's default title.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(const std::string& text) = 0;
};

}  // namespace grimora
