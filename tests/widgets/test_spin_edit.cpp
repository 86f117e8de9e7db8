// SPDX-License-Identifier: GPL-3.0-or-later
#include <memory>
#include <utility>

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "widgets/spin_edit.h"

namespace grimora {
namespace {

struct FieldRange {
    double minimum, maximum, increment;
    int decimals;
};
constexpr FieldRange kStrength{0.1, 1.0, 0.1, 1};
constexpr FieldRange kRadius{5, 300, 5, 0};
constexpr FieldRange kZoom{0.1, 10, 0.1, 1};

class SpinEditTest : public testing::Test {
protected:
    std::unique_ptr<SpinEdit> make(const FieldRange& range, const QString& text) {
        auto edit = std::make_unique<SpinEdit>(range.minimum, range.maximum, range.increment,
                                               range.decimals);
        type(*edit, text);
        return edit;
    }
    static void type(SpinEdit& edit, const QString& text) {
        edit.findChild<QLineEdit*>()->setText(text);
    }
    static void pressReturn(SpinEdit& edit) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(&edit, &press);
    }
};

TEST_F(SpinEditTest, ValueIsTheTextAsReadAndNotANumberReadsAsTheMinimum) {
    struct Case {
        FieldRange range;
        const char* text;
        double value;
    };
    const Case cases[] = {
        {kStrength, "0.4", 0.4}, {kStrength, "0,7", 0.7}, {kStrength, "abc", 0.1},
        {kStrength, "", 0.1},    {kStrength, "2.5", 2.5}, {kRadius, "50", 50},
        {kRadius, "12.5", 12.5}, {kRadius, "-20", -20},   {kRadius, "1e3", 5},
        {kZoom, "0", 0},         {kZoom, "  0.6 ", 0.6},  {kZoom, "x", 0.1},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(make(c.range, QString::fromUtf8(c.text))->value(), c.value) << c.text;
    }
}

TEST_F(SpinEditTest, StepsStayInTheRangeAndShowTheFieldsDecimals) {
    struct Case {
        FieldRange range;
        const char* text;
        int steps;
        const char* after;
    };
    const Case cases[] = {
        {kStrength, "0.4", 1, "0.5"},  {kStrength, "0.7", 1, "0.8"},  {kStrength, "0.4", 9, "1.0"},
        {kStrength, "0.95", 1, "1.0"}, {kStrength, "0.2", -5, "0.1"}, {kStrength, "junk", 1, "0.2"},
        {kStrength, "7", -1, "1.0"},   {kRadius, "50", 1, "55"},      {kRadius, "50", -100, "5"},
        {kRadius, "12", 1, "17"},      {kZoom, "9.9", 1, "10.0"},     {kZoom, "1.0", -3, "0.7"},
        {kZoom, "0.35", 1, "0.45"},    {kZoom, "-4", 1, "0.1"},
    };
    for (const Case& c : cases) {
        auto edit = make(c.range, QString::fromUtf8(c.text));
        edit->stepBy(c.steps);
        EXPECT_EQ(edit->text().toStdString(), c.after) << c.text << " by " << c.steps;
    }
}

TEST_F(SpinEditTest, ArrowsAreOffAtTheEndsOfTheRange) {
    auto edit = make(kRadius, "300");
    EXPECT_EQ(edit->stepEnabled(), QAbstractSpinBox::StepDownEnabled);
    type(*edit, "5");
    EXPECT_EQ(edit->stepEnabled(), QAbstractSpinBox::StepUpEnabled);
    type(*edit, "150");
    EXPECT_EQ(edit->stepEnabled(),
              QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled);
}

TEST_F(SpinEditTest, EveryTextChangeIsReportedAndStepsAtAnEndAreNot) {
    auto edit = make(kZoom, "1.0");
    int changes = 0;
    QObject::connect(edit.get(), &SpinEdit::changed, [&changes] { ++changes; });
    type(*edit, "1.");
    type(*edit, "1.5");
    edit->stepBy(1);
    edit->setValue(10);
    edit->stepBy(1);  // already at the maximum: the text stays, no change
    EXPECT_EQ(changes, 4);
}

TEST_F(SpinEditTest, EndingTheEditBringsTheValueIntoTheRange) {
    struct Case {
        FieldRange range;
        const char* typed;
        const char* corrected;
    };
    const Case cases[] = {
        {kZoom, "-2", "0.1"},  {kZoom, "0", "0.1"},     {kZoom, "12", "10.0"},
        {kZoom, "abc", "0.1"}, {kZoom, "0.35", "0.35"}, {kRadius, "400", "300"},
        {kRadius, "12", "12"}, {kStrength, "", "0.1"},
    };
    for (const Case& c : cases) {
        auto edit = make(c.range, QString::fromUtf8(c.typed));
        pressReturn(*edit);
        EXPECT_EQ(edit->text().toStdString(), c.corrected) << c.typed;
    }

    // Leaving for another control ends the edit; a message box over the
    // window does not.
    for (const auto& [reason, after] :
         {std::pair{Qt::ActiveWindowFocusReason, "-2"}, std::pair{Qt::TabFocusReason, "0.1"}}) {
        auto edit = make(kZoom, "-2");
        QFocusEvent leave(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(edit.get(), &leave);
        EXPECT_EQ(edit->text().toStdString(), after) << reason;
    }
}

}  // namespace
}  // namespace grimora
