// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed positions and sizes of the window's layout, read back from the
// named controls, and how the free parts follow a resized window.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
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
    EXPECT_EQ(form->WachsenBtn->toolTip(), "Growing");
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

}  // namespace
}  // namespace grimora
