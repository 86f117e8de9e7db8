// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed positions and sizes of the window's layout, read back from the
// named controls, and how the free parts follow a resized window.
#include <QAbstractFileIconProvider>
#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>

#include "app/panel.h"
#include "editor/views/progress_status_bar.h"
#include "main_form_fixture.h"
#include "widgets/image_btn.h"

namespace grimora {
namespace {

QWidget* named(const TMainForm& form, const char* name) {
    auto* widget = form.findChild<QWidget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

TEST_F(MainFormTest, NamedControlsSitWhereTheLayoutPutsThem) {
    EXPECT_EQ(form->size(), QSize(638, 512));
    struct Place {
        int page;  // shown while measuring; -1 for the window's frame
        const char* name;
        QRect geometry;  // in the parent's coordinates
    };
    const Place places[] = {
        {-1, "wwwBtn", {5, 5, 137, 33}},      {-1, "ueberbtn", {0, 8, 101, 30}},
        {-1, "endebtn", {104, 8, 101, 30}},   {0, "Breit", {59, 6, 86, 21}},
        {0, "Hoch", {59, 32, 86, 21}},        {0, "Tief", {59, 56, 86, 21}},
        {1, "WachsenBtn", {3, 12, 78, 36}},   {1, "SchrumpfenBtn", {3, 48, 78, 36}},
        {1, "SchmierenBtn", {3, 84, 78, 36}}, {1, "ZerrenBtn", {3, 120, 78, 36}},
        {1, "RadiererBtn", {3, 156, 78, 36}}, {1, "StarkED", {8, 256, 73, 22}},
        {1, "RadiusED", {8, 296, 73, 22}},    {1, "ZoomEd", {8, 336, 73, 22}},
        {1, "PaintBox1", {0, 0, 320, 200}},   {2, "SaveAsBtn", {8, 8, 145, 25}},
        {2, "PrintBtn", {160, 8, 145, 25}},   {2, "ErgPaintBox", {0, 0, 320, 200}},
    };
    for (const Place& place : places) {
        if (place.page >= 0) {
            showPage(place.page);
        }
        if (QWidget* widget = named(*form, place.name)) {
            EXPECT_EQ(widget->geometry(), place.geometry) << place.name;
        }
    }

    showPage(1);
    struct Corner {
        const char* name;
        QPoint at;
    };
    for (const Corner& c : {Corner{"NormalizeCheck", {8, 192}}, Corner{"xyCheck", {8, 208}},
                            Corner{"xCheck", {8, 224}}, Corner{"ycheck", {40, 224}}}) {
        EXPECT_EQ(named(*form, c.name)->pos(), c.at) << c.name;
    }
    EXPECT_EQ(form->xyCheck->text(), "X && Y");  // Qt shows "X & Y"
    showPage(0);
    EXPECT_EQ(form->FilterComboBox1->x(), 188);
    EXPECT_EQ(form->FilterComboBox1->width(), 185);
    EXPECT_EQ(form->PrefListBox->geometry(),
              QRect(121, 0, form->TabSheetMotivLaden->width() - 121, 33));
}

TEST_F(MainFormTest, EveryControlThatTheHandlersUseCanBeFoundByName) {
    for (const char* name :
         {"PageControl2", "TabSheetMotivLaden", "TabSheet2", "TabSheet4", "PrefListBox",
          "JamShellTree1", "JamShellList1", "FilterComboBox1", "DibPrevPaint", "SpeedBar1",
          "ScrollBox1", "ErgScrollBox", "StatusBar1", "Timer1"}) {
        EXPECT_NE(form->findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    }
}

TEST_F(MainFormTest, PagesHaveTheirTabsHeadersAndPanels) {
    struct Page {
        const char* name;
        const char* tab;
        const char* header;
    };
    const Page pages[] = {
        {"TabSheetMotivLaden", "Open picture",
         "Open picture - Choose the picture you will work with!"},
        {"TabSheet2", "Face operation",
         "Distort - Click on the picture to begin with the operation"},
        {"TabSheet4", "Save and print", "Ready! - View, save or print picture"},
    };
    for (int i = 0; i < 3; ++i) {
        showPage(i);
        EXPECT_EQ(form->PageControl2->widget(i)->objectName(), pages[i].name);
        EXPECT_EQ(form->PageControl2->tabText(i), pages[i].tab);
        EXPECT_FALSE(form->PageControl2->tabIcon(i).isNull()) << pages[i].tab;
        const QLabel* header = nullptr;
        for (const QLabel* label : form->PageControl2->widget(i)->findChildren<QLabel*>()) {
            if (label->text() == pages[i].header) {
                header = label;
            }
        }
        ASSERT_NE(header, nullptr) << pages[i].header;
        EXPECT_EQ(header->pos(), QPoint(16, 10));
        EXPECT_TRUE(header->font().bold());
        EXPECT_EQ(header->parentWidget()->height(), 33);
        EXPECT_EQ(header->parentWidget()->width(), form->PageControl2->widget(i)->width());
    }
    EXPECT_EQ(form->StatusBar1->height(), 19);
    EXPECT_EQ(form->wwwBtn->parentWidget()->parentWidget()->height(), 41);
    EXPECT_EQ(form->ueberbtn->toolTip(), "Information about the program");
    EXPECT_EQ(form->endebtn->toolTip(), "Hereby you leave the program");
    EXPECT_EQ(form->WachsenBtn->toolTip(), "Growing (1)");  // the hint, and the key
}

// Fixed widths stay, the scroll boxes and lists take what the window gains,
// and the quit button keeps to the right edge.
TEST_F(MainFormTest, AResizedWindowGrowsOnlyTheFreeParts) {
    for (const QSize size : {QSize(638, 512), QSize(900, 700)}) {
        form->resize(size);
        settle();
        showPage(0);
        EXPECT_EQ(form->JamShellTree1->width(), 185) << size.width();
        QWidget* browser = form->JamShellTree1->parentWidget()->parentWidget()->parentWidget();
        EXPECT_EQ(browser->width(), 373) << size.width();
        EXPECT_EQ(form->JamShellList1->width(), 373 - 185 - 3) << size.width();
        showPage(1);
        EXPECT_EQ(form->SpeedBar1->width(), 84);
        // The tool bar's second column stands between it and the view.
        EXPECT_EQ(form->SpeedBar2->geometry(),
                  QRect(84, form->SpeedBar1->y(), 84, form->SpeedBar1->height()));
        EXPECT_EQ(form->ScrollBox1->x(), 168);
        EXPECT_EQ(form->ScrollBox1->width(), form->TabSheet2->width() - 168);
        EXPECT_EQ(
            form->ScrollBox1->mapTo(form->TabSheet2, QPoint(0, form->ScrollBox1->height())).y(),
            form->TabSheet2->height());
        showPage(2);
        EXPECT_EQ(form->ErgScrollBox->width(), form->TabSheet4->width() - 209);
        const QWidget* rightPanel = form->endebtn->parentWidget();
        EXPECT_EQ(rightPanel->width(), 206);
        EXPECT_EQ(rightPanel->geometry().right(), form->width() - 1) << size.width();
    }
}

// The filter box stays under the file list wherever the splitters go, and
// the list's columns fit it without a horizontal scroll bar.
TEST_F(MainFormTest, TheFilterBoxAndTheColumnsFollowTheFileList) {
    form->resize(900, 600);
    showPage(0);
    QTreeView* list = form->JamShellList1;
    auto* lists = qobject_cast<QSplitter*>(list->parentWidget());
    ASSERT_NE(lists, nullptr);
    auto* parts = qobject_cast<QSplitter*>(lists->parentWidget()->parentWidget());
    ASSERT_NE(parts, nullptr);
    QWidget* browser = lists->parentWidget();
    for (const auto& [treeWidth, browserWidth] :
         {std::pair{185, 373}, std::pair{100, 373}, std::pair{260, 373}, std::pair{185, 520},
          std::pair{150, 300}}) {
        SCOPED_TRACE(testing::Message() << treeWidth << " in " << browserWidth);
        parts->setSizes({browserWidth, parts->width() - browserWidth - 3});
        settle();
        lists->setSizes({treeWidth, lists->width() - treeWidth - 3});
        settle();
        const QRect box = form->FilterComboBox1->geometry();
        const QPoint listLeft = list->mapTo(browser, QPoint(0, 0));
        EXPECT_EQ(box.x(), listLeft.x());
        EXPECT_EQ(box.width(), list->width());
        EXPECT_LE(box.right(), browser->width() - 1);

        int columns = 0;
        for (int k = 0; k < list->header()->count(); ++k) {
            columns += list->header()->isSectionHidden(k) ? 0 : list->header()->sectionSize(k);
        }
        EXPECT_EQ(columns, list->viewport()->width());
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
        EXPECT_FALSE(list->header()->isSectionHidden(0));
    }
    // At the layout's sizes the name and size columns show.
    parts->setSizes({373, parts->width() - 376});
    lists->setSizes({185, 185});
    settle();
    EXPECT_EQ(form->FilterComboBox1->geometry(), QRect(188, 2, 185, 21));
    EXPECT_FALSE(list->header()->isSectionHidden(1));
}

// Without an icon theme (as here) folders and files still have icons, and
// not the same one.
TEST_F(MainFormTest, TheBrowserShowsFolderAndFileIcons) {
    const QAbstractItemModel* tree = form->JamShellTree1->model();
    const QModelIndex folder = form->JamShellTree1->currentIndex();
    ASSERT_TRUE(folder.isValid());
    const QIcon folderIcon = tree->data(folder, Qt::DecorationRole).value<QIcon>();
    EXPECT_FALSE(folderIcon.isNull());
    auto* files = qobject_cast<QFileSystemModel*>(
        qobject_cast<QSortFilterProxyModel*>(form->JamShellList1->model())->sourceModel());
    ASSERT_NE(files, nullptr);
    const QIcon fileIcon = files->iconProvider()->icon(
        QFileInfo(QStringLiteral(GRIMORA_FIXTURES "/png/pillow_rgb_8bit.png")));
    EXPECT_FALSE(fileIcon.isNull());
    EXPECT_NE(fileIcon.pixmap(16).toImage(), folderIcon.pixmap(16).toImage());
}

}  // namespace
}  // namespace grimora
