// SPDX-License-Identifier: GPL-3.0-or-later
// The print dialog: the printed size and placement of the result picture,
// with a preview of the page, and the way to the printer's own setup. Its
// choices are kept between runs in the user's settings.
#pragma once

#include <functional>
#include <utility>

#include <QDialog>
#include <QWidget>

#include "app/dialogs/print_layout.h"
#include "picture/dib.h"
#include "widgets/spin_edit.h"

class QCheckBox;
class QPainter;
class QPrintDialog;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace grimora {

// Organisation and application of the stored settings.
inline constexpr const char* kSettingsName = "Grimora";

// A whole-number spin edit that takes only digits, never more than its
// maximum; an empty or zero field is brought to the minimum when editing ends.
class PercentEdit : public SpinEdit {
    Q_OBJECT

public:
    PercentEdit(int minimum, int maximum, QWidget* parent = nullptr);
    QValidator::State validate(QString& input, int& pos) const override;
    int percent() const { return static_cast<int>(value()); }
};

// The preview's paint box: it paints with what the dialog gives it.
class PrintPreviewBox : public QWidget {
public:
    using QWidget::QWidget;
    void setDraw(std::function<void(QPainter&)> draw) { draw_ = std::move(draw); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void(QPainter&)> draw_;
};

class TPrintForm : public QDialog {
    Q_OBJECT

public:
    // `picture` and `printer` are borrowed for the dialog's lifetime; the
    // printer set up here is the one printed on.
    TPrintForm(QWidget* parent, const Dib& picture, QPrinter& printer);
    ~TPrintForm() override;

    // The choices as the controls show them now.
    PrintOptions options() const;

    void FormShow();
    // Redraws the page preview.
    void PrintPaintBoxPaint();
    void UserdefCheckClick();
    void BreitEditChange();
    void HochEditChange();
    void PrintSetupBtnClick();

    PrintPreviewBox* PrintPaintBox = nullptr;
    QRadioButton* UseFullCheck = nullptr;
    QRadioButton* UserdefCheck = nullptr;
    PercentEdit* BreitEdit = nullptr;
    PercentEdit* HochEdit = nullptr;
    QCheckBox* SverhCheck = nullptr;
    QCheckBox* ZentrCheck = nullptr;
    QPushButton* OkBitBtn1 = nullptr;
    QPushButton* PrintSetupBtn = nullptr;
    QPushButton* CancelBitBtn2 = nullptr;
    // Made for each click on PrintSetupBtn, gone after it.
    QPrintDialog* PrinterSetupDialog1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void buildLayout();
    void restoreSettings();
    void storeSettings() const;
    // Paints the preview with `painter` on the paint box.
    void paintPreview(QPainter& painter);
    // With the aspect kept on a user-defined size, the percentage just
    // changed sets the other one.
    void keepInStep(bool widthChanged);

    const Dib& picture_;
    QPrinter& printer_;
    bool syncing_ = false;
};

}  // namespace grimora
