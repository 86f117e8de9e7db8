// SPDX-License-Identifier: GPL-3.0-or-later
#include <set>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "../main_form_fixture.h"
#include "app/dialogs/about_box.h"
#include "app/layout_pictures.h"
#include "app/panel.h"
#include "platform/shell_open.h"
#include "widgets/image_btn.h"

namespace grimora {
namespace {

TEST(AboutBox, TheYearTakesThePlaceOfTheFirstFourXs) {
    struct Case {
        const char* caption;
        int year;
        const char* shown;
    };
    const Case cases[] = {
        {"Copyright \u00a9 XXXX The Grimora authors", 2026,
         "Copyright \u00a9 2026 The Grimora authors"},
        {"XXXX-XXXX", 2031, "2031-XXXX"},
        {"(c) XXXXX", 987, "(c) 987X"},  // no leading zeros
        {"No year here", 2026, "2026No year here"},
        {"", 2026, "2026"},
        {"xxxx XXX", 2026, "2026xxxx XXX"},  // only capitals count
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CopyrightWithYear(QString::fromUtf8(c.caption), c.year),
                  QString::fromUtf8(c.shown));
    }

    const TAboutBox box(nullptr, QDate(2026, 12, 31));
    EXPECT_EQ(box.Copyright->text(),
              QString::fromUtf8("Copyright \u00a9 2026 The Grimora authors"));
    const TAboutBox later(nullptr, QDate(2031, 1, 1));
    EXPECT_TRUE(later.Copyright->text().contains(QStringLiteral(" 2031 ")));
}

TEST(AboutBox, EveryControlSitsWhereTheLayoutPutsIt) {
    const TAboutBox box(nullptr);
    EXPECT_EQ(box.objectName(), "AboutBox");
    EXPECT_EQ(box.windowTitle(), "Info");
    EXPECT_EQ(box.size(), QSize(664, 453));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());

    struct Place {
        QWidget* widget;
        const char* name;
        QPoint at;
        QSize size;  // empty: sized to its text
        bool inPanel;
    };
    const Place places[] = {
        {box.Panel1, "Panel1", {8, 8}, {649, 385}, false},
        {box.ProgramIcon, "ProgramIcon", {16, 40}, {306, 322}, true},
        {box.ProductName, "ProductName", {8, 8}, {}, true},
        {box.Copyright, "Copyright", {336, 40}, {}, true},
        {box.Comments, "Comments", {336, 56}, {257, 33}, true},
        {box.Label1, "Label1", {336, 96}, {}, true},
        {box.Label2, "Label2", {336, 112}, {}, true},
        {box.Label3, "Label3", {336, 128}, {238, 121}, true},
        {box.BitBtnXP1, "BitBtnXP1", {336, 240}, {169, 25}, true},
        {box.BitBtn1, "BitBtn1", {241, 404}, {181, 37}, false},
    };
    for (const Place& p : places) {
        SCOPED_TRACE(p.name);
        ASSERT_NE(p.widget, nullptr);
        EXPECT_EQ(p.widget->objectName(), p.name);
        EXPECT_EQ(p.widget->pos(), p.at);
        if (!p.size.isEmpty()) {
            EXPECT_EQ(p.widget->size(), p.size);
        }
        const QWidget* parent = p.inPanel ? static_cast<const QWidget*>(box.Panel1) : &box;
        EXPECT_EQ(p.widget->parentWidget(), parent);
    }
    EXPECT_EQ(box.BitBtnXP1->text(), QString::fromUtf8(kMakerWebAddress));
    EXPECT_TRUE(box.Label3->text().contains(QString::fromUtf8(kMakerWebAddress)));
    EXPECT_TRUE(box.Comments->wordWrap());
    EXPECT_TRUE(box.Label1->font().bold());
    EXPECT_TRUE(box.ProductName->font().bold());
    EXPECT_EQ(box.ProductName->font().pixelSize(), 24);

    // The panel's colour, and the logo inside it, read through our library.
    const QImage shown = box.Panel1->grab().toImage();
    EXPECT_EQ(shown.pixel(5, 200), qRgb(240, 202, 166));
    const QPixmap logo = AboutLogoPixmap();
    ASSERT_EQ(logo.size(), QSize(306, 322));
    std::set<QRgb> colours;
    const QImage logoImage = logo.toImage();
    for (int y = 0; y < logoImage.height(); y += 3) {
        for (int x = 0; x < logoImage.width(); x += 3) {
            colours.insert(logoImage.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 100u);
    EXPECT_EQ(box.ProgramIcon->pixmap().size(), QSize(306, 322));
}

TEST(AboutBox, TheWebButtonOpensTheMakersSiteAndTheBoxStaysOpen) {
    QStringList opened;
    ScopedShellOpener opener([&opened](QWidget*, const QString& url) {
        opened << url;
        return true;
    });
    TAboutBox box(nullptr);
    box.show();
    box.BitBtnXP1->click();
    EXPECT_EQ(opened, QStringList{"https://grimora.example"});
    EXPECT_TRUE(box.isVisible());
    box.BitBtn1->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST_F(MainFormTest, EachAboutClickMakesAFreshBoxThatIsGoneAfterwards) {
    std::vector<QObject*> seen;
    for (int i = 0; i < 2; ++i) {
        QTimer::singleShot(0, [&seen] {
            auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen.push_back(box);
            box->BitBtn1->click();
        });
        form->ueberbtn->clicked();
        EXPECT_TRUE(form->findChildren<TAboutBox*>().isEmpty());
    }
    ASSERT_EQ(seen.size(), 2u);
}

}  // namespace
}  // namespace grimora
