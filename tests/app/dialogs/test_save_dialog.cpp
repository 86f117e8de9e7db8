// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <csignal>
#include <deque>
#include <functional>
#include <utility>

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "../main_form_fixture.h"
#include "app/dialogs/save_dialog.h"
#include "dialog_test_support.h"
#include "picture/pictrix.h"
#include "platform/dib_image.h"

namespace grimora {
namespace {

TEST(SaveFileName, AddsTheChosenTypesExtensionOnlyWhenTheNameHasNoneWeWrite) {
    const QStringList types = SaveFileTypes();
    ASSERT_EQ(types, (QStringList{"PNG picture (*.png)", "JPEG picture (*.jpg *.jpeg)",
                                  "Windows bitmap (*.bmp)", "TIFF picture (*.tif *.tiff)"}));
    struct Case {
        const char* chosen;
        int type;
        const char* written;
    };
    const Case cases[] = {
        {"/p/face", 0, "/p/face.png"},
        {"/p/face", 1, "/p/face.jpg"},
        {"/p/face", 2, "/p/face.bmp"},
        {"/p/face", 3, "/p/face.tif"},
        {"/p/face.", 2, "/p/face.bmp"},
        {"/p/face.JPEG", 0, "/p/face.JPEG"},  // a type we write stays, in any case
        {"/p/face.tiff", 2, "/p/face.tiff"},
        {"/p/face.v2", 0, "/p/face.v2.png"},  // not a type we write
        {"/p/face.gif", 1, "/p/face.gif.jpg"},
        {"/p.d/face", 2, "/p.d/face.bmp"},  // the folder's dot does not count
        {"/p/face", -1, "/p/face.png"},     // an unknown type: the first one's
    };
    for (const Case& c : cases) {
        const QString type = c.type < 0 ? QStringLiteral("Any (*)") : types[c.type];
        EXPECT_EQ(SaveFileName(QString::fromUtf8(c.chosen), type), QString::fromUtf8(c.written))
            << c.chosen << " as " << type.toStdString();
    }
}

QImage Loaded(const QString& file) {
    Dib loaded;
    OpenDib(loaded, QFile::encodeName(file).constData(), ProgressCallback{});
    EXPECT_NE(loaded.bits, nullptr) << file.toStdString() << ": " << loaded.errorText;
    const OwnedDib owned(loaded);
    return DibToQImage(owned.get());
}

// Answers the save dialog each time it shows with the next step given.
class SaveDialogDriver : public QObject {
public:
    explicit SaveDialogDriver(QFileDialog* dialog) : dialog_(dialog) {
        dialog->installEventFilter(this);
    }
    ~SaveDialogDriver() override { EXPECT_TRUE(steps.empty()) << "the dialog showed too seldom"; }

    // Types `name` in the folder shown, with the file type `type`, and saves;
    // goes to the folder `browsed` first if one is given.
    void save(const QString& name, const QString& type, const QString& browsed = {}) {
        steps.push_back([this, name, type, browsed] {
            shownIn.push_back(dialog_->directory().absolutePath());
            if (!browsed.isEmpty()) {
                dialog_->setDirectory(browsed);
            }
            dialog_->selectNameFilter(type);
            // Typed into the name field as a whole path, as a user may:
            // selectFile would change the folder too, which the dialog's
            // model finishes later.
            auto* typed = dialog_->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(typed, nullptr);
            typed->setText(name);
            QMetaObject::invokeMethod(dialog_, "accept");
        });
    }
    void cancel() {
        steps.push_back([this] {
            shownIn.push_back(dialog_->directory().absolutePath());
            shownName.push_back(
                dialog_->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text());
            dialog_->reject();
        });
    }

    std::deque<std::function<void()>> steps;
    QStringList shownIn;
    // The name in the name field when the dialog was cancelled.
    QStringList shownName;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == dialog_ && event->type() == QEvent::Show) {
            if (steps.empty()) {
                ADD_FAILURE() << "the dialog showed once more";
                QTimer::singleShot(0, dialog_, &QDialog::reject);
            } else {
                QTimer::singleShot(0, this, [this, step = std::move(steps.front())] { step(); });
                steps.pop_front();
            }
        }
        return false;
    }

private:
    QFileDialog* dialog_;
};

class SaveTest : public MainFormTest {
protected:
    SaveTest() {
        EXPECT_TRUE(dir.isValid());
        EXPECT_TRUE(form->takePicture(PatternPicture(37, 23)));
    }
    QString file(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    // The dialog is made at the first click: cancelled once it shows (the
    // timer keeps looking until the modal loop runs).
    void makeDialog() {
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&watch] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                watch.stop();
                dialog->reject();
            }
        });
        watch.start(0);
        form->SaveAsBtn->click();
        EXPECT_FALSE(watch.isActive());
        ASSERT_NE(form->SaveDialog1, nullptr);
    }

    QTemporaryDir dir;
};

TEST_F(SaveTest, EveryFormatRoundTripsThroughTheReader) {
    const QImage result = DibToQImage(form->session().result());
    for (const char* name : {"r.png", "r.bmp", "r.tif", "r.tiff", "r.jpg", "r.jpeg"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(form->saveResult(file(name)));
        const QImage back = Loaded(file(name));
        ASSERT_EQ(back.size(), result.size());
        const bool lossy = QString::fromUtf8(name).contains(QStringLiteral(".jp"));
        double error = 0;
        int worst = 0;
        for (int y = 0; y < back.height(); ++y) {
            for (int x = 0; x < back.width(); ++x) {
                const QRgb a = back.pixel(x, y);
                const QRgb b = result.pixel(x, y);
                if (!lossy && a != b) {
                    FAIL() << "first difference at " << x << ", " << y;
                }
                for (const int d :
                     {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)}) {
                    error += std::abs(d);
                    worst = std::max(worst, std::abs(d));
                }
            }
        }
        if (lossy) {
            // Quality 90 on a smooth blend: close everywhere.
            EXPECT_LT(error / (3.0 * back.width() * back.height()), 2.0);
            EXPECT_LE(worst, 16);
        }
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SaveTest, TheDialogAddsTheExtensionAsksBeforeReplacingAndRemembersTheFolder) {
    const QStringList types = SaveFileTypes();
    {
        makeDialog();
        EXPECT_EQ(form->SaveDialog1->objectName(), "SaveDialog1");
        EXPECT_EQ(form->SaveDialog1->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(form->SaveDialog1->isSizeGripEnabled());
        EXPECT_EQ(form->SaveDialog1->nameFilters(), types);
        EXPECT_EQ(QDir(form->SaveDialog1->directory()), QDir(form->executableFolder()));

        SaveDialogDriver driver(form->SaveDialog1);
        driver.save(file("face"), types[2]);
        form->SaveAsBtn->click();
        ASSERT_EQ(driver.shownIn.size(), 1);
        EXPECT_EQ(QDir(driver.shownIn[0]), QDir(form->executableFolder()));
    }
    EXPECT_TRUE(QFileInfo(file("face.bmp")).isFile());
    EXPECT_TRUE(boxes.empty());

    // Again as the same name: asked first. No returns to the dialog in the
    // folder of the name, with the name as typed, even when the dialog
    // showed another folder; Yes replaces.
    QFile::resize(file("face.bmp"), 10);
    answer = IDNO;
    {
        ASSERT_TRUE(QDir().mkdir(file("other")));
        SaveDialogDriver driver(form->SaveDialog1);
        driver.save(file("face"), types[2], file("other"));
        driver.cancel();
        form->SaveAsBtn->click();
        ASSERT_EQ(driver.shownIn.size(), 2);
        EXPECT_EQ(QDir(driver.shownIn[0]), QDir(dir.path()));
        EXPECT_EQ(QDir(driver.shownIn[1]), QDir(dir.path()));
        EXPECT_EQ(driver.shownName, QStringList{"face"});
    }

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(QDir::toNativeSeparators(file("face.bmp"))));
    EXPECT_EQ(boxes[0].flags, MB_YESNO | MB_ICONWARNING);
    EXPECT_EQ(QFileInfo(file("face.bmp")).size(), 10);

    answer = IDYES;
    {
        SaveDialogDriver driver(form->SaveDialog1);
        driver.save(file("face"), types[2]);
        form->SaveAsBtn->click();
    }
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_GT(QFileInfo(file("face.bmp")).size(), 37 * 23 * 3);

    // Cancel writes nothing.
    {
        SaveDialogDriver driver(form->SaveDialog1);
        driver.cancel();
        form->SaveAsBtn->click();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"face.bmp"});

    // The folder saved in last is gone: the dialog opens in the program's.
    const QString gone = file("gone");
    ASSERT_TRUE(QDir().mkdir(gone));
    {
        SaveDialogDriver driver(form->SaveDialog1);
        driver.save(gone + QStringLiteral("/x"), types[0]);
        driver.cancel();
        form->SaveAsBtn->click();
        form->SaveAsBtn->click();
        ASSERT_TRUE(QDir(gone).removeRecursively());
    }
    {
        SaveDialogDriver driver(form->SaveDialog1);
        driver.cancel();
        form->SaveAsBtn->click();
        ASSERT_EQ(driver.shownIn.size(), 1);
        EXPECT_EQ(QDir(driver.shownIn[0]), QDir(form->executableFolder()));
    }
}

// A write-protected file is replaced only after Yes to a question of its
// own, and stays write-protected; a link to nothing is no place to save.
// Permissions by their bits, which root sees too.
TEST_F(SaveTest, AWriteProtectedFileOrADanglingLinkIsAskedOrRefused) {
    const QString types = SaveFileTypes()[2];
    const QString locked = file("locked.bmp");
    ASSERT_TRUE(form->saveResult(locked));
    ASSERT_TRUE(QFile::resize(locked, 10));
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(locked, readOnly));
    const QString dangling = file("dangling.bmp");
    ASSERT_TRUE(QFile::link(file("gone.bmp"), dangling));

    makeDialog();
    for (const int reply : {IDNO, IDYES}) {
        answer = reply;
        boxes.clear();
        {
            SaveDialogDriver driver(form->SaveDialog1);
            driver.save(locked, types);
            if (reply == IDNO) {
                driver.cancel();
            }
            form->SaveAsBtn->click();
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, QDir::toNativeSeparators(locked) +
                                     " is write-protected.\nDo you want to replace it anyway?");
        EXPECT_EQ(boxes[0].flags, MB_YESNO | MB_ICONWARNING);
        EXPECT_EQ(QFileInfo(locked).size() > 10, reply == IDYES);
        EXPECT_EQ(
            QFile::permissions(locked) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
            readOnly);
    }

    boxes.clear();
    {
        SaveDialogDriver driver(form->SaveDialog1);
        driver.save(dangling, types);
        driver.cancel();
        form->SaveAsBtn->click();
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot save " + dangling + ": it is a link to " + file("gone.bmp") +
                                 ", which does not exist.");
    EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(QFileInfo(dangling).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(file("gone.bmp")));
}

TEST_F(SaveTest, AFailedSaveSaysWhyAndKeepsTheOldFile) {
    // A folder that cannot be made: the message names the file and the reason.
    ASSERT_TRUE(form->saveResult(file("plain.png")));
    const QString impossible = file("plain.png") + QStringLiteral("/inside.png");
    EXPECT_FALSE(form->saveResult(impossible));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(impossible)) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("Not a directory")))
        << boxes[0].text.toStdString();
    EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR);

    // A folder that may not be written: the old file stays as it was.
    const QString locked = file("locked");
    ASSERT_TRUE(QDir().mkdir(locked));
    const QString old = locked + QStringLiteral("/old.png");
    ASSERT_TRUE(form->saveResult(old));
    const qint64 oldSize = QFileInfo(old).size();
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    QFile probe(locked + QStringLiteral("/probe"));
    const bool writableAnyway = probe.open(QIODevice::WriteOnly);
    probe.close();
    probe.remove();
    if (writableAnyway) {
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        GTEST_SKIP() << "permissions do not stop this user from writing";
    }
    ASSERT_TRUE(form->takePicture(PatternPicture(90, 60)));
    EXPECT_FALSE(form->saveResult(old));
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(QFileInfo(old).size(), oldSize);
    EXPECT_EQ(Loaded(old).size(), QSize(37, 23));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QByteArray Contents(const QString& name) {
    QFile f(name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

// Pixels that no format packs small.
OwnedDib NoisePicture(int32_t width, int32_t height) {
    OwnedDib picture = PatternPicture(width, height);
    uint32_t state = 12345;
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* row = DibRow(*picture, r);
        for (int32_t i = 0; i < 3 * width; ++i) {
            state = state * 1664525u + 1013904223u;
            row[i] = static_cast<uint8_t>(state >> 24);
        }
    }
    return picture;
}

TEST_F(SaveTest, ADiskThatFillsUpKeepsTheOldFileInEveryFormat) {
    // A file-size limit makes the writes fail part-way as a full disk would,
    // and holds for root too, unlike a read-only folder.
    for (const char* name : {"full.bmp", "full.png", "full.jpg", "full.tif"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(form->takePicture(PatternPicture(37, 23)));
        ASSERT_TRUE(form->saveResult(file(name)));
        const QByteArray before = Contents(file(name));
        ASSERT_LT(before.size(), 8192);
        ASSERT_TRUE(form->takePicture(NoisePicture(400, 300)));
        boxes.clear();

        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 8192;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = form->saveResult(file(name));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        EXPECT_FALSE(written);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].text.contains(file(name))) << boxes[0].text.toStdString();
        EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("File too large")))
            << boxes[0].text.toStdString();
        EXPECT_EQ(Contents(file(name)), before);
    }
    // No half-written file is left beside them.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

}  // namespace
}  // namespace grimora
