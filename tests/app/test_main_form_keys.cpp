// SPDX-License-Identifier: GPL-3.0-or-later
// The keys and the wheel beyond the layout's own.
#include <cmath>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/main_form.h"
#include "editor/views/edit_canvas.h"
#include "main_form_fixture.h"
#include "widgets/spin_edit.h"

namespace grimora {
namespace {

class KeysTest : public MainFormTest {
protected:
    void typeZoom(const char* text) {
        form->ZoomEd->findChild<QLineEdit*>()->setText(QString::fromUtf8(text));
    }
    static void wheelWith(QWidget* widget, QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &event);
    }
    static void key(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                    QEvent::Type type = QEvent::KeyPress) {
        QKeyEvent event(type, key, modifiers);
        QApplication::sendEvent(widget, &event);
    }
    // The picture point under a point of ScrollBox1's viewport, in picture
    // pixels with fractions.
    QPointF pictureUnder(QPoint viewportPoint) const {
        const ZoomRatio zoom = form->session().zoom();
        const QPoint device =
            form->PaintBox1->devicePoint(QPointF(viewportPoint) - QPointF(form->PaintBox1->pos()));
        return QPointF(device) * zoom.denominator / zoom.numerator;
    }
};

// Ctrl and the wheel over the editing view step the zoom field, keeping the
// picture point under the pointer; Shift scrolls sideways; a turn the other
// way counts its 120 units afresh.
TEST_F(KeysTest, TheWheelZoomsWithCtrlScrollsSidewaysWithShiftAndCountsEachWayAfresh) {
    ASSERT_TRUE(form->takePicture([] {
        OwnedDib p;
        p.make(900, 700, 24);
        return p;
    }()));
    showPage(1);
    typeZoom("2.0");
    QScrollBar* h = form->ScrollBox1->horizontalScrollBar();
    QScrollBar* v = form->ScrollBox1->verticalScrollBar();
    h->setValue(300);
    v->setValue(200);
    const QPoint at(170, 90);  // in the viewport
    for (const auto& [delta, zoom] : {std::pair{120, "2.1"}, std::pair{240, "2.3"},
                                      std::pair{-120, "2.2"}, std::pair{-360, "1.9"}}) {
        const QPointF before = pictureUnder(at);
        wheelWith(form->PaintBox1, at - form->PaintBox1->pos(), delta, Qt::ControlModifier);
        EXPECT_EQ(form->ZoomEd->text(), zoom);
        const QPointF after = pictureUnder(at);
        EXPECT_LE(std::abs(after.x() - before.x()), 1.0) << zoom;
        EXPECT_LE(std::abs(after.y() - before.y()), 1.0) << zoom;
    }

    // Shift: sideways, 20 a step, on this page and the next.
    const int top = v->value();
    const int left = h->value();
    wheelWith(form->ScrollBox1->viewport(), at, -120, Qt::ShiftModifier);
    EXPECT_EQ(h->value(), left + 20);
    EXPECT_EQ(v->value(), top);

    // Half a step down, then half a step up: the turn back starts afresh,
    // so the next half step up makes a whole one.
    wheel(form->PaintBox1, -60);
    wheel(form->PaintBox1, 60);
    EXPECT_EQ(v->value(), top);
    wheel(form->PaintBox1, 60);
    EXPECT_EQ(v->value(), top - 20);
    EXPECT_TRUE(boxes.empty());
}

// Ctrl+0 fits the picture into the visible area with the zoom field's
// largest zoom that does; Ctrl+1 goes back to 1.0. From any page.
TEST_F(KeysTest, CtrlZeroFitsThePictureAndCtrlOneShowsItAtOne) {
    ASSERT_TRUE(form->takePicture([] {
        OwnedDib p;
        p.make(3000, 2000, 24);
        return p;
    }()));
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    for (const int page : {1, 0}) {
        showPage(page);
        QTest::keyClick(form.get(), Qt::Key_0, Qt::ControlModifier);
        const QSize area = form->ScrollBox1->maximumViewportSize();
        EXPECT_LE(form->PaintBox1->width(), area.width());
        EXPECT_LE(form->PaintBox1->height(), area.height());
        EXPECT_EQ(form->ZoomEd->text().toStdString(),
                  FitZoomText(3000, 2000, area.width(), area.height()));
        QTest::keyClick(form.get(), Qt::Key_1, Qt::ControlModifier);
        EXPECT_EQ(form->ZoomEd->text(), "1.0");
        EXPECT_EQ(form->PaintBox1->size(), QSize(3000, 2000));
    }
}

// With the editing view in focus: 1 to 5 choose the brushes of the tool
// bar from the top, the mask brushes of its second column the next digits;
// [ and ] step the radius, Shift+[ and Shift+] the strength. Elsewhere the
// keys do what they always did.
TEST_F(KeysTest, TheEditingViewTakesBrushRadiusAndStrengthKeys) {
    showPage(1);
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    form->PaintBox1->setFocus();
    ASSERT_TRUE(form->PaintBox1->hasFocus());
    const QList<QToolButton*> order = {form->WachsenBtn, form->SchrumpfenBtn, form->SchmierenBtn,
                                       form->ZerrenBtn,  form->RadiererBtn,   form->FreezeBtn,
                                       form->ThawBtn};
    EXPECT_EQ(form->BrushButtons, order);
    for (const int k : {3, 5, 7, 2, 6, 4, 1}) {
        key(form->PaintBox1, Qt::Key_0 + k);
        for (int i = 0; i < order.size(); ++i) {
            EXPECT_EQ(order[i]->isChecked(), i == k - 1) << k;
        }
        EXPECT_TRUE(order[k - 1]->toolTip().endsWith(QStringLiteral("(%1)").arg(k)));
    }
    key(form->PaintBox1, Qt::Key_8);  // no eighth brush
    EXPECT_TRUE(form->WachsenBtn->isChecked());

    key(form->PaintBox1, Qt::Key_BracketRight);
    EXPECT_EQ(form->RadiusED->text(), "55");
    key(form->PaintBox1, Qt::Key_BracketLeft);
    key(form->PaintBox1, Qt::Key_BracketLeft);
    EXPECT_EQ(form->RadiusED->text(), "45");
    key(form->PaintBox1, Qt::Key_BraceLeft, Qt::ShiftModifier);
    EXPECT_EQ(form->StarkED->text(), "0.3");
    key(form->PaintBox1, Qt::Key_BracketRight, Qt::ShiftModifier);
    key(form->PaintBox1, Qt::Key_BraceRight, Qt::ShiftModifier);
    EXPECT_EQ(form->StarkED->text(), "0.5");
    for (int i = 0; i < 8; ++i) {
        key(form->PaintBox1, Qt::Key_BraceRight, Qt::ShiftModifier);
    }
    EXPECT_EQ(form->StarkED->text(), "1.0");  // the field's range holds

    // In the zoom field a digit is typed, not a brush chosen.
    form->ZoomEd->setFocus();
    QTest::keyClick(form->ZoomEd, Qt::Key_3);
    EXPECT_TRUE(form->WachsenBtn->isChecked());
    EXPECT_TRUE(boxes.empty());
}

// Space held on the view: a drag moves the picture and paints nothing; once
// Space is let go, the buttons paint again.
TEST_F(KeysTest, SpaceAndADragMoveTheEditingView) {
    showPage(1);
    typeZoom("5.0");  // a 1600 x 1000 view
    form->PaintBox1->setFocus();
    QScrollBar* h = form->ScrollBox1->horizontalScrollBar();
    QScrollBar* v = form->ScrollBox1->verticalScrollBar();
    h->setValue(400);
    v->setValue(300);
    const std::vector<Displacement> before = FieldEntries(form->session().field());
    key(form->PaintBox1, Qt::Key_Space);
    EXPECT_TRUE(form->PaintBox1->spaceHeld());
    EXPECT_EQ(form->PaintBox1->cursor().shape(), Qt::OpenHandCursor);
    const QPoint from = QPoint(500, 400);  // in the view
    mouse(form->PaintBox1, QEvent::MouseButtonPress, from);
    EXPECT_EQ(form->PaintBox1->cursor().shape(), Qt::ClosedHandCursor);
    mouse(form->PaintBox1, QEvent::MouseMove, from + QPoint(-30, 40), Qt::LeftButton);
    mouse(form->PaintBox1, QEvent::MouseButtonRelease, from + QPoint(-30, 40) + QPoint(30, -40));
    EXPECT_EQ(h->value(), 430);
    EXPECT_EQ(v->value(), 260);
    EXPECT_FALSE(form->strokes().strokeActive());
    EXPECT_FALSE(form->strokes().outlineVisible());
    EXPECT_EQ(FieldEntries(form->session().field()), before);

    QKeyEvent autoRepeat(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(form->PaintBox1, &autoRepeat);
    EXPECT_TRUE(form->PaintBox1->spaceHeld());
    key(form->PaintBox1, Qt::Key_Space, Qt::NoModifier, QEvent::KeyRelease);
    EXPECT_FALSE(form->PaintBox1->spaceHeld());
    EXPECT_NE(form->PaintBox1->cursor().shape(), Qt::OpenHandCursor);
    mouse(form->PaintBox1, QEvent::MouseButtonPress, from);
    mouse(form->PaintBox1, QEvent::MouseButtonRelease, from);
    EXPECT_NE(FieldEntries(form->session().field()), before);
}

// The outline goes when the pointer leaves the view.
TEST_F(KeysTest, TheOutlineLeavesWithThePointer) {
    showPage(1);
    form->PaintBox1->drawPicture();
    const QImage plain = form->PaintBox1->backing().copy();
    mouse(form->PaintBox1, QEvent::MouseMove, {100, 80}, Qt::NoButton);
    ASSERT_TRUE(form->strokes().outlineVisible());
    ASSERT_NE(form->PaintBox1->backing(), plain);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(form->PaintBox1, &leave);
    EXPECT_FALSE(form->strokes().outlineVisible());
    EXPECT_EQ(form->PaintBox1->backing(), plain);
}

// Ctrl+S and Ctrl+P open the save and the print dialog from every page.
TEST_F(KeysTest, CtrlSAndCtrlPOpenTheDialogsFromAnyPage) {
    for (const int page : {0, 1, 2}) {
        showPage(page);
        for (const auto& [keyCode, kind] :
             {std::pair{Qt::Key_S, "QFileDialog"}, std::pair{Qt::Key_P, "grimora::TPrintForm"}}) {
            QString shown;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    watch.stop();
                    shown = QString::fromLatin1(dialog->metaObject()->className());
                    dialog->reject();
                }
            });
            watch.start(0);
            // The dialog closed before leaves no window active here.
            QApplication::setActiveWindow(form.get());
            QTest::keyClick(form.get(), keyCode, Qt::ControlModifier);
            watch.stop();
            EXPECT_EQ(shown, QString::fromLatin1(kind)) << page;
        }
    }
    EXPECT_TRUE(form->SaveAsBtn->toolTip().contains("Ctrl+S"));
    EXPECT_TRUE(form->PrintBtn->toolTip().contains("Ctrl+P"));
}

}  // namespace
}  // namespace grimora
