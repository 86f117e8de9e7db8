// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell_open.h"

#include <utility>

#include <QDesktopServices>
#include <QUrl>

namespace grimora {

namespace {

ShellOpener& installedOpener() {
    static ShellOpener opener;
    return opener;
}

}  // namespace

bool ShellOpen(QWidget* parent, const QString& address) {
    QUrl url = QUrl::fromUserInput(address.trimmed());
    if (url.isValid() && url.scheme() == QLatin1String("http") &&
        !address.trimmed().startsWith(QLatin1String("http:"), Qt::CaseInsensitive)) {
        // fromUserInput guesses http for a bare host name; browsers are
        // better served with https.
        url.setScheme(QStringLiteral("https"));
    }
    if (!url.isValid() || url.isEmpty()) {
        return false;
    }
    if (const ShellOpener& opener = installedOpener()) {
        return opener(parent, url.toString());
    }
    return QDesktopServices::openUrl(url);
}

ScopedShellOpener::ScopedShellOpener(ShellOpener opener)
    : previous_(std::exchange(installedOpener(), std::move(opener))) {}

ScopedShellOpener::~ScopedShellOpener() {
    installedOpener() = std::move(previous_);
}

}  // namespace grimora
