// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser/favourite_folders.h"

#include <cerrno>
#include <cstdint>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>

#include "picture/file_target.h"

namespace grimora {

namespace {

QString& ExecutableFolderOverride() {
    static QString folder;
    return folder;
}

// Opened without blocking and read only when it is a regular file, so that
// a pipe in its place cannot hold the program's start. False when nothing
// was read; `there` then says whether something is there all the same.
bool ReadRegularFile(const QByteArray& name, QByteArray& bytes, bool& there) {
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        there = errno != ENOENT;
        return false;
    }
    struct stat status {};
    bool read = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    char buffer[65536];
    while (read) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            read = n == 0;
            break;
        }
        bytes.append(buffer, n);
    }
    ::close(fd);
    there = !read;
    return read;
}

}  // namespace

bool FavouriteFolders::load(const QString& fileName) {
    entries_.clear();
    stored_.clear();
    unreadable_ = false;
    const auto append = [this](const QByteArray& line) {
        entries_.append(QString::fromUtf8(line));
        stored_.append(line);
    };
    QByteArray bytes;
    if (!ReadRegularFile(QFile::encodeName(fileName), bytes, unreadable_)) {
        return false;
    }
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
    if (unreadable_) {
        return false;
    }
    QByteArray bytes;
    for (const QByteArray& entry : stored_) {
        bytes += entry;
        bytes += "\r\n";
    }
    std::string error;
    return WriteWholeFile(QFile::encodeName(fileName).toStdString(),
                          {reinterpret_cast<const uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size())},
                          error);
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
