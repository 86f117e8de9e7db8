// SPDX-License-Identifier: GPL-3.0-or-later
#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/browser/favourite_folders.h"
#include "file_bytes.h"

namespace grimora {
namespace {

FavouriteFolders Holding(const QStringList& entries, const QString& fileName) {
    QByteArray bytes;
    for (const QString& entry : entries) {
        bytes += entry.toUtf8() + "\r\n";
    }
    WriteBytes(fileName, bytes);
    FavouriteFolders favourites;
    EXPECT_TRUE(favourites.load(fileName));
    EXPECT_EQ(favourites.entries(), entries);
    return favourites;
}

TEST(FavouriteFolders, AddMovesTheLastEqualEntryToTheTop) {
    QTemporaryDir dir;
    const QString file = dir.filePath("folders.dat");
    struct Case {
        QStringList before;
        QString added;
        QStringList after;
    };
    const Case cases[] = {
        {{}, "/a/", {"/a/"}},
        {{"/a/", "/b/", "/c/"}, "/c/", {"/c/", "/a/", "/b/"}},
        {{"/a/", "/b/"}, "/a/", {"/a/", "/b/"}},
        {{"/Pics/"}, "/pics/", {"/pics/", "/Pics/"}},
        // Equal entries on lines 2 and 5: line 5's goes, line 2's stays.
        {{"/a/", "/x/", "/b/", "/c/", "/x/"}, "/x/", {"/x/", "/a/", "/x/", "/b/", "/c/"}},
        {{"", "/a/"}, "", {"", "/a/"}},
    };
    for (const Case& c : cases) {
        FavouriteFolders favourites = Holding(c.before, file);
        favourites.add(c.added);
        EXPECT_EQ(favourites.entries(), c.after) << c.before.join(',').toStdString();
    }
}

TEST(FavouriteFolders, SavesEveryEntryWithCrLfAsUtf8) {
    QTemporaryDir dir;
    const QString file = dir.filePath("folders.dat");
    FavouriteFolders favourites;
    favourites.add("/photos/");
    favourites.add("/scans/Äpfel/");
    favourites.add("");
    ASSERT_TRUE(favourites.save(file));
    EXPECT_EQ(ReadBytes(file), QByteArray("\r\n/scans/\xC3\x84pfel/\r\n/photos/\r\n"));
    // Rewritten whole: a shorter list leaves nothing of the longer one.
    FavouriteFolders shorter;
    shorter.add("/x/");
    ASSERT_TRUE(shorter.save(file));
    EXPECT_EQ(ReadBytes(file), QByteArray("/x/\r\n"));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"folders.dat"});

    FavouriteFolders none;
    ASSERT_TRUE(none.save(file));
    EXPECT_EQ(ReadBytes(file), QByteArray());
}

TEST(FavouriteFolders, LoadsLinesAsTheyStand) {
    QTemporaryDir dir;
    const QString file = dir.filePath("folders.dat");
    struct Case {
        QByteArray bytes;
        QStringList entries;
    };
    const Case cases[] = {
        {"", {}},
        {"/a/\r\n/b/\r\n", {"/a/", "/b/"}},
        {"/a/\n/b/", {"/a/", "/b/"}},
        {"/a/\r\r\n\r\n /b \r\n", {"/a/", "", "", " /b "}},
        {"/a/\r\n/a/\r\n", {"/a/", "/a/"}},
        {"C:\\Scans\\\r\n", {"C:\\Scans\\"}},
    };
    for (const Case& c : cases) {
        WriteBytes(file, c.bytes);
        FavouriteFolders favourites;
        EXPECT_TRUE(favourites.load(file));
        EXPECT_EQ(favourites.entries(), c.entries) << c.bytes.toStdString();
    }
}

TEST(FavouriteFolders, RewritesEveryLineWithTheBytesItWasReadAs) {
    QTemporaryDir dir;
    const QString file = dir.filePath("folders.dat");
    // A Latin-1 name that is no UTF-8, a NUL byte and a very long line.
    const QByteArray latin1("/fotos/\xC4pfel/");
    const QByteArray nul("/a\0b/", 5);
    const QByteArray longLine = "/" + QByteArray(100000, 'x') + "/";
    const QByteArray lines = latin1 + "\r\n" + nul + "\r\n" + longLine + "\r\n";
    WriteBytes(file, lines);
    FavouriteFolders favourites;
    ASSERT_TRUE(favourites.load(file));
    ASSERT_EQ(favourites.entries().size(), 3);
    EXPECT_EQ(favourites.entries()[1].size(), 5);
    EXPECT_EQ(favourites.entries()[2].size(), longLine.size());

    favourites.add("/new/");
    ASSERT_TRUE(favourites.save(file));
    EXPECT_EQ(ReadBytes(file), "/new/\r\n" + lines);
    // Moving an entry keeps its bytes too.
    favourites.add(QString::fromUtf8(longLine));
    ASSERT_TRUE(favourites.save(file));
    EXPECT_EQ(ReadBytes(file), longLine + "\r\n/new/\r\n" + latin1 + "\r\n" + nul + "\r\n");
}

TEST(FavouriteFolders, MissingOrUnwritableFileIsNoError) {
    QTemporaryDir dir;
    FavouriteFolders favourites = Holding({"/kept/"}, dir.filePath("folders.dat"));
    EXPECT_FALSE(favourites.load(dir.filePath("absent.dat")));
    EXPECT_TRUE(favourites.entries().isEmpty());

    // A folder that cannot be made (a plain file stands in its way): the
    // list keeps the change, nothing is written.
    WriteBytes(dir.filePath("plain"), "x");
    favourites.add("/new/");
    EXPECT_FALSE(favourites.save(dir.filePath("plain/folders.dat")));
    EXPECT_EQ(favourites.entries(), QStringList{"/new/"});
    EXPECT_EQ(ReadBytes(dir.filePath("plain")), QByteArray("x"));

    // A folder where the file should be: nothing read, nothing replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.dat"));
    EXPECT_FALSE(favourites.load(dir.filePath("folder.dat")));
    EXPECT_TRUE(favourites.entries().isEmpty());
    favourites.add("/new/");
    EXPECT_FALSE(favourites.save(dir.filePath("folder.dat")));
    EXPECT_TRUE(QFileInfo(dir.filePath("folder.dat")).isDir());
}

// A folders.dat that is there but cannot be read may hold favourites still:
// it is not rewritten with the one folder opened since; the list changes.
// A pipe cannot be read as a file by anyone, root too; a file of mode 200
// only by root.
TEST(FavouriteFolders, AFileThatCannotBeReadIsNeverRewritten) {
    QTemporaryDir dir;
    const QString pipe = dir.filePath("pipe.dat");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // A reader, so that a write into the pipe would not block but show.
    const int reader = ::open(QFile::encodeName(pipe).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    FavouriteFolders favourites;
    EXPECT_FALSE(favourites.load(pipe));
    favourites.add("/new/");
    EXPECT_EQ(favourites.entries(), QStringList{"/new/"});
    EXPECT_FALSE(favourites.save(pipe));
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0);
    ::close(reader);
    EXPECT_TRUE(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());

    const QString locked = dir.filePath("folders.dat");
    WriteBytes(locked, "/a/\r\n/b/\r\n");
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::WriteOwner));
    if (::geteuid() != 0) {
        EXPECT_FALSE(favourites.load(locked));
        favourites.add("/new/");
        EXPECT_FALSE(favourites.save(locked));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_EQ(ReadBytes(locked), QByteArray("/a/\r\n/b/\r\n"));
    }

    // Read again, as the program reads it at its next start, it is written.
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(favourites.load(locked));
    favourites.add("/new/");
    EXPECT_TRUE(favourites.save(locked));
    EXPECT_EQ(ReadBytes(locked), QByteArray("/new/\r\n/a/\r\n/b/\r\n"));
}

TEST(FavouriteFolders, AWriteThatFailsPartWayKeepsTheOldList) {
    QTemporaryDir dir;
    const QString file = dir.filePath("folders.dat");
    FavouriteFolders favourites = Holding({"/old/"}, file);
    favourites.add("/" + QString(20000, 'n') + "/");

    // A file-size limit makes the write fail part-way as a full disk would,
    // and holds for root too.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = favourites.save(file);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(file), QByteArray("/old/\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"folders.dat"});
}

TEST(FavouriteFolders, ExecutableFolderOverrideNestsAndRestores) {
    EXPECT_EQ(EffectiveExecutableFolder("/real/"), "/real/");
    {
        const ScopedExecutableFolder outer("/outer/");
        EXPECT_EQ(EffectiveExecutableFolder("/real/"), "/outer/");
        {
            const ScopedExecutableFolder inner("/inner/");
            EXPECT_EQ(EffectiveExecutableFolder("/real/"), "/inner/");
        }
        EXPECT_EQ(EffectiveExecutableFolder("/real/"), "/outer/");
    }
    EXPECT_EQ(EffectiveExecutableFolder("/real/"), "/real/");
}

}  // namespace
}  // namespace grimora
