// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/main_form.h"
#include "editor/views/edit_canvas.h"
#include "editor/views/progress_status_bar.h"
#include "editor/views/result_view.h"
#include "main_form_fixture.h"
#include "picture/dib_queries.h"
#include "picture/pictrix.h"
#include "platform/shell_open.h"
#include "warp/render.h"
#include "widgets/image_btn.h"
#include "widgets/spin_edit.h"

namespace grimora {
namespace {

void typeInto(SpinEdit* edit, const char* text) {
    edit->findChild<QLineEdit*>()->setText(QString::fromUtf8(text));
}

std::vector<Displacement> entries(const DisplacementField& field) {
    return {field.data(), field.data() + field.size()};
}

std::vector<Displacement> identity(int32_t width, int32_t height) {
    DisplacementField field(width, height);
    InitMask(field);
    return entries(field);
}

bool samePixels(const Dib& a, const Dib& b) {
    const uint32_t size = a.info->bmiHeader.biSizeImage;
    return size == b.info->bmiHeader.biSizeImage && std::memcmp(a.bits, b.bits, size) == 0;
}

class NoMessages : public MessageSink {
public:
    void showMessage(const std::string& /*text*/) override {}
};

TEST_F(MainFormTest, StartsWithTheWhitePictureAtOneToOneOnTheFirstPage) {
    EXPECT_EQ(form->windowTitle(), "Grimora 2.0");
    EXPECT_EQ(form->objectName(), "MainForm");
    EXPECT_EQ(form->PageControl2->currentIndex(), 0);

    const QString folder = form->executableFolder();
    EXPECT_EQ(folder, QCoreApplication::applicationDirPath() + "/");
    EXPECT_EQ(form->helpFile(), folder);

    const WarpSession& session = form->session();
    EXPECT_EQ(session.width(), 320);
    EXPECT_EQ(session.height(), 200);
    EXPECT_EQ(session.zoom(), (ZoomRatio{1, 1}));
    EXPECT_EQ(entries(session.field()), identity(320, 200));
    const Dib& result = session.result();
    EXPECT_EQ(result.info->bmiHeader.biBitCount, 24);
    const auto* bits = static_cast<const unsigned char*>(result.bits);
    EXPECT_TRUE(std::all_of(bits, bits + result.info->bmiHeader.biSizeImage,
                            [](unsigned char b) { return b == 0xFF; }));

    EXPECT_EQ(form->PaintBox1->size(), QSize(320, 200));
    EXPECT_EQ(form->ErgPaintBox->size(), QSize(320, 200));
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 1000);
    EXPECT_FALSE(form->strokes().strokeActive());
    EXPECT_FALSE(form->strokes().outlineVisible());

    EXPECT_TRUE(form->WachsenBtn->isChecked());
    EXPECT_TRUE(form->xyCheck->isChecked());
    EXPECT_TRUE(form->NormalizeCheck->isChecked());
    EXPECT_EQ(form->StarkED->text(), "0.4");
    EXPECT_EQ(form->RadiusED->text(), "50");
    EXPECT_EQ(form->ZoomEd->text(), "1.0");
    EXPECT_EQ(form->Breit->text(), "320 pixels");
    EXPECT_EQ(form->Hoch->text(), "200 pixels");
    EXPECT_EQ(form->Tief->text(), "256");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainFormTest, QuittingAsksFirstAndCancelKeepsEverything) {
    showPage(1);
    mouse(form->PaintBox1, QEvent::MouseButtonPress, {100, 80});
    mouse(form->PaintBox1, QEvent::MouseButtonRelease, {100, 80});
    const std::vector<Displacement> before = entries(form->session().field());

    answer = IDCANCEL;
    mouse(form->endebtn, QEvent::MouseButtonPress, {10, 10});
    mouse(form->endebtn, QEvent::MouseButtonRelease, {10, 10});
    EXPECT_FALSE(form->close());  // the title bar's way goes the same road
    ASSERT_EQ(boxes.size(), 2u);
    for (const MessageBoxRequest& box : boxes) {
        EXPECT_EQ(box.text, "Hereby you quit Grimora 2.0!");
        EXPECT_EQ(box.caption, "Quit program");
        EXPECT_EQ(box.flags, 0x41u);
    }
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(entries(form->session().field()), before);

    answer = IDOK;
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
}

struct StrokeCase {
    const char* name;
    QToolButton* TMainForm::*brushButton;
    QRadioButton* TMainForm::*axisButton;
    const char* strength;
    const char* radius;
    bool normalize;
    BrushSettings expected;
};

BrushSettings brush(EffectMode mode, bool x, bool y, double strength, double radius,
                    bool normalize) {
    BrushSettings b;
    b.mode = mode;
    b.xSwitch = x;
    b.ySwitch = y;
    b.strength = strength;
    b.radius = radius;
    b.normalize = normalize;
    return b;
}

// Press, drag, a tick of the held button, release: the field must be what
// the same three painting steps give on a session of its own.
TEST_F(MainFormTest, AStrokeOnTheViewChangesTheFieldAsItsPaintingStepsDo) {
    const StrokeCase cases[] = {
        {"grow", &TMainForm::WachsenBtn, &TMainForm::xyCheck, "0.4", "50", true,
         brush(EffectMode::Grow, true, true, 0.4, 50, true)},
        {"smear x", &TMainForm::SchmierenBtn, &TMainForm::xCheck, "0.7", "30", false,
         brush(EffectMode::Smear, true, false, 0.7, 30, false)},
        {"lug y beyond range", &TMainForm::ZerrenBtn, &TMainForm::ycheck, "1.5", "abc", true,
         brush(EffectMode::Lug, false, true, 1.5, 5, true)},
        {"shrink", &TMainForm::SchrumpfenBtn, &TMainForm::xyCheck, "0.2", "77.9", true,
         brush(EffectMode::Shrink, true, true, 0.2, 77.9, true)},
    };
    for (const StrokeCase& c : cases) {
        form = std::make_unique<TMainForm>();
        form->show();
        showPage(1);
        (form.get()->*c.brushButton)->click();
        (form.get()->*c.axisButton)->click();
        typeInto(form->StarkED, c.strength);
        typeInto(form->RadiusED, c.radius);
        form->NormalizeCheck->setChecked(c.normalize);
        BrushSettings expected = c.expected;
        const BrushSettings read = form->brushSettings();
        EXPECT_EQ(read.mode, expected.mode) << c.name;
        EXPECT_EQ(read.xSwitch, expected.xSwitch) << c.name;
        EXPECT_EQ(read.ySwitch, expected.ySwitch) << c.name;
        EXPECT_DOUBLE_EQ(read.strength, expected.strength) << c.name;
        EXPECT_DOUBLE_EQ(read.radius, expected.radius) << c.name;
        EXPECT_EQ(read.normalize, expected.normalize) << c.name;

        mouse(form->PaintBox1, QEvent::MouseButtonPress, {150, 90});
        EXPECT_TRUE(form->Timer1->isActive()) << c.name;
        mouse(form->PaintBox1, QEvent::MouseMove, {170, 100}, Qt::LeftButton);
        form->Timer1Timer();
        mouse(form->PaintBox1, QEvent::MouseButtonRelease, {180, 104});
        EXPECT_FALSE(form->Timer1->isActive()) << c.name;
        EXPECT_FALSE(form->strokes().strokeActive()) << c.name;

        WarpSession direct;
        NoMessages host;
        const ViewPoint steps[][2] = {
            {{150, 90}, {150, 90}}, {{170, 100}, {150, 90}}, {{170, 100}, {170, 100}}};
        for (const auto& step : steps) {
            direct.DoEffekt(PaintingStepParams(step[0], step[1], expected, {1, 1}, 200));
        }
        direct.renderdi(host);
        EXPECT_NE(entries(direct.field()), identity(320, 200)) << c.name;
        EXPECT_EQ(entries(form->session().field()), entries(direct.field())) << c.name;
        EXPECT_TRUE(samePixels(form->session().result(), direct.result())) << c.name;
        EXPECT_TRUE(boxes.empty()) << c.name;
    }
}

TEST_F(MainFormTest, EveryMouseButtonStrokesAndAHoverOnlyMovesTheOutline) {
    showPage(1);
    mouse(form->PaintBox1, QEvent::MouseMove, {60, 60}, Qt::NoButton);
    EXPECT_EQ(entries(form->session().field()), identity(320, 200));
    EXPECT_TRUE(form->strokes().outlineVisible());
    EXPECT_EQ(form->strokes().outlineRect(), (OutlineRect{10, 10, 110, 110}));

    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        const std::vector<Displacement> before = entries(form->session().field());
        mouse(form->PaintBox1, QEvent::MouseButtonPress, {160, 100}, button);
        EXPECT_TRUE(form->strokes().strokeActive()) << button;
        EXPECT_TRUE(form->Timer1->isActive()) << button;
        EXPECT_NE(entries(form->session().field()), before) << button;
        mouse(form->PaintBox1, QEvent::MouseButtonRelease, {160, 100}, button);
        EXPECT_FALSE(form->strokes().strokeActive()) << button;
        EXPECT_FALSE(form->Timer1->isActive()) << button;
    }
}

TEST_F(MainFormTest, ZoomFieldSetsTheViewAndRefusesZero) {
    showPage(1);
    struct Case {
        const char* text;
        QSize view;
        ZoomRatio ratio;
        size_t messages;
    };
    // Texts on their way to a number say nothing while they are typed.
    const Case cases[] = {
        {"0.6", {200, 125}, {10, 16}, 0},
        {"2.0", {640, 400}, {20, 10}, 0},
        {"0", {640, 400}, {20, 10}, 0},  // no reciprocal: view and ratio stay
        {"0.", {640, 400}, {20, 10}, 0},
        {"0,", {640, 400}, {20, 10}, 0},
        {"0.5", {160, 100}, {10, 20}, 0},
        {"-3", {160, 100}, {10, 20}, 0},  // for the field to correct
        {"0.3", {96, 60}, {10, 33}, 0},
    };
    for (const Case& c : cases) {
        typeInto(form->ZoomEd, c.text);
        EXPECT_EQ(form->PaintBox1->size(), c.view) << c.text;
        EXPECT_EQ(form->session().zoom(), c.ratio) << c.text;
        ASSERT_EQ(boxes.size(), c.messages) << c.text;
    }

    // A zero the user commits, by Enter or by going to another control, is
    // said while the ratio still stands; then the field puts the text back
    // into its range, which applies. A negative value is only corrected.
    form->activateWindow();
    for (const bool byEnter : {true, false}) {
        SCOPED_TRACE(byEnter ? "Enter" : "focus");
        for (const char* typed : {"0", "-3"}) {
            typeInto(form->ZoomEd, "2.0");
            boxes.clear();
            ZoomRatio atMessage;
            const ScopedMessageBoxAnswerer watch([&](const MessageBoxRequest& request) {
                boxes.push_back(request);
                atMessage = form->session().zoom();
                return IDOK;
            });
            form->ZoomEd->setFocus();
            typeInto(form->ZoomEd, typed);
            if (byEnter) {
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(form->ZoomEd, &enter);
            } else {
                QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
                QApplication::sendEvent(form->ZoomEd, &leave);
            }
            if (std::string(typed) == "0") {
                ASSERT_EQ(boxes.size(), 1u) << typed;
                EXPECT_EQ(boxes[0].text, "Floating point division by zero");
                EXPECT_EQ(atMessage, (ZoomRatio{20, 10}));
            } else {
                EXPECT_TRUE(boxes.empty()) << typed;
            }
            EXPECT_EQ(form->ZoomEd->text(), "0.1") << typed;
            EXPECT_EQ(form->PaintBox1->size(), QSize(32, 20)) << typed;
        }
    }
}

TEST_F(MainFormTest, TheWheelScrollsTheShownPagesViewByTwentyWithinItsRange) {
    typeInto(form->ZoomEd, "10");  // a 3200 x 2000 view
    form->resize(638, 280);        // the result view higher than its box
    settle();

    struct Case {
        int page;
        QScrollArea* TMainForm::*area;
    };
    const Case cases[] = {{1, &TMainForm::ScrollBox1}, {2, &TMainForm::ErgScrollBox}};
    for (const Case& c : cases) {
        showPage(c.page);
        QScrollArea* area = form.get()->*c.area;
        QScrollBar* bar = area->verticalScrollBar();
        ASSERT_GT(bar->maximum(), 60) << c.page;
        QWidget* view = area->widget();
        wheel(view, -120);
        EXPECT_EQ(bar->value(), 20) << c.page;
        wheel(view, -240);  // two steps at once
        EXPECT_EQ(bar->value(), 60) << c.page;
        wheel(view, 60);
        EXPECT_EQ(bar->value(), 60) << c.page;  // half a step waits for the other half
        wheel(view, 60);
        EXPECT_EQ(bar->value(), 40) << c.page;
        wheel(area->viewport(), 120 * 5);
        EXPECT_EQ(bar->value(), 0) << c.page;
        for (int i = 0; i < bar->maximum() / 20 + 2; ++i) {
            wheel(view, -120);
        }
        EXPECT_EQ(bar->value(), bar->maximum()) << c.page;
        EXPECT_EQ(area->horizontalScrollBar()->value(), 0) << c.page;
        bar->setValue(0);
    }

    // On the first page the window's wheel moves neither view.
    showPage(0);
    form->FormMouseWheelDown();
    wheel(form->TabSheetMotivLaden, -120);
    EXPECT_EQ(form->ScrollBox1->verticalScrollBar()->value(), 0);
    EXPECT_EQ(form->ErgScrollBox->verticalScrollBar()->value(), 0);
}

// Pixels of the editing view's picture area darker than mid grey: the
// outline's inverted ink on the white picture.
int darkPixels(const EditCanvas& view) {
    const QImage& shown = view.backing();
    const QRect covered = view.backingRect();
    const QRect picture = covered & QRect(0, 0, 320, 200);
    int dark = 0;
    for (int y = picture.top(); y <= picture.bottom(); ++y) {
        for (int x = picture.left(); x <= picture.right(); ++x) {
            dark += qGray(shown.pixel(x - covered.x(), y - covered.y())) < 128;
        }
    }
    return dark;
}

TEST_F(MainFormTest, ChangingThePageForgetsTheOutline) {
    showPage(1);
    mouse(form->PaintBox1, QEvent::MouseMove, {100, 100}, Qt::NoButton);
    ASSERT_TRUE(form->strokes().outlineVisible());
    ASSERT_GT(darkPixels(*form->PaintBox1), 0);
    showPage(0);
    EXPECT_FALSE(form->strokes().outlineVisible());

    // Back on the page, the repaint draws the picture without the old outline.
    showPage(1);
    EXPECT_EQ(darkPixels(*form->PaintBox1), 0);
}

TEST_F(MainFormTest, BottomBarButtonsOpenTheInfoBoxAndTheWebSite) {
    QString opened;
    ScopedShellOpener opener([&opened](QWidget*, const QString& url) {
        opened = url;
        return true;
    });
    form->wwwBtn->click();
    EXPECT_EQ(opened, "https://grimora.example");
    EXPECT_EQ(form->wwwBtn->text(), QString::fromUtf8(kMakerWebAddress));

    QString title;
    QTimer::singleShot(0, [&title] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            title = modal->windowTitle();
            modal->close();
        }
    });
    form->ueberbtnClick();
    EXPECT_EQ(title, "Info");
    EXPECT_TRUE(form->findChildren<QDialog*>().isEmpty());
}

TEST_F(MainFormTest, AFailingStepEndsTheStrokeBeforeItsMessage) {
    // An 8-bit source cannot be rendered: every step says so. The stroke must
    // be over (timer off, mouse free) when the box opens, or the timer would
    // open one box after another.
    OwnedDib grey;
    ASSERT_TRUE(grey.make(40, 30, 8));
    form->takePicture(std::move(grey));
    ASSERT_EQ(boxes.size(), 1u);  // the load's own render says it once
    EXPECT_EQ(form->PaintBox1->size(), QSize(40, 30));
    EXPECT_EQ(form->ErgPaintBox->size(), QSize(40, 30));
    showPage(1);

    std::vector<bool> strokingWhenShown;
    ScopedMessageBoxAnswerer watcher([&](const MessageBoxRequest& request) {
        boxes.push_back(request);
        strokingWhenShown.push_back(form->Timer1->isActive() || form->PaintBox1->mouseCaptured());
        return IDOK;
    });
    mouse(form->PaintBox1, QEvent::MouseButtonPress, {10, 10});
    form->Timer1Timer();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, kNot24BitsMessage);
    EXPECT_EQ(strokingWhenShown, std::vector<bool>{false});
    EXPECT_FALSE(form->strokes().strokeActive());
}

// A stroke whose release never reaches the view ends as a release at the
// last point would: afterwards the timer is off, nothing paints on, and a
// hover or a tick changes nothing.
TEST_F(MainFormTest, AStrokeEndsWhenItsReleaseCannotReachTheView) {
    QWidget other;
    const struct {
        const char* name;
        std::function<void()> interrupt;
    } cases[] = {
        {"page change", [this] { showPage(2); }},
        {"release over another control",
         [this] {
             mouse(form->StarkED, QEvent::MouseButtonRelease, {2, 2});
         }},
        {"another window active",
         [&other] {
             other.show();
             other.activateWindow();
             QApplication::setActiveWindow(&other);
             settle();
         }},
        {"minimised",
         [this] {
             form->showMinimized();
             settle();
         }},
        {"quit question cancelled",
         [this] {
             answer = IDCANCEL;
             EXPECT_FALSE(form->close());
         }},
    };
    for (const auto& c : cases) {
        form->showNormal();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        showPage(1);
        mouse(form->PaintBox1, QEvent::MouseButtonPress, {100, 80});
        ASSERT_TRUE(form->strokes().strokeActive()) << c.name;
        c.interrupt();
        EXPECT_FALSE(form->strokes().strokeActive()) << c.name;
        EXPECT_FALSE(form->Timer1->isActive()) << c.name;
        EXPECT_FALSE(form->PaintBox1->mouseCaptured()) << c.name;
        EXPECT_TRUE(form->UndoBtn->isEnabled()) << c.name;
        form->showNormal();
        showPage(1);
        const std::vector<Displacement> after = entries(form->session().field());
        mouse(form->PaintBox1, QEvent::MouseMove, {120, 90}, Qt::NoButton);
        form->Timer1Timer();
        EXPECT_EQ(entries(form->session().field()), after) << c.name;
        other.hide();
    }
}

// The buttons and keys take whole strokes back and forth; they are enabled
// only when they can do something, and never during a stroke.
TEST_F(MainFormTest, UndoAndRedoByButtonAndKey) {
    showPage(1);
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    EXPECT_FALSE(form->UndoBtn->isEnabled());
    EXPECT_FALSE(form->RedoBtn->isEnabled());
    EXPECT_EQ(form->UndoBtn->toolTip(), "Take the last stroke or load back (Ctrl+Z)");
    const std::vector<Displacement> start = entries(form->session().field());
    mouse(form->PaintBox1, QEvent::MouseButtonPress, {100, 80});
    EXPECT_FALSE(form->UndoBtn->isEnabled());  // not while the stroke lasts
    mouse(form->PaintBox1, QEvent::MouseMove, {108, 84}, Qt::LeftButton);
    mouse(form->PaintBox1, QEvent::MouseButtonRelease, {108, 84});
    const std::vector<Displacement> stroked = entries(form->session().field());
    ASSERT_NE(stroked, start);
    ASSERT_TRUE(form->UndoBtn->isEnabled());

    const struct {
        QKeyCombination keys;
        const std::vector<Displacement>* field;
        bool undo, redo;
    } steps[] = {
        {Qt::CTRL | Qt::Key_Z, &start, false, true},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, &stroked, true, false},
        {Qt::CTRL | Qt::Key_Z, &start, false, true},
        {Qt::CTRL | Qt::Key_Y, &stroked, true, false},
    };
    for (const auto& step : steps) {
        QTest::keyClick(form.get(), step.keys.key(), step.keys.keyboardModifiers());
        EXPECT_EQ(entries(form->session().field()), *step.field);
        EXPECT_EQ(form->UndoBtn->isEnabled(), step.undo);
        EXPECT_EQ(form->RedoBtn->isEnabled(), step.redo);
    }
    // What the view shows follows: the result as a whole render gives it.
    form->UndoBtn->click();
    OwnedDib whole;
    NoMessages none;
    renderdi(form->session().source(), form->session().field(), whole, none);
    EXPECT_TRUE(samePixels(form->session().result(), whole.get()));
    EXPECT_TRUE(boxes.empty());
}

// What the view shows at view pixel (x, y) at zoom 1: `picture`'s pixel
// there, as an RGB32 colour.
QRgb PictureColour(const Dib& picture, int x, int y) {
    const uint32_t v = getpixel(picture, x, DibHeight(picture) - 1 - y);
    return qRgb(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

OwnedDib Gradient(int32_t width, int32_t height) {
    OwnedDib picture;
    EXPECT_TRUE(picture.make(width, height, 24));
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            setpixel(*picture, c, r,
                     static_cast<uint32_t>((c * 2) & 0xFF) | static_cast<uint32_t>(r & 0xFF) << 8 |
                         static_cast<uint32_t>((c + r) & 0xFF) << 16);
        }
    }
    return picture;
}

// Compare shows the source left of the divider and the result right of it;
// the divider moves under the mouse without a stroke; the backslash held
// shows the source alone in both views, and letting go the result again.
TEST_F(MainFormTest, CompareAndTheBackslashShowTheSourceBesideOrInPlaceOfTheResult) {
    ASSERT_TRUE(form->takePicture(Gradient(200, 150)));
    showPage(1);
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    mouse(form->PaintBox1, QEvent::MouseButtonPress, {100, 75});
    mouse(form->PaintBox1, QEvent::MouseButtonRelease, {100, 75});
    const Dib& source = form->session().source();
    const Dib& result = form->session().result();
    const auto shows = [&](const Dib& picture, int x0, int x1) {
        form->PaintBox1->drawPicture();
        const QImage& shown = form->PaintBox1->backing();
        for (int y = 0; y < 150; y += 3) {
            for (int x = x0; x < x1; ++x) {
                if (shown.pixel(x, y) != PictureColour(picture, x, y)) {
                    return false;
                }
            }
        }
        return true;
    };
    ASSERT_FALSE(shows(source, 60, 140));  // the stroke shows

    form->CompareCheck->setChecked(true);
    const int divider = form->PaintBox1->divider();
    EXPECT_TRUE(shows(source, 0, divider));
    EXPECT_TRUE(shows(result, divider + 1, 200));
    const std::vector<Displacement> field = entries(form->session().field());
    mouse(form->PaintBox1, QEvent::MouseButtonPress, {divider + 2, 40});
    mouse(form->PaintBox1, QEvent::MouseMove, {150, 44}, Qt::LeftButton);
    mouse(form->PaintBox1, QEvent::MouseButtonRelease, {150, 44});
    EXPECT_EQ(form->PaintBox1->divider(), 150);
    EXPECT_EQ(entries(form->session().field()), field);  // no stroke
    EXPECT_TRUE(shows(source, 0, 150));
    form->CompareCheck->setChecked(false);

    QTest::keyPress(form.get(), Qt::Key_Backslash);
    EXPECT_TRUE(form->showingSource());
    EXPECT_TRUE(shows(source, 0, 200));
    EXPECT_EQ(form->ErgPaintBox->grab().toImage().pixel(100, 75), PictureColour(source, 100, 75));
    QTest::keyRelease(form.get(), Qt::Key_Backslash);
    EXPECT_FALSE(form->showingSource());
    EXPECT_TRUE(shows(result, 0, 200));
    EXPECT_EQ(form->ErgPaintBox->grab().toImage().pixel(100, 75), PictureColour(result, 100, 75));
    EXPECT_TRUE(boxes.empty());
}

// Freeze paints the mask, which the view tints while the brush is chosen;
// a grow over it leaves the frozen part; Clear mask is a step undo takes
// back; Show folds counts the folded pixels in the status bar.
TEST_F(MainFormTest, TheMaskBrushesCommandsAndFoldsFromTheToolBar) {
    ASSERT_TRUE(form->takePicture(Gradient(200, 150)));
    showPage(1);
    form->FreezeBtn->click();
    EXPECT_EQ(form->brushSettings().mode, EffectMode::Freeze);
    mouse(form->PaintBox1, QEvent::MouseButtonPress, {100, 75});
    mouse(form->PaintBox1, QEvent::MouseButtonRelease, {100, 75});
    EXPECT_EQ(form->session().mask().at(100, 74), 255);
    EXPECT_NE(form->PaintBox1->backing().pixel(100, 75),
              PictureColour(form->session().result(), 100, 75));  // tinted
    form->WachsenBtn->click();
    EXPECT_EQ(form->PaintBox1->backing().pixel(100, 75),
              PictureColour(form->session().result(), 100, 75));
    mouse(form->PaintBox1, QEvent::MouseButtonPress, {110, 75});
    mouse(form->PaintBox1, QEvent::MouseButtonRelease, {110, 75});
    int movedFree = 0;
    for (int32_t r = 0; r < 150; ++r) {
        for (int32_t c = 0; c < 200; ++c) {
            const bool moved = form->session().field().at(c, r) != Displacement{c, r};
            ASSERT_FALSE(moved && form->session().mask().at(c, r) == 255) << c << "," << r;
            movedFree += moved ? 1 : 0;
        }
    }
    EXPECT_GT(movedFree, 100);

    form->ClearMaskBtn->click();
    EXPECT_EQ(form->session().mask().at(100, 74), 0);
    form->UndoBtnClick();
    EXPECT_EQ(form->session().mask().at(100, 74), 255);

    form->ShowFoldsCheck->setChecked(true);
    EXPECT_EQ(form->StatusBar1->statusText(), "Folded pixels: 0");
    form->SchmierenBtn->click();
    form->StarkED->setValue(1.0);
    for (int pass = 0; pass < 4; ++pass) {
        const int step = pass % 2 == 0 ? 6 : -6;
        const int from = pass % 2 == 0 ? 20 : 180;
        mouse(form->PaintBox1, QEvent::MouseButtonPress, {from, 30});
        for (int k = 1; k <= 25; ++k) {
            mouse(form->PaintBox1, QEvent::MouseMove, {from + k * step, 30 + k % 3},
                  Qt::LeftButton);
        }
        mouse(form->PaintBox1, QEvent::MouseButtonRelease, {from + 25 * step, 30});
    }
    EXPECT_GT(form->folds().count(), 0);
    EXPECT_EQ(form->StatusBar1->statusText(),
              QStringLiteral("Folded pixels: %1").arg(form->folds().count()));
    form->ShowFoldsCheck->setChecked(false);
    EXPECT_EQ(form->StatusBar1->statusText(), "");
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace grimora
