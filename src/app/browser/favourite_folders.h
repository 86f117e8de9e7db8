// SPDX-License-Identifier: GPL-3.0-or-later
// The favourite folders, most recent first, and their file folders.dat
// beside the program.
#pragma once

#include <QByteArrayList>
#include <QString>
#include <QStringList>

namespace grimora {

inline constexpr const char* kFavouritesFileName = "folders.dat";

class FavouriteFolders {
public:
    // The entries of `fileName`, one a line, as they stand (empty lines give
    // empty entries). A missing or unreadable file gives none; false then.
    // A file that is there but cannot be read (or is no regular file) is
    // never rewritten afterwards: the favourites it may hold are not lost.
    bool load(const QString& fileName);

    // Moves `folder` to the top: the last entry equal to it (case-sensitive)
    // is removed, then it is inserted first.
    void add(const QString& folder);

    // Writes every entry followed by CR LF, UTF-8, as every save of the
    // program writes (picture/file_target.h): a failed write leaves the old
    // list whole, a write-protected file is left alone. An entry read from
    // the file is written back with the bytes it was read as. False when it
    // could not be written, or was not to be.
    bool save(const QString& fileName) const;

    const QStringList& entries() const { return entries_; }

private:
    QStringList entries_;
    // Each entry as its line's bytes: a line that is not valid UTF-8 shows
    // with replacement characters but must not be rewritten as them.
    QByteArrayList stored_;
    bool unreadable_ = false;  // the last load found a file it could not read
};

// The folder of the program's own file as the picture page uses it (for
// folders.dat and the tree's first folder): `actual`, unless a test has
// pointed it elsewhere.
QString EffectiveExecutableFolder(const QString& actual);

// For tests: while one lives, EffectiveExecutableFolder gives `folder`
// (which should end with "/"); the one before comes back after it.
class ScopedExecutableFolder {
public:
    explicit ScopedExecutableFolder(QString folder);
    ~ScopedExecutableFolder();
    ScopedExecutableFolder(const ScopedExecutableFolder&) = delete;
    ScopedExecutableFolder& operator=(const ScopedExecutableFolder&) = delete;

private:
    QString previous_;
};

}  // namespace grimora
