// SPDX-License-Identifier: GPL-3.0-or-later
// A pen on the editing view: its pressure scales the strength of each dab
// while "Pressure" is checked.
#include <vector>

#include <QCheckBox>
#include <QPointingDevice>
#include <QTabletEvent>

#include "app/main_form.h"
#include "editor/views/edit_canvas.h"
#include "main_form_fixture.h"

namespace grimora {
namespace {

class PenTest : public MainFormTest {
protected:
    PenTest()
        : pen_(QStringLiteral("test pen"), 4711, QInputDevice::DeviceType::Stylus,
               QPointingDevice::PointerType::Pen,
               QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3) {
        showPage(1);
    }

    // What the platform sends for a pen: the tablet event, then, as the
    // view does not take it, the mouse event that Qt makes of it.
    void pen(QEvent::Type tablet, QEvent::Type mouse, QPoint at, double pressure) {
        const Qt::MouseButtons held =
            tablet == QEvent::TabletRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        const Qt::MouseButton button = tablet == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton;
        QWidget* view = form->PaintBox1;
        QTabletEvent penEvent(tablet, &pen_, at, view->mapToGlobal(QPointF(at)), pressure, 0, 0, 0,
                              0, 0, Qt::NoModifier, button, held);
        penEvent.accept();
        QApplication::sendEvent(view, &penEvent);
        EXPECT_FALSE(penEvent.isAccepted());
        QMouseEvent made(mouse, at, at, view->mapToGlobal(QPointF(at)), button, held,
                         Qt::NoModifier, Qt::MouseEventSynthesizedByQt, &pen_);
        QApplication::sendEvent(view, &made);
    }

    // The field of the same painting steps at the given strengths.
    static std::vector<Displacement> expected(const std::vector<ViewPoint>& points,
                                              const std::vector<double>& strengths) {
        WarpSession direct;
        BrushSettings brush;
        for (std::size_t i = 0; i < points.size(); ++i) {
            brush.strength = strengths[i];
            direct.DoEffekt(PaintingStepParams(points[i], i == 0 ? points[0] : points[i - 1], brush,
                                               {1, 1}, 200));
        }
        return FieldEntries(direct.field());
    }

    QPointingDevice pen_;
};

TEST_F(PenTest, PressureScalesTheStrengthOnlyWhileChecked) {
    EXPECT_FALSE(form->PressureCheck->isChecked());
    EXPECT_EQ(form->PressureCheck->geometry(), QRect(8, 362, 74, 17));
    pen(QEvent::TabletPress, QEvent::MouseButtonPress, {100, 80}, 0.3);
    pen(QEvent::TabletRelease, QEvent::MouseButtonRelease, {100, 80}, 0.0);
    EXPECT_EQ(FieldEntries(form->session().field()), expected({{100, 80}}, {0.4}));

    // Checked: k = round(p * 1024) for each dab; 0.3 is 307, 0.77 is 788.
    form->PressureCheck->setChecked(true);
    pen(QEvent::TabletPress, QEvent::MouseButtonPress, {160, 100}, 0.3);
    pen(QEvent::TabletMove, QEvent::MouseMove, {175, 105}, 0.77);
    pen(QEvent::TabletRelease, QEvent::MouseButtonRelease, {175, 105}, 0.0);
    // A mouse presses fully.
    mouse(form->PaintBox1, QEvent::MouseButtonPress, {220, 60});
    mouse(form->PaintBox1, QEvent::MouseButtonRelease, {220, 60});
    EXPECT_EQ(FieldEntries(form->session().field()),
              expected({{100, 80}, {160, 100}, {175, 105}, {220, 60}},
                       {0.4, 0.4 * 307 / 1024, 0.4 * 788 / 1024, 0.4}));
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace grimora
