// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser/favourite_folders.h"

#include <utility>

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

namespace grimora {

namespace {

QString& ExecutableFolderOverride() {
    static QString folder;
    return folder;
}

}  // namespace

bool FavouriteFolders::load(const QString& fileName) {
    entries_.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    // Lines end in CR LF as written; a lone LF or CR ends one too, and a last
    // line without an end is still an entry.
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            continue;
        }
        entries_.append(QString::fromUtf8(bytes.mid(start, i - start)));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < bytes.size()) {
        entries_.append(QString::fromUtf8(bytes.mid(start)));
    }
    return true;
}

void FavouriteFolders::add(const QString& folder) {
    const qsizetype last = entries_.lastIndexOf(folder);
    if (last >= 0) {
        entries_.removeAt(last);
    }
    entries_.prepend(folder);
}

bool FavouriteFolders::save(const QString& fileName) const {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray bytes;
    for (const QString& entry : entries_) {
        bytes += entry.toUtf8();
        bytes += "\r\n";
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString EffectiveExecutableFolder(const QString& actual) {
    const QString& folder = ExecutableFolderOverride();
    return folder.isEmpty() ? actual : folder;
}

ScopedExecutableFolder::ScopedExecutableFolder(QString folder)
    : previous_(std::exchange(ExecutableFolderOverride(), std::move(folder))) {}

ScopedExecutableFolder::~ScopedExecutableFolder() {
    ExecutableFolderOverride() = std::move(previous_);
}

}  // namespace grimora
