// SPDX-License-Identifier: GPL-3.0-or-later
// A shown main window on the offscreen platform, with the message boxes
// answered by the test and events sent as the user would make them.
#pragma once

#include <memory>
#include <vector>

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "platform/message_box.h"

namespace grimora {

// A field's entries, to compare whole fields.
inline std::vector<Displacement> FieldEntries(const DisplacementField& field) {
    return {field.data(), field.data() + field.size()};
}

class MainFormTest : public testing::Test {
protected:
    MainFormTest()
        : answerer_([this](const MessageBoxRequest& request) {
              boxes.push_back(request);
              return answer;
          }) {
        form = std::make_unique<TMainForm>();
        form->show();
        settle();
    }

    ~MainFormTest() override {
        answer = IDOK;
        form.reset();
    }

    // Lets the layouts and pending paints run.
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
        }
    }

    void showPage(int index) {
        form->PageControl2->setCurrentIndex(index);
        settle();
    }

    static void mouse(QWidget* widget, QEvent::Type type, QPoint at,
                      Qt::MouseButton button = Qt::LeftButton) {
        // A move carries the buttons held (none for a hover), not a button.
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, at, widget->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    static void wheel(QWidget* widget, int delta) {
        QWheelEvent event(QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &event);
    }

    int answer = IDOK;
    std::vector<MessageBoxRequest> boxes;
    std::unique_ptr<TMainForm> form;

private:
    ScopedMessageBoxAnswerer answerer_;
};

}  // namespace grimora
