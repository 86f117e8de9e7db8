// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt_screen_depth.h"

#include <QGuiApplication>
#include <QScreen>

#include "picture/dib_queries.h"

namespace grimora {

int QtScreenDepth() {
    if (qGuiApp == nullptr) {
        return 24;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen == nullptr ? 24 : screen->depth();
}

void InstallQtScreenDepth() {
    SetScreenDepthHook(&QtScreenDepth);
}

}  // namespace grimora
