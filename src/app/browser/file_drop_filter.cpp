// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser/file_drop_filter.h"

#include <utility>

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace grimora {

QString DroppedLocalPath(const QMimeData& data) {
    if (!data.hasUrls()) {
        return {};
    }
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}

FileDropFilter::FileDropFilter(QWidget* window, std::function<void(const QString&)> dropped)
    : QObject(window), dropped_(std::move(dropped)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (drag->mimeData() != nullptr && !DroppedLocalPath(*drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path =
                drop->mimeData() != nullptr ? DroppedLocalPath(*drop->mimeData()) : QString();
            if (path.isEmpty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            // The file manager waits for the drop to end; the load and its
            // message boxes come after.
            QMetaObject::invokeMethod(
                this, [this, path] { dropped_(path); }, Qt::QueuedConnection);
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}

}  // namespace grimora
