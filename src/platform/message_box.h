// SPDX-License-Identifier: GPL-3.0-or-later
// Modal message boxes with the flags and answers that the rest of the program
// speaks in. Tests install an answerer, so that no modal loop runs.
#pragma once

#include <cstdint>
#include <functional>

#include <QString>

class QWidget;

namespace grimora {

// Buttons (the low four bits).
inline constexpr uint32_t MB_OK = 0x00;
inline constexpr uint32_t MB_OKCANCEL = 0x01;
inline constexpr uint32_t MB_YESNO = 0x04;
// Icons.
inline constexpr uint32_t MB_ICONERROR = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONWARNING = 0x30;
inline constexpr uint32_t MB_ICONINFORMATION = 0x40;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

struct MessageBoxRequest {
    QWidget* parent = nullptr;
    QString text;
    QString caption;
    uint32_t flags = MB_OK;
};

// Shows the box modally and returns the button chosen. Closing the box
// without a button answers as Cancel would (No for Yes/No, OK for a lone OK).
int MessageBox(QWidget* parent, const QString& text, const QString& caption, uint32_t flags);

// While one is installed, MessageBox asks it instead of showing a box.
using MessageBoxAnswerer = std::function<int(const MessageBoxRequest&)>;

// Installs `answerer` for its lifetime; the one before comes back after it.
class ScopedMessageBoxAnswerer {
public:
    explicit ScopedMessageBoxAnswerer(MessageBoxAnswerer answerer);
    ~ScopedMessageBoxAnswerer();
    ScopedMessageBoxAnswerer(const ScopedMessageBoxAnswerer&) = delete;
    ScopedMessageBoxAnswerer& operator=(const ScopedMessageBoxAnswerer&) = delete;

private:
    MessageBoxAnswerer previous_;
};

}  // namespace grimora
