// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "../main_form_fixture.h"
#include "app/dialogs/print_form.h"
#include "app/dialogs/print_picture.h"
#include "dialog_test_support.h"

namespace grimora {
namespace {

class NoMessages final : public MessageSink {
public:
    void showMessage(const std::string& text) override { ADD_FAILURE() << text; }
};

// A PDF printer on A4 with margins of 10, 15, 20 and 25 mm (left, top,
// right, bottom).
void SetUpPdf(QPrinter& printer, const QString& file, QPageLayout::Orientation orientation) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    ASSERT_TRUE(
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation,
                                          QMarginsF(10, 15, 20, 25), QPageLayout::Millimeter)));
}

class PrintFormTest : public testing::Test {
protected:
    PrintFormTest() : picture(PlainPicture(40, 20, 0, 0, 255)) {
        SetUpPdf(printer, dir.filePath(QStringLiteral("page.pdf")), QPageLayout::Portrait);
    }

    ScratchSettings settings;
    QTemporaryDir dir;
    QPrinter printer{QPrinter::HighResolution};
    OwnedDib picture;
};

TEST_F(PrintFormTest, EveryControlSitsWhereTheLayoutPutsIt) {
    TPrintForm form(nullptr, *picture, printer);
    EXPECT_EQ(form.objectName(), "PrintForm");
    EXPECT_EQ(form.windowTitle(), "Print picture...");
    EXPECT_EQ(form.size(), QSize(427, 328));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());

    struct Place {
        QWidget* widget;
        const char* name;
        QRect geometry;
        const char* group;  // the group box it sits in, "" for the dialog
        const char* text;
    };
    const Place places[] = {
        {form.PrintPaintBox, "PrintPaintBox", {4, 17, 190, 190}, "", ""},
        {form.UseFullCheck, "UseFullCheck", {16, 24, 153, 17}, "Print size", "Use page fully"},
        {form.UserdefCheck, "UserdefCheck", {16, 48, 153, 17}, "Print size", "User-defined"},
        {form.BreitEdit, "BreitEdit", {80, 72, 89, 22}, "Print size", ""},
        {form.HochEdit, "HochEdit", {312, 120, 89, 22}, "", ""},
        {form.SverhCheck, "SverhCheck", {8, 24, 169, 17}, "Print options", "Maintain aspect ratio"},
        {form.ZentrCheck, "ZentrCheck", {8, 48, 169, 17}, "Print options", "Centered output"},
        {form.OkBitBtn1, "OkBitBtn1", {29, 296, 89, 25}, "", "&OK"},
        {form.PrintSetupBtn, "PrintSetupBtn", {125, 296, 177, 25}, "", "Setup printer..."},
        {form.CancelBitBtn2, "CancelBitBtn2", {309, 296, 89, 25}, "", "&Cancel"},
    };
    for (const Place& p : places) {
        SCOPED_TRACE(p.name);
        ASSERT_NE(p.widget, nullptr);
        EXPECT_EQ(p.widget->objectName(), p.name);
        EXPECT_EQ(p.widget->geometry(), p.geometry);
        const auto* group = qobject_cast<const QGroupBox*>(p.widget->parentWidget());
        EXPECT_EQ(group != nullptr ? group->title() : QString(), p.group);
        if (const auto* button = qobject_cast<const QAbstractButton*>(p.widget)) {
            EXPECT_EQ(button->text(), p.text);
        }
    }
    EXPECT_EQ(form.PrintPaintBox->parentWidget()->geometry(), QRect(16, 24, 200, 225));
    EXPECT_EQ(form.findChild<QGroupBox*>()->geometry(), QRect(232, 24, 185, 129));
    EXPECT_EQ(form.SverhCheck->parentWidget()->geometry(), QRect(232, 160, 185, 89));
    // The percentage labels at their fields' left, level with them.
    QStringList labels;
    for (const QLabel* label : form.BreitEdit->parentWidget()->findChildren<QLabel*>()) {
        labels << QStringLiteral("%1 (%2, %3)").arg(label->text()).arg(label->x()).arg(label->y());
    }
    labels.sort();
    EXPECT_EQ(labels, (QStringList{"Height in %: (16, 96)", "Width in %: (16, 72)"}));
}

TEST_F(PrintFormTest, ChoicesStartAsDesignedAndComeBackAtTheNextRun) {
    {
        TPrintForm form(nullptr, *picture, printer);
        EXPECT_EQ(form.options(), PrintOptions{});  // full page, 50 %, aspect, centred
        EXPECT_TRUE(form.UseFullCheck->isChecked());
        EXPECT_FALSE(form.BreitEdit->isEnabled());
        form.UserdefCheck->click();
        EXPECT_TRUE(form.BreitEdit->isEnabled());
        form.SverhCheck->click();
        form.ZentrCheck->click();
        form.BreitEdit->setValue(70);
        form.HochEdit->setValue(20);
        form.reject();  // the choices are kept however the dialog closes
    }
    TPrintForm again(nullptr, *picture, printer);
    EXPECT_EQ(again.options(), (PrintOptions{false, 70, 20, false, false}));
    EXPECT_TRUE(again.UserdefCheck->isChecked());
    EXPECT_TRUE(again.HochEdit->isEnabled());

    // Stored under the program's own name.
    QSettings stored(QStringLiteral("Grimora"), QStringLiteral("Grimora"));
    EXPECT_EQ(stored.value(QStringLiteral("PrintForm/WidthPercent")).toInt(), 70);
    EXPECT_TRUE(QFileInfo(stored.fileName()).absoluteFilePath().startsWith(settings.path()));

    // Broken values come back as the start values or held in range.
    stored.setValue(QStringLiteral("PrintForm/WidthPercent"), QStringLiteral("wide"));
    stored.setValue(QStringLiteral("PrintForm/HeightPercent"), 900);
    stored.setValue(QStringLiteral("PrintForm/WindowState"), -1);
    stored.sync();
    TPrintForm broken(nullptr, *picture, printer);
    EXPECT_EQ(broken.options().widthPercent, 50);
    EXPECT_EQ(broken.options().heightPercent, 100);
    // Neither minimised nor over the whole screen.
    EXPECT_EQ(broken.windowState() & ~Qt::WindowMaximized, Qt::WindowNoState);
}

TEST_F(PrintFormTest, KeepingTheAspectSetsTheOtherPercentageWithoutAnswering) {
    // A4 portrait less the margins: 180 x 257 mm; the picture is 2 : 1.
    TPrintForm form(nullptr, *picture, printer);
    form.UserdefCheck->click();
    // Choosing the user-defined size brings the height in step with 50 %:
    // 90 mm wide, 45 mm high, 17.5 % of 257.
    EXPECT_EQ(form.HochEdit->percent(), 18);
    form.BreitEdit->setValue(80);
    EXPECT_EQ(form.HochEdit->percent(), 28);
    // Typed height: the width follows, and the height stays as typed
    // (a reply from the width's handler would round it to another value).
    form.HochEdit->setValue(33);
    EXPECT_EQ(form.BreitEdit->percent(), 94);
    EXPECT_EQ(form.HochEdit->percent(), 33);
    // A height that would need more than the whole width holds it at 100.
    form.HochEdit->setValue(60);
    EXPECT_EQ(form.BreitEdit->percent(), 100);
    EXPECT_EQ(form.HochEdit->percent(), 60);

    // Without the aspect kept the two are free.
    form.SverhCheck->click();
    form.BreitEdit->setValue(10);
    EXPECT_EQ(form.HochEdit->percent(), 60);
}

TEST_F(PrintFormTest, PercentagesTakeOnlyWholeNumbersFromOneToHundred) {
    TPrintForm form(nullptr, *picture, printer);
    struct Typed {
        const char* text;
        QValidator::State state;
    };
    const Typed typed[] = {
        {"7", QValidator::Acceptable},   {"100", QValidator::Acceptable},
        {"1", QValidator::Acceptable},   {"", QValidator::Intermediate},
        {"0", QValidator::Intermediate}, {"101", QValidator::Invalid},
        {"1000", QValidator::Invalid},   {"2.5", QValidator::Invalid},
        {"-3", QValidator::Invalid},     {"abc", QValidator::Invalid},
        {"\u0665", QValidator::Invalid},  // an Arabic-Indic five
    };
    for (const Typed& t : typed) {
        QString text = QString::fromUtf8(t.text);
        int pos = 0;
        EXPECT_EQ(form.BreitEdit->validate(text, pos), t.state) << t.text;
    }
    // Keys the field refuses never reach it; an empty field ends as 1.
    QLineEdit* line = form.BreitEdit->findChild<QLineEdit*>();
    line->selectAll();
    line->insert(QStringLiteral("x"));
    EXPECT_EQ(line->text(), "50");
    line->setText(QString());
    emit form.BreitEdit->editingFinished();
    EXPECT_EQ(line->text(), "1");
}

TEST_F(PrintFormTest, ThePreviewShowsTheWhitePageAndThePictureWhereItWillPrint) {
    TPrintForm form(nullptr, *picture, printer);
    form.show();
    const QRgb face = form.palette().color(QPalette::Button).rgb();
    const auto look = [&form] { return form.PrintPaintBox->grab().toImage(); };

    QImage shown = look();
    const QRect red = BoundingBox(shown, Red);
    // A4 portrait at 174 pixels high: 123 wide, from x = 33. The picture
    // spans the printable width (10 to 190 mm) and sits in the middle of its
    // height.
    EXPECT_NEAR(red.left(), 33 + 6, 1);
    EXPECT_NEAR(red.width(), 105, 1);
    EXPECT_NEAR(red.height(), 53, 1);
    EXPECT_NEAR(red.top() + red.height() / 2.0, 8 + (15 + 257 / 2.0) * 174 / 297, 1);
    EXPECT_EQ(shown.pixel(40, 12), qRgb(255, 255, 255));  // page, outside the picture
    EXPECT_EQ(shown.pixel(33, 8), qRgb(0, 0, 0));         // its border
    EXPECT_EQ(shown.pixel(3, 3), face);                   // the box around it

    // Top-left: the picture moves to the printable area's corner.
    form.ZentrCheck->click();
    shown = look();
    EXPECT_NEAR(BoundingBox(shown, Red).top(), 8 + 15 * 174 / 297, 1);
    // User-defined 50 %, stretched: half the width, half the height.
    form.SverhCheck->click();
    form.UserdefCheck->click();
    form.HochEdit->setValue(50);
    const QRect half = BoundingBox(look(), Red);
    EXPECT_NEAR(half.width(), 53, 1);
    EXPECT_NEAR(half.height(), 75, 1);
}

TEST_F(PrintFormTest, SetupOpensThePrintersOwnDialogOnThePrinterPrintedOn) {
    TPrintForm form(nullptr, *picture, printer);
    form.show();
    form.UserdefCheck->click();
    ASSERT_EQ(form.HochEdit->percent(), 18);  // upright A4
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* setup = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(setup, nullptr);
        seen = true;
        EXPECT_EQ(setup, form.PrinterSetupDialog1);
        EXPECT_EQ(setup->printer(), &printer);
        const auto* buttons = setup->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        EXPECT_EQ(buttons->button(QDialogButtonBox::Ok)->text(), "&OK");
        // What the user might change there: the page turned on its side.
        printer.setPageOrientation(QPageLayout::Landscape);
        setup->reject();
    });
    form.PrintSetupBtn->click();
    EXPECT_TRUE(seen);
    EXPECT_EQ(form.PrinterSetupDialog1, nullptr);
    // The percentages follow the new printable area: 50 % of 267 mm.
    EXPECT_EQ(form.HochEdit->percent(), 39);
}

struct PrintCase {
    const char* name;
    QPageLayout::Orientation orientation;
    PrintOptions options;
    QRectF expectedMm;  // on the sheet
};

TEST(PrintPicture, ThePrintedPictureLandsWhereTheOptionsPutIt) {
    // A4 with margins 10, 15, 20, 25 mm: printable 180 x 257 mm from (10, 15)
    // upright, 267 x 170 mm lying.
    const auto P = QPageLayout::Portrait;
    const auto L = QPageLayout::Landscape;
    const PrintCase cases[] = {
        {"full page, aspect, centred, portrait",
         P,
         {true, 50, 50, true, true},
         {10, 98.5, 180, 90}},
        {"full page, stretched, top-left, portrait",
         P,
         {true, 50, 50, false, false},
         {10, 15, 180, 257}},
        {"50 %, aspect, top-left, portrait", P, {false, 50, 50, true, false}, {10, 15, 90, 45}},
        {"40 x 60 %, stretched, centred, portrait",
         P,
         {false, 40, 60, false, true},
         {64, 66.4, 72, 154.2}},
        {"full page, aspect, centred, landscape",
         L,
         {true, 50, 50, true, true},
         {10, 33.25, 267, 133.5}},
        {"50 %, aspect, centred, landscape",
         L,
         {false, 50, 50, true, true},
         {76.75, 66.625, 133.5, 66.75}},
    };
    QTemporaryDir dir;
    const OwnedDib picture = PlainPicture(40, 20, 0, 0, 255);
    constexpr int kDpi = 30;
    constexpr double kPixelsPerMm = kDpi / 25.4;
    int n = 0;
    for (const PrintCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = dir.filePath(QStringLiteral("print%1.pdf").arg(++n));
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdf(printer, file, c.orientation);
        NoMessages messages;
        QString error;
        ASSERT_TRUE(PrintPicture(printer, *picture, c.options, messages, error))
            << error.toStdString();

        const QImage page = PdfPage(file, kDpi);
        ASSERT_FALSE(page.isNull());
        const bool upright = c.orientation == P;
        EXPECT_NEAR(page.width(), (upright ? 210 : 297) * kPixelsPerMm, 1);
        const QRect red = BoundingBox(page, Red);
        ASSERT_FALSE(red.isEmpty());
        const QRectF mm = c.expectedMm;
        EXPECT_NEAR(red.left(), mm.left() * kPixelsPerMm, 1.5);
        EXPECT_NEAR(red.top(), mm.top() * kPixelsPerMm, 1.5);
        EXPECT_NEAR(red.right() + 1, mm.right() * kPixelsPerMm, 1.5);
        EXPECT_NEAR(red.bottom() + 1, mm.bottom() * kPixelsPerMm, 1.5);
        // Nothing else is drawn on the sheet.
        const QRect inked =
            BoundingBox(page, [](QRgb p) { return qRed(p) < 250 || qGreen(p) < 250; });
        EXPECT_TRUE(red.adjusted(-1, -1, 1, 1).contains(inked));
    }
}

TEST(PrintPicture, APrinterThatCannotStartIsReported) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("/nonexistent-folder/grimora/page.pdf"));
    const OwnedDib picture = PlainPicture(4, 4, 0, 0, 255);
    NoMessages messages;
    QString error;
    EXPECT_FALSE(PrintPicture(printer, *picture, {}, messages, error));
    EXPECT_TRUE(error.contains(QStringLiteral("/nonexistent-folder/grimora/page.pdf")))
        << error.toStdString();
}

TEST(PrintPicture, NothingToPlaceIsReportedAndStartsNoPrinter) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("empty.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdf(printer, file, QPageLayout::Portrait);
    OwnedDib picture = PlainPicture(4, 4, 0, 0, 255);
    picture->info->bmiHeader.biWidth = 0;
    NoMessages messages;
    QString error;
    EXPECT_FALSE(PrintPicture(printer, *picture, {}, messages, error));
    picture->info->bmiHeader.biWidth = 4;
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(file));  // no blank sheet
}

class PrintFromWindowTest : public MainFormTest {
protected:
    ScratchSettings settings;
    QTemporaryDir dir;
};

TEST_F(PrintFromWindowTest, OkPrintsTheResultPictureAndCancelPrintsNothing) {
    ASSERT_TRUE(form->takePicture(PlainPicture(40, 20, 0, 0, 255)));
    const QString file = dir.filePath(QStringLiteral("result.pdf"));
    SetUpPdf(form->printer(), file, QPageLayout::Landscape);
    EXPECT_EQ(&form->printer(), &form->printer());  // kept between printings

    const auto closeWith = [this](bool ok) {
        QTimer::singleShot(0, [this, ok] {
            auto* dialog = qobject_cast<TPrintForm*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->parentWidget(), form.get());
            (ok ? dialog->OkBitBtn1 : dialog->CancelBitBtn2)->click();
        });
    };
    closeWith(false);
    form->PrintBtn->click();
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(form->findChildren<TPrintForm*>().isEmpty());

    closeWith(true);
    form->PrintBtn->click();
    EXPECT_TRUE(boxes.empty());
    const QImage page = PdfPage(file, 30);
    ASSERT_FALSE(page.isNull());
    // Full page, aspect kept, centred: as in the landscape case above.
    const QRect red = BoundingBox(page, Red);
    EXPECT_NEAR(red.width(), 267 * 30 / 25.4, 3);

    // A printer that cannot start: a message, nothing else.
    form->printer().setOutputFileName(QStringLiteral("/nonexistent-folder/page.pdf"));
    closeWith(true);
    form->PrintBtn->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Print picture...");
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("/nonexistent-folder/page.pdf")));
}

}  // namespace
}  // namespace grimora
