// SPDX-License-Identifier: GPL-3.0-or-later
// Files dropped on a window from a file manager.
#pragma once

#include <functional>

#include <QObject>
#include <QString>

class QMimeData;
class QWidget;

namespace grimora {

// The first local file or folder that `data` carries; empty when none.
QString DroppedLocalPath(const QMimeData& data);

// Watches `window` (and, as drags travel up to it, its children) for drops
// of local files and hands the first one's path to `dropped`.
class FileDropFilter : public QObject {
public:
    FileDropFilter(QWidget* window, std::function<void(const QString&)> dropped);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QString&)> dropped_;
};

}  // namespace grimora
