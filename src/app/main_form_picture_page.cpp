// SPDX-License-Identifier: GPL-3.0-or-later
// The picture page: folder browser, file-type filter, favourite folders,
// loading and preview.
#include <cstring>
#include <string>
#include <utility>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

#include "app/browser/file_drop_filter.h"
#include "app/browser/key_press_filter.h"
#include "app/browser/list_columns.h"
#include "app/browser/mask_filter_model.h"
#include "app/browser/picture_loading.h"
#include "app/browser/preview_box.h"
#include "app/main_form.h"
#include "editor/load_memory.h"
#include "editor/views/result_view.h"
#include "picture/depth_convert.h"
#include "picture/dib_queries.h"
#include "picture/draw_dib.h"
#include "platform/message_box.h"
#include "platform/qt_device_context.h"

namespace grimora {

namespace {

QString WithSeparator(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

// The library's message, read no further than its field.
QString ErrorTextOf(const Dib& record) {
    return QString::fromLocal8Bit(
        record.errorText, static_cast<qsizetype>(strnlen(record.errorText, kErrorTextSize)));
}

// Qt's own icons where the desktop has no icon theme, so that folders do not
// look like files. Never freed: the models' reading threads use it until
// they end, which is after the window has gone.
QAbstractFileIconProvider* FileIcons() {
    static auto* const icons = new QFileIconProvider;
    return icons;
}

// Narrowest the file list's name column is made before the columns right of
// it give way.
constexpr int kNameColumnMinimum = 100;

// Drawing a 24-bit picture on a screen reports nothing.
class NoMessages final : public MessageSink {
public:
    void showMessage(const std::string& /*text*/) override {}
};

}  // namespace

void TMainForm::setUpPicturePage() {
    // The filter box's entries; choosing one, and setting them, applies its
    // mask to the file list.
    filters_ = ParseFilterList(QString::fromLatin1(kPictureFilterList));
    fileModel_ = new QFileSystemModel(this);
    fileModel_->setFilter(QDir::AllEntries | QDir::AllDirs | QDir::NoDotAndDotDot);
    fileModel_->setReadOnly(true);
    fileModel_->setIconProvider(FileIcons());
    fileFilter_ = new MaskFilterModel(this);
    fileFilter_->setSourceModel(fileModel_);
    for (const FilterEntry& entry : filters_) {
        FilterComboBox1->addItem(entry.description);
    }
    FilterComboBox1->setCurrentIndex(0);
    FilterComboBox1Change();
    connect(FilterComboBox1, &QComboBox::currentIndexChanged, this,
            &TMainForm::FilterComboBox1Change);

    // Folders only, from the file system's root down.
    folderModel_ = new QFileSystemModel(this);
    folderModel_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    folderModel_->setReadOnly(true);
    folderModel_->setIconProvider(FileIcons());
    folderModel_->setRootPath(QStringLiteral("/"));
    JamShellTree1->setModel(folderModel_);
    for (int column = 1; column < folderModel_->columnCount(); ++column) {
        JamShellTree1->hideColumn(column);
    }
    JamShellTree1->setSelectionMode(QAbstractItemView::SingleSelection);
    JamShellTree1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(JamShellTree1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { listFolder(selectedFolder()); });
    // The model reads and sorts folders in the background: each time rows
    // arrive above the selected folder, it is scrolled back into view once
    // the tree has laid them out.
    const auto revealLater = [this] {
        QTimer::singleShot(0, JamShellTree1, [this] {
            if (revealTreeSelection_) {
                JamShellTree1->scrollTo(JamShellTree1->currentIndex());
            }
        });
    };
    const auto userMovedTree = [this] { revealTreeSelection_ = false; };
    connect(JamShellTree1, &QTreeView::expanded, this, userMovedTree);
    connect(JamShellTree1, &QTreeView::collapsed, this, userMovedTree);
    connect(JamShellTree1->verticalScrollBar(), &QScrollBar::actionTriggered, this, userMovedTree);
    connect(folderModel_, &QAbstractItemModel::rowsInserted, this,
            [this, revealLater](const QModelIndex& parent) {
                const QModelIndex current = JamShellTree1->currentIndex();
                for (QModelIndex above = current.parent(); above.isValid();
                     above = above.parent()) {
                    if (above == parent) {
                        revealLater();
                        return;
                    }
                }
            });
    connect(folderModel_, &QAbstractItemModel::layoutChanged, this, revealLater);

    // The file list in detail view: name, size, type, date. It renames
    // nothing, so Enter always opens.
    JamShellList1->setModel(fileFilter_);
    JamShellList1->setItemsExpandable(false);
    JamShellList1->setUniformRowHeights(true);
    JamShellList1->setSelectionMode(QAbstractItemView::SingleSelection);
    JamShellList1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    JamShellList1->setExpandsOnDoubleClick(false);
    JamShellList1->setSortingEnabled(true);
    JamShellList1->sortByColumn(0, Qt::AscendingOrder);
    listColumns_ = new ListColumnFitter(JamShellList1, kNameColumnMinimum);
    connect(JamShellList1, &QAbstractItemView::doubleClicked, this,
            &TMainForm::JamShellList1DblClick);
    new KeyPressFilter(JamShellList1, [this](char& key) { JamShellList1KeyPress(key); });

    PrefListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(PrefListBox, &QListWidget::itemDoubleClicked, this, &TMainForm::PrefListBoxDblClick);
    new KeyPressFilter(PrefListBox, [this](char& key) { PrefListBoxKeyPress(key); });

    connect(DibPrevPaint, &PreviewBox::paintRequested, this, &TMainForm::DibPrevPaintPaint);

    new FileDropFilter(this, [this](const QString& path) { openPath(path); });

    // The tree starts at the program's folder; then the favourites are read.
    const QString folder = EffectiveExecutableFolder(executableFolder());
    favouritesFile_ = folder + QString::fromLatin1(kFavouritesFileName);
    selectFolder(folder);
    favourites_.load(favouritesFile_);
    PrefListBox->addItems(favourites_.entries());
}

bool TMainForm::takePicture(OwnedDib picture, PreparedPicture prepared, const QString& origin) {
    if (!session_->loadPicture(std::move(picture), std::move(prepared), *this,
                               origin.toStdString())) {
        return false;
    }
    strokes_->resizeView();
    strokes_->PaintBox1Paint();
    ErgPaintBox->setPicture(&session_->result());
    showPictureInfo();
    strokes_->historyRecorded();
    return true;
}

bool TMainForm::openfilenow(const QString& fileName) {
    const QByteArray name = QFile::encodeName(fileName);
    // The field and the result picture are made on the second core while
    // the file decodes (for the size its header claims), and thrown away
    // when the load goes no further.
    PicturePreparation preparation = PicturePreparation::forFile(name.constData());
    Dib record;
    OpenPicture(record, name.constData(), [this](int percent) { WMUser(percent); });
    OwnedDib loaded(record);
    if (loaded->bits == nullptr) {
        // The bar the loader filled part-way goes with the load.
        SetProStatus(0);
        const LoadFailureBox box = LoadFailureMessage(fileName, ErrorTextOf(record));
        MessageBox(this, box.text, box.caption, MB_OK);
        return false;
    }

    // Finished first: the memory check below would otherwise wait on the
    // preparation's calls to the system.
    PreparedPicture prepared = preparation.take();

    // Everything the new picture needs is asked for while the old picture
    // and its distortion still stand, so that a picture too large for memory
    // costs nothing but a message; memory kept for the next recovery copy is
    // not worth that.
    recovery_->releasePrepared();
    const int32_t width = DibWidth(loaded.get());
    const int32_t height = DibHeight(loaded.get());
    if (!CheckLoadMemory(width, height, DibBitCount(loaded.get()), prepared.holds(width, height))
             .enough) {
        SetProStatus(0);
        MessageBox(this,
                   QStringLiteral("There is not enough memory to edit a picture of %1 x %2 "
                                  "pixels. The previous picture stays.")
                       .arg(width)
                       .arg(height),
                   QString::fromUtf8(kApplicationTitle), MB_OK | MB_ICONWARNING);
        return false;
    }
    DepthUpTo(loaded, 24, random(), [this](int32_t percent) { SetProStatus(percent); });
    // As loaded: a recovery copy checks the picture against this later.
    recovery_->pictureLoaded(fileName.toStdString());
    return takePicture(std::move(loaded), std::move(prepared), fileName);
}

void TMainForm::DibPrevPaintPaint(QPainter& painter) {
    const Dib& source = session().source();
    if (source.bits == nullptr) {
        return;
    }
    const int32_t pictureWidth = DibWidth(source);
    const int32_t pictureHeight = DibHeight(source);
    const std::optional<FitSize> fit =
        PreviewFit(DibPrevPaint->width(), DibPrevPaint->height(), pictureWidth, pictureHeight);
    if (!fit) {
        return;
    }
    QtDeviceContext dc(painter);
    NoMessages messages;
    DrawDib(dc, 0, 0, fit->width, fit->height, source, 0, 0, pictureWidth, pictureHeight, true,
            RasterOp::SrcCopy, true, nullptr, messages);
}

void TMainForm::FilterComboBox1Change() {
    fileFilter_->setMasks(MaskOfChoice(filters_, FilterComboBox1->currentIndex()));
}

QString TMainForm::selectedFolder() const {
    const QModelIndex current = JamShellTree1->currentIndex();
    if (!current.isValid()) {
        return {};
    }
    return WithSeparator(folderModel_->filePath(current));
}

bool TMainForm::selectFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir()) {
        return false;
    }
    const QModelIndex index = folderModel_->index(QDir::cleanPath(info.absoluteFilePath()));
    if (!index.isValid()) {
        return false;
    }
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) {
        JamShellTree1->expand(above);
    }
    JamShellTree1->setCurrentIndex(index);
    JamShellTree1->scrollTo(index);
    revealTreeSelection_ = true;
    return true;
}

void TMainForm::openPath(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) {
        if (!selectFolder(path)) {
            folderMissing(path);
        }
        return;
    }
    // As a double-click in the file list: the tree shows the file's folder,
    // which joins the favourites whether the load succeeds or not. A folder
    // that is not there is no favourite; the load's message says enough.
    const QString folder = WithSeparator(info.absolutePath());
    const bool folderExists = selectFolder(folder);
    openfilenow(path);
    if (folderExists) {
        AddToPrefFolders(folder);
    }
}

void TMainForm::listFolder(const QString& folder) {
    if (folder.isEmpty()) {
        JamShellList1->setRootIndex(fileFilter_->mapFromSource(fileModel_->index(QString())));
        return;
    }
    const QString path = QDir::cleanPath(folder);
    fileModel_->setRootPath(path);
    JamShellList1->setRootIndex(fileFilter_->mapFromSource(fileModel_->index(path)));
    JamShellList1->clearSelection();
    if (listColumns_ != nullptr) {
        listColumns_->fitLater();
    }
}

void TMainForm::folderMissing(const QString& folder) {
    MessageBox(this, QStringLiteral("The folder ") + folder + QStringLiteral(" does not exist."),
               QString::fromUtf8(kApplicationTitle), MB_OK | MB_ICONWARNING);
}

void TMainForm::JamShellList1DblClick() {
    const QModelIndexList chosen = JamShellList1->selectionModel()->selectedRows();
    if (chosen.isEmpty()) {
        return;
    }
    const QModelIndex item = fileFilter_->mapToSource(chosen.first());
    if (fileModel_->isDir(item)) {
        selectFolder(fileModel_->filePath(item));
        return;
    }
    // A tree selection without a path names no file.
    const QString folder = selectedFolder();
    if (folder.isEmpty()) {
        return;
    }
    openfilenow(folder + fileModel_->fileName(item));
    AddToPrefFolders(folder);
}

void TMainForm::JamShellList1KeyPress(char& key) {
    // A label editor would take the keys itself; the list has none open, as
    // it renames nothing.
    if (key == kEnterKey) {
        JamShellList1DblClick();
        key = 0;
    }
}

void TMainForm::PrefListBoxDblClick() {
    const int i = PrefListBox->currentRow();
    if (i < 0 || i >= PrefListBox->count() || !PrefListBox->item(i)->isSelected()) {
        return;
    }
    const QString folder = PrefListBox->item(i)->text();
    if (!selectFolder(folder)) {
        folderMissing(folder);
    }
}

void TMainForm::PrefListBoxKeyPress(char& key) {
    if (key == kEnterKey) {
        PrefListBoxDblClick();
    }
}

void TMainForm::AddToPrefFolders(const QString& folder) {
    favourites_.add(folder);
    PrefListBox->clear();
    PrefListBox->addItems(favourites_.entries());
    // A folder that cannot be written keeps the old file; the list on
    // screen has the change all the same.
    favourites_.save(favouritesFile_);
}

}  // namespace grimora
