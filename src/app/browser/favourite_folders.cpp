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
    stored_.clear();
    const auto append = [this](const QByteArray& line) {
        entries_.append(QString::fromUtf8(line));
        stored_.append(line);
    };
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
        append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < bytes.size()) {
        append(bytes.mid(start));
    }
    return true;
}

void FavouriteFolders::add(const QString& folder) {
    // For text that UTF-8 can carry, equal bytes are equal text, case and
    // all; a line that is not UTF-8 equals no folder the program names.
    const QByteArray bytes = folder.toUtf8();
    const qsizetype last = stored_.lastIndexOf(bytes);
    if (last >= 0) {
        entries_.removeAt(last);
        stored_.removeAt(last);
    }
    entries_.prepend(folder);
    stored_.prepend(bytes);
}

bool FavouriteFolders::save(const QString& fileName) const {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray bytes;
    for (const QByteArray& entry : stored_) {
        bytes += entry;
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
