// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a web address in the user's default browser. Tests install an
// opener, so that no browser starts.
#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace grimora {

// True when the address was handed to a browser. An address without a scheme
// ("www.example.org") is taken as https.
bool ShellOpen(QWidget* parent, const QString& address);

using ShellOpener = std::function<bool(QWidget* parent, const QString& url)>;

// Installs `opener` for its lifetime; it receives the full URL.
class ScopedShellOpener {
public:
    explicit ScopedShellOpener(ShellOpener opener);
    ~ScopedShellOpener();
    ScopedShellOpener(const ScopedShellOpener&) = delete;
    ScopedShellOpener& operator=(const ScopedShellOpener&) = delete;

private:
    ShellOpener previous_;
};

}  // namespace grimora
