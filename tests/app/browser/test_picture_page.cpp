// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <QAbstractItemModel>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include "../main_form_fixture.h"
#include "app/browser/favourite_folders.h"
#include "app/browser/picture_loading.h"
#include "app/browser/preview_box.h"
#include "editor/load_memory.h"
#include "editor/views/edit_canvas.h"
#include "editor/views/progress_status_bar.h"
#include "editor/views/result_view.h"
#include "file_bytes.h"
#include "picture/dib_queries.h"
#include "widgets/spin_edit.h"

namespace grimora {
namespace {

QString Fixture(const char* relative) {
    return QString::fromUtf8(GRIMORA_FIXTURES) + QLatin1Char('/') + QString::fromUtf8(relative);
}

std::vector<Displacement> Entries(const DisplacementField& field) {
    return {field.data(), field.data() + field.size()};
}

bool IsIdentity(const DisplacementField& field) {
    for (int32_t r = 0; r < field.height(); ++r) {
        for (int32_t c = 0; c < field.width(); ++c) {
            if (field.at(c, r) != Displacement{c, r}) {
                return false;
            }
        }
    }
    return true;
}

// Runs the event loop until `done` holds or a generous deadline passes: the
// file-system models fill themselves from a thread of their own.
bool WaitFor(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(2);
    deadline.start(20000);
    if (!done()) {
        loop.exec();
    }
    return done();
}

// The program's folder, pointed at a fresh folder before the window exists.
class TemporaryExecutableFolder {
protected:
    TemporaryExecutableFolder() : folder_(dir_.path() + QLatin1Char('/')), scope_(folder_) {}

    QTemporaryDir dir_;
    QString folder_;

private:
    ScopedExecutableFolder scope_;
};

class PicturePageTest : protected TemporaryExecutableFolder, public MainFormTest {
protected:
    // Pictures of known size and colour: 8-bit 640 x 480 and 24-bit 480 x 640.
    void SetUp() override {
        QImage landscape(640, 480, QImage::Format_Indexed8);
        landscape.setColorCount(256);
        for (int i = 0; i < 256; ++i) {
            landscape.setColor(i, qRgb(i, 255 - i, 0));
        }
        landscape.fill(0);
        ASSERT_TRUE(landscape.save(dir_.filePath("landscape.bmp"), "BMP"));
        QImage portrait(480, 640, QImage::Format_RGB32);
        portrait.fill(qRgb(0, 0, 255));
        ASSERT_TRUE(portrait.save(dir_.filePath("portrait.bmp"), "BMP"));
    }

    // The names the file list shows now, in its order.
    QStringList listed() const {
        const QAbstractItemModel* model = form->JamShellList1->model();
        const QModelIndex root = form->JamShellList1->rootIndex();
        QStringList names;
        for (int row = 0; row < model->rowCount(root); ++row) {
            names.append(model->index(row, 0, root).data().toString());
        }
        return names;
    }

    // Shows `folder` and selects `name` in the file list.
    void choose(const QString& folder, const QString& name) {
        ASSERT_TRUE(form->selectFolder(folder)) << folder.toStdString();
        ASSERT_TRUE(WaitFor([&] { return listed().contains(name); })) << name.toStdString();
        const QAbstractItemModel* model = form->JamShellList1->model();
        const QModelIndex root = form->JamShellList1->rootIndex();
        const int row = static_cast<int>(listed().indexOf(name));
        form->JamShellList1->setCurrentIndex(model->index(row, 0, root));
    }

    // A double-click on the chosen item, as the mouse makes it.
    void doubleClickChosen() {
        QWidget* viewport = form->JamShellList1->viewport();
        const QPoint at =
            form->JamShellList1->visualRect(form->JamShellList1->currentIndex()).center();
        mouse(viewport, QEvent::MouseButtonPress, at);
        mouse(viewport, QEvent::MouseButtonRelease, at);
        mouse(viewport, QEvent::MouseButtonDblClick, at);
        mouse(viewport, QEvent::MouseButtonRelease, at);
    }

    // True when the key was taken (by the list or by our handler).
    static bool press(QWidget* widget, Qt::Key key, const QString& text = {}) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
        return QApplication::sendEvent(widget, &event);
    }

    void openByEnter(const QString& folder, const QString& name) {
        choose(folder, name);
        EXPECT_TRUE(press(form->JamShellList1, Qt::Key_Return));
    }

    // The preview as shown, within its bordered panel.
    QImage preview() const {
        QWidget* box = form->DibPrevPaint;
        return box->parentWidget()->grab().toImage().copy(box->geometry());
    }

    // A stroke on the editing page that bends the field.
    void distort() {
        showPage(1);
        mouse(form->PaintBox1, QEvent::MouseButtonPress, {60, 50});
        mouse(form->PaintBox1, QEvent::MouseButtonRelease, {60, 50});
        showPage(0);
        ASSERT_FALSE(IsIdentity(form->session().field()));
    }

    void rebuildForm() {
        form.reset();
        form = std::make_unique<TMainForm>();
        form->show();
        settle();
    }

    static void typeZoom(TMainForm& window, const char* text) {
        window.ZoomEd->findChild<QLineEdit*>()->setText(QString::fromUtf8(text));
    }
};

TEST_F(PicturePageTest, StartsInTheProgramsFolderWithPicturesFilter) {
    EXPECT_EQ(form->favouritesFile(), folder_ + "folders.dat");
    EXPECT_EQ(form->selectedFolder(), folder_);
    ASSERT_EQ(form->FilterComboBox1->count(), 14);
    EXPECT_EQ(form->FilterComboBox1->currentIndex(), 0);
    EXPECT_EQ(form->FilterComboBox1->itemText(13), "All files (*.*)");
    EXPECT_TRUE(WaitFor([&] { return listed().size() == 2; }));
    EXPECT_EQ(listed(), (QStringList{"landscape.bmp", "portrait.bmp"}));
    EXPECT_EQ(form->PrefListBox->count(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PicturePageTest, ReadsTheFavouritesAtStartAsStored) {
    WriteBytes(folder_ + "folders.dat", "/b/\r\n\r\n/a/\r\n/b/\r\nlast");
    rebuildForm();
    QStringList shown;
    for (int i = 0; i < form->PrefListBox->count(); ++i) {
        shown.append(form->PrefListBox->item(i)->text());
    }
    EXPECT_EQ(shown, (QStringList{"/b/", "", "/a/", "/b/", "last"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PicturePageTest, LoadsPicturesOfEveryTypeAndDepthByDoubleClickAndEnter) {
    struct Case {
        const char* file;
        const char* colours;
    };
    const Case cases[] = {
        {"bmp/netpbm_info_1bit.bmp", "16777216"},     {"bmp/magick_v5_4bit.bmp", "16777216"},
        {"bmp/pillow_info_8bit.bmp", "16777216"},     {"gif/netpbm_2bit.gif", "16777216"},
        {"png/pillow_rgb_8bit.png", "16777216"},      {"jpeg/pillow_grey.jpg", "16777216"},
        {"pcx/netpbm_24bit.pcx", "16777216"},         {"tga/pillow_type10_24bit.tga", "16777216"},
        {"tiff/pillow_palette_8bit.tif", "16777216"}, {"iff/netpbm_8planes.iff", "16777216"},
        {"iff/hand_pbm_byterun1.lbm", "16777216"},
    };
    bool byEnter = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QFileInfo info(Fixture(c.file));
        // The library's own reading of the file, to compare with.
        Dib record;
        OpenDib(record, QFile::encodeName(info.filePath()).constData(), nullptr);
        const OwnedDib expected(record);
        ASSERT_NE(expected->bits, nullptr) << record.errorText;
        const int32_t width = DibWidth(expected.get());
        const int32_t height = DibHeight(expected.get());

        if (byEnter) {
            openByEnter(info.absolutePath(), info.fileName());
        } else {
            choose(info.absolutePath(), info.fileName());
            doubleClickChosen();
        }
        byEnter = !byEnter;
        EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].text.toStdString());
        boxes.clear();
        EXPECT_EQ(DibWidth(form->session().source()), width);
        EXPECT_EQ(DibHeight(form->session().source()), height);
        EXPECT_EQ(DibBitCount(form->session().source()), 24);
        EXPECT_EQ(form->session().field().width(), width);
        EXPECT_TRUE(IsIdentity(form->session().field()));
        EXPECT_EQ(form->Breit->text(), QString::number(width) + " Pixel");
        EXPECT_EQ(form->Hoch->text(), QString::number(height) + " Pixel");
        EXPECT_EQ(form->Tief->text(), c.colours);
        EXPECT_EQ(form->PaintBox1->size(), QSize(width, height));
        EXPECT_EQ(form->favourites().entries().value(0), info.absolutePath() + "/");
    }
}

TEST_F(PicturePageTest, LoaderProgressIsShownAndSixteenBitsStayAtTheirDepth) {
    // The readers give no such picture; a loader that does stands in.
    int32_t shown = -1;
    const ScopedPictureOpener opener([&](Dib& dib, const char*, const ProgressCallback& progress) {
        progress(37);
        shown = form->StatusBar1->percent();
        newdib(dib, 4, 3, 16, nullptr, 0);
    });
    openByEnter(folder_, "landscape.bmp");
    EXPECT_EQ(shown, 37);
    EXPECT_EQ(DibBitCount(form->session().source()), 16);
    EXPECT_EQ(form->Breit->text(), "4 Pixel");
    EXPECT_EQ(form->Tief->text(), "65536");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The Bitmaps must have 16,7 mill. Colours!");

    // A load that fails part-way, or that memory cannot take, leaves the
    // bar empty, on screen too, by the time its message shows.
    const auto barShown = [&] {
        const QImage bar = form->StatusBar1->grab().toImage();
        const QRect panel = form->StatusBar1->panelRect();
        return bar.pixel(panel.left() + 1, panel.center().y()) ==
               QColor::fromRgb(ProgressStatusBar::kBarColour).rgb();
    };
    for (const bool fails : {true, false}) {
        SCOPED_TRACE(fails ? "fails" : "too large");
        boxes.clear();
        bool shownDuringLoad = false;
        const ScopedPictureOpener failing([&](Dib& dib, const char*, const ProgressCallback& p) {
            p(45);
            shownDuringLoad = barShown();
            dib = Dib{};
            if (!fails) {
                newdib(dib, 64, 64, 24, nullptr, 0);
            }
        });
        const ScopedLoadMemoryLimit limit(0);
        int32_t atMessage = -1;
        const ScopedMessageBoxAnswerer watch([&](const MessageBoxRequest&) {
            atMessage = form->StatusBar1->percent();
            return IDOK;
        });
        openByEnter(folder_, "landscape.bmp");
        EXPECT_TRUE(shownDuringLoad);
        EXPECT_EQ(atMessage, 0);
        EXPECT_EQ(form->StatusBar1->percent(), 0);
        EXPECT_FALSE(barShown());
    }
}

TEST_F(PicturePageTest, LoadFillsTheBoxesAndSizesTheFieldAndViewAtTheZoom) {
    struct Case {
        const char* zoom;
        QSize view;
    };
    // 2.0 is 20 : 10; 0.3 is 10 : 33, so 6400 div 33 and 4800 div 33.
    const Case cases[] = {{"1.0", {640, 480}}, {"2.0", {1280, 960}}, {"0.3", {193, 145}}};
    for (const Case& c : cases) {
        typeZoom(*form, c.zoom);
        boxes.clear();
        openByEnter(folder_, "landscape.bmp");
        EXPECT_TRUE(boxes.empty()) << c.zoom;
        EXPECT_EQ(form->Breit->text(), "640 Pixel");
        EXPECT_EQ(form->Hoch->text(), "480 Pixel");
        EXPECT_EQ(form->Tief->text(), "16777216");
        EXPECT_EQ(form->session().field().size() * sizeof(Displacement), 2457600u);
        EXPECT_EQ(form->PaintBox1->size(), c.view) << c.zoom;
    }
}

TEST_F(PicturePageTest, ReloadingResetsTheDistortion) {
    openByEnter(folder_, "landscape.bmp");
    distort();
    openByEnter(folder_, "landscape.bmp");
    EXPECT_TRUE(IsIdentity(form->session().field()));
    EXPECT_EQ(form->favourites().entries(), QStringList{folder_});
}

TEST_F(PicturePageTest, PreviewFitsTheBoxFromTheTopLeft) {
    const QSize box = form->DibPrevPaint->size();
    ASSERT_GT(box.width(), 100);
    ASSERT_GT(box.height(), 100);
    const QRgb background = preview().pixel(box.width() - 1, box.height() - 1);
    struct Case {
        const char* file;  // empty: the start-up picture
        int32_t width, height;
        QRgb colour;
    };
    const Case cases[] = {
        {"", 320, 200, qRgb(255, 255, 255)},
        {"landscape.bmp", 640, 480, qRgb(0, 255, 0)},
        {"portrait.bmp", 480, 640, qRgb(0, 0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        if (*c.file != '\0') {
            openByEnter(folder_, c.file);
        }
        const FitSize fit = *PreviewFit(box.width(), box.height(), c.width, c.height);
        const QImage shown = preview();
        ASSERT_EQ(shown.size(), box);
        EXPECT_EQ(shown.pixel(0, 0), c.colour);
        EXPECT_EQ(shown.pixel(fit.width - 1, fit.height - 1), c.colour);
        if (fit.width < box.width()) {
            EXPECT_EQ(shown.pixel(fit.width, fit.height - 1), background);
        }
        if (fit.height < box.height()) {
            EXPECT_EQ(shown.pixel(fit.width - 1, fit.height), background);
        }
        // Landscape touches the right edge, portrait the bottom.
        EXPECT_TRUE(fit.width == box.width() || fit.height == box.height());
    }
    EXPECT_NE(background, qRgb(255, 255, 255));
}

TEST_F(PicturePageTest, FailedLoadShowsOneBoxAndChangesNothing) {
    openByEnter(folder_, "landscape.bmp");
    distort();
    const std::vector<Displacement> field = Entries(form->session().field());
    const QImage shownBefore = preview();
    WriteBytes(folder_ + "broken.bmp", "BM this is no bitmap");

    std::string libraryText;
    struct Case {
        const char* errorText;  // null: the real library on the broken file
        bool textIsBody;
    };
    const Case cases[] = {{"Abcde", false}, {"Abcdef", true}, {"", false}, {nullptr, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.errorText == nullptr ? "library" : c.errorText);
        boxes.clear();
        std::unique_ptr<ScopedPictureOpener> opener;
        if (c.errorText != nullptr) {
            opener = std::make_unique<ScopedPictureOpener>(
                [&c](Dib& dib, const char*, const ProgressCallback&) {
                    dib = Dib{};
                    std::strcpy(dib.errorText, c.errorText);
                });
        }
        openByEnter(folder_, "broken.bmp");
        ASSERT_EQ(boxes.size(), 1u);
        const QString named = "Error: The file " + folder_ + "broken.bmp could not be loaded!";
        EXPECT_EQ(boxes[0].flags, MB_OK);
        if (c.textIsBody) {
            EXPECT_EQ(boxes[0].caption, named);
            EXPECT_GT(boxes[0].text.size(), 5);
            if (c.errorText != nullptr) {
                EXPECT_EQ(boxes[0].text, c.errorText);
            }
        } else {
            EXPECT_EQ(boxes[0].text, named);
            EXPECT_EQ(boxes[0].caption, "Error");
        }
        EXPECT_EQ(Entries(form->session().field()), field);
        EXPECT_EQ(form->Breit->text(), "640 Pixel");
        EXPECT_EQ(form->PaintBox1->size(), QSize(640, 480));
        EXPECT_EQ(preview(), shownBefore);
        // The folder is recorded all the same.
        EXPECT_EQ(form->favourites().entries(), QStringList{folder_});
    }
}

TEST_F(PicturePageTest, PictureTooLargeForMemoryKeepsThePreviousOne) {
    openByEnter(folder_, "portrait.bmp");
    distort();
    const std::vector<Displacement> field = Entries(form->session().field());
    boxes.clear();
    {
        // Less than the 24-bit copy and the mask, which a load asks for even
        // when the field and result were made while it decoded.
        const ScopedLoadMemoryLimit limit(921600 + 307200 - 1);
        openByEnter(folder_, "landscape.bmp");
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "There is not enough memory to edit a picture of 640 x 480 pixels. The previous "
              "picture stays.");
    EXPECT_EQ(DibWidth(form->session().source()), 480);
    EXPECT_EQ(DibWidth(form->session().result()), 480);
    EXPECT_EQ(Entries(form->session().field()), field);
    EXPECT_EQ(form->Breit->text(), "480 Pixel");
    EXPECT_EQ(form->PaintBox1->size(), QSize(480, 640));
}

TEST_F(PicturePageTest, OpeningWritesTheFavouritesFileMostRecentFirst) {
    const QFileInfo other(Fixture("bmp/pillow_info_8bit.bmp"));
    const QString otherFolder = other.absolutePath() + "/";
    openByEnter(folder_, "landscape.bmp");
    openByEnter(other.absolutePath(), other.fileName());
    openByEnter(folder_, "portrait.bmp");
    const QStringList expected{folder_, otherFolder};
    EXPECT_EQ(form->favourites().entries(), expected);
    ASSERT_EQ(form->PrefListBox->count(), 2);
    EXPECT_EQ(form->PrefListBox->item(0)->text(), folder_);
    EXPECT_EQ(ReadBytes(folder_ + "folders.dat"),
              (folder_ + "\r\n" + otherFolder + "\r\n").toUtf8());
}

TEST_F(PicturePageTest, UnwritableFavouritesFileStillChangesTheList) {
    WriteBytes(folder_ + "plain", "x");
    {
        const ScopedExecutableFolder elsewhere(folder_ + "plain/");
        rebuildForm();
    }
    EXPECT_EQ(form->favouritesFile(), folder_ + "plain/folders.dat");
    openByEnter(folder_, "landscape.bmp");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->favourites().entries(), QStringList{folder_});
    EXPECT_EQ(form->PrefListBox->count(), 1);
    EXPECT_EQ(ReadBytes(folder_ + "plain"), "x");
}

TEST_F(PicturePageTest, FavouriteOpensItsFolderOrSaysItIsMissing) {
    const QString pictures = QFileInfo(Fixture("png")).absoluteFilePath() + "/";
    WriteBytes(folder_ + "folders.dat",
               (pictures + "\r\n" + folder_ + "gone/\r\n\r\n" + folder_ + "plain\r\n").toUtf8());
    WriteBytes(folder_ + "plain", "x");
    rebuildForm();
    ASSERT_EQ(form->PrefListBox->count(), 4);
    QListWidget* list = form->PrefListBox;
    // Rows of 13 pixels, so that the favourites row shows two folders,
    // whatever the font's own line height.
    QFont large = list->font();
    large.setPixelSize(24);
    list->setFont(large);
    list->doItemsLayout();
    EXPECT_EQ(list->visualItemRect(list->item(1)).top() - list->visualItemRect(list->item(0)).top(),
              13);
    list->setFont(QFont());

    // Nothing selected: Enter does nothing.
    list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    list->clearSelection();
    press(list, Qt::Key_Return);
    EXPECT_EQ(form->selectedFolder(), folder_);

    // Enter opens the entry and still reaches the list box itself.
    int activated = 0;
    QObject::connect(list, &QListWidget::activated, [&] { ++activated; });
    list->setCurrentRow(0);
    press(list, Qt::Key_Return);
    EXPECT_EQ(activated, 1);
    EXPECT_EQ(form->selectedFolder(), pictures);
    EXPECT_TRUE(WaitFor([&] { return listed().contains("pillow_rgb_8bit.png"); }));
    EXPECT_TRUE(boxes.empty());

    for (const int row : {1, 2, 3}) {
        boxes.clear();
        list->setCurrentRow(row);
        const QString entry = list->item(row)->text();
        const QRect at = list->visualItemRect(list->item(row));
        mouse(list->viewport(), QEvent::MouseButtonPress, at.center());
        mouse(list->viewport(), QEvent::MouseButtonRelease, at.center());
        mouse(list->viewport(), QEvent::MouseButtonDblClick, at.center());
        mouse(list->viewport(), QEvent::MouseButtonRelease, at.center());
        ASSERT_EQ(boxes.size(), 1u) << row;
        EXPECT_EQ(boxes[0].text, "The folder " + entry + " does not exist.");
        EXPECT_EQ(form->selectedFolder(), pictures);
        EXPECT_EQ(list->count(), 4);
    }
    EXPECT_EQ(ReadBytes(folder_ + "folders.dat").count('\n'), 4);
}

TEST_F(PicturePageTest, FilterListsMatchingFilesAndEveryFolder) {
    QDir(folder_).mkdir("sub.d");
    QDir(folder_).mkdir("nodot");
    for (const char* name : {"a.BMP", "b.bmp", "photo.Jpg", "noext", "notes.txt"}) {
        WriteBytes(folder_ + name, "x");
    }
    // Folders first, then by name whatever the case.
    const auto shown = [&](int entry) {
        form->FilterComboBox1->setCurrentIndex(entry);
        WaitFor([&] { return listed().contains("sub.d"); });
        return listed();
    };
    ASSERT_TRUE(form->selectFolder(folder_));
    EXPECT_EQ(shown(0), (QStringList{"nodot", "sub.d", "a.BMP", "b.bmp", "landscape.bmp",
                                     "photo.Jpg", "portrait.bmp"}));
    EXPECT_EQ(shown(6), (QStringList{"nodot", "sub.d", "photo.Jpg"}));
    EXPECT_EQ(shown(13), (QStringList{"nodot", "sub.d", "a.BMP", "b.bmp", "landscape.bmp",
                                      "notes.txt", "photo.Jpg", "portrait.bmp"}));
    EXPECT_EQ(shown(12), (QStringList{"nodot", "sub.d"}));
    EXPECT_EQ(form->selectedFolder(), folder_);
}

TEST_F(PicturePageTest, OpeningAFolderInTheListSelectsItInTheTree) {
    QDir(folder_).mkdir("inner");
    WriteBytes(folder_ + "inner/x.bmp", "x");
    choose(folder_, "inner");
    doubleClickChosen();
    EXPECT_EQ(form->selectedFolder(), folder_ + "inner/");
    EXPECT_TRUE(WaitFor([&] { return listed() == QStringList{"x.bmp"}; }));
    EXPECT_TRUE(form->favourites().entries().isEmpty());
    EXPECT_TRUE(boxes.empty());

    // Enter with nothing selected opens nothing.
    form->JamShellList1->clearSelection();
    EXPECT_TRUE(press(form->JamShellList1, Qt::Key_Enter));
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(form->favourites().entries().isEmpty());
}

TEST_F(PicturePageTest, DroppedFileOpensAndJoinsTheFavourites) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(folder_ + "portrait.bmp")});
    const QPoint at(300, 200);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(WaitFor([&] { return form->Breit->text() == "480 Pixel"; }));
    EXPECT_EQ(form->favourites().entries(), QStringList{folder_});

    // A dropped folder is shown in the browser.
    QDir(folder_).mkdir("dropped");
    data.setUrls({QUrl::fromLocalFile(folder_ + "dropped")});
    QDragEnterEvent folderEnter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &folderEnter);
    QDropEvent folderDrop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &folderDrop);
    EXPECT_TRUE(WaitFor([&] { return form->selectedFolder() == folder_ + "dropped/"; }));
    EXPECT_EQ(form->favourites().entries(), QStringList{folder_});
    EXPECT_TRUE(boxes.empty());

    // Dropped on the controls of the page, with the plain text a file
    // manager adds beside the address.
    data.setUrls({QUrl::fromLocalFile(folder_ + "landscape.bmp")});
    data.setText(folder_ + "landscape.bmp");
    for (QWidget* target : std::initializer_list<QWidget*>{
             form->Breit, form->DibPrevPaint, form->JamShellList1->viewport(),
             form->PrefListBox->viewport(), form->FilterComboBox1}) {
        SCOPED_TRACE(target->metaObject()->className());
        form->Breit->setText("x");
        const QPoint inside(2, 2);
        QDragEnterEvent childEnter(inside, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &childEnter);
        EXPECT_TRUE(childEnter.isAccepted());
        QDropEvent childDrop(inside, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &childDrop);
        EXPECT_TRUE(WaitFor([&] { return form->Breit->text() == "640 Pixel"; }));
    }

    QMimeData text;
    text.setText("not a file");
    QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

// What the command line names: a picture opens as from the file list, its
// folder shown and made a favourite; a folder is shown; a file that is not
// there gives the load's message and nothing else.
TEST_F(PicturePageTest, APathFromOutsideOpensAsTheFileListWould) {
    const QFileInfo png(Fixture("png/pillow_rgb_8bit.png"));
    const QString pngFolder = png.absolutePath() + "/";
    form->openPath(png.absoluteFilePath());
    EXPECT_EQ(form->PageControl2->currentIndex(), 0);
    EXPECT_EQ(form->selectedFolder(), pngFolder);
    EXPECT_EQ(form->Breit->text(), QString::number(DibWidth(form->session().source())) + " Pixel");
    EXPECT_NE(form->Breit->text(), "320 pixels");
    EXPECT_EQ(form->favourites().entries(), QStringList{pngFolder});
    EXPECT_TRUE(boxes.empty());

    form->openPath(folder_);
    EXPECT_EQ(form->selectedFolder(), folder_);
    EXPECT_EQ(form->favourites().entries(), QStringList{pngFolder});

    const QString shown = form->Breit->text();
    for (const QString& missing : {folder_ + "nothing.png", folder_ + "gone/nothing.png"}) {
        boxes.clear();
        form->openPath(missing);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE((boxes[0].text + boxes[0].caption).contains(missing));
        EXPECT_EQ(form->Breit->text(), shown);
        EXPECT_EQ(form->selectedFolder(), folder_);
    }
    EXPECT_EQ(form->favourites().entries(), (QStringList{folder_, pngFolder}));
}

// Undo right after a load brings the picture before it back, with its
// distortion, boxes, preview and views; redo brings the loaded one back from
// memory; the start-up picture gets the boxes it started with.
TEST_F(PicturePageTest, UndoingALoadBringsBackThePictureWithItsBoxesPreviewAndViews) {
    const QString startWidth = form->Breit->text();
    const QString startColours = form->Tief->text();
    openByEnter(folder_, "landscape.bmp");
    distort();
    const std::vector<Displacement> distorted = Entries(form->session().field());
    openByEnter(folder_, "portrait.bmp");
    ASSERT_TRUE(form->UndoBtn->isEnabled());
    EXPECT_FALSE(form->RedoBtn->isEnabled());
    ASSERT_TRUE(QFile::remove(dir_.filePath("portrait.bmp")));  // redo needs no file

    form->UndoBtnClick();
    EXPECT_EQ(Entries(form->session().field()), distorted);
    EXPECT_EQ(form->Breit->text(), "640 Pixel");
    EXPECT_EQ(form->Hoch->text(), "480 Pixel");
    EXPECT_EQ(preview().pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(form->PaintBox1->size(), QSize(640, 480));
    EXPECT_EQ(form->ErgPaintBox->size(), QSize(640, 480));
    EXPECT_TRUE(form->RedoBtn->isEnabled());

    form->RedoBtnClick();
    EXPECT_TRUE(IsIdentity(form->session().field()));
    EXPECT_EQ(form->Breit->text(), "480 Pixel");
    EXPECT_EQ(preview().pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(form->PaintBox1->size(), QSize(480, 640));

    for (int k = 0; k < 3; ++k) {  // the portrait, the stroke, the landscape
        form->UndoBtnClick();
    }
    EXPECT_EQ(form->Breit->text(), startWidth);
    EXPECT_EQ(form->Tief->text(), startColours);
    EXPECT_EQ(form->PaintBox1->size(), QSize(320, 200));
    EXPECT_FALSE(form->UndoBtn->isEnabled());
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace grimora
