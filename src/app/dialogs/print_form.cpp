// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dialogs/print_form.h"

#include <algorithm>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPen>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QStyle>

#include "app/dialogs/print_picture.h"
#include "app/layout_pictures.h"
#include "app/panel.h"
#include "picture/dib_queries.h"
#include "picture/draw_dib.h"
#include "platform/qt_device_context.h"

namespace grimora {

namespace {

constexpr int kPreviewMargin = 8;

// Drawing a 24-bit picture on a screen reports nothing.
class NoMessages final : public MessageSink {
public:
    void showMessage(const std::string&) override {}
};

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* Label(QWidget* parent, const QString& text, const QPoint& at) {
    auto* label = new QLabel(text, parent);
    label->move(at);
    label->adjustSize();
    return label;
}

void BesideField(QLabel* label) {
    label->resize(label->width(), 22);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QSettings Settings() {
    return QSettings(QString::fromLatin1(kSettingsName), QString::fromLatin1(kSettingsName));
}

int StoredPercent(const QSettings& settings, const QString& key, int fallback) {
    bool ok = false;
    const int value = settings.value(key, fallback).toInt(&ok);
    return ok ? std::clamp(value, kMinPrintPercent, kMaxPrintPercent) : fallback;
}

}  // namespace

PercentEdit::PercentEdit(int minimum, int maximum, QWidget* parent)
    : SpinEdit(minimum, maximum, 1, 0, parent) {}

QValidator::State PercentEdit::validate(QString& input, int& /*pos*/) const {
    if (input.isEmpty()) {
        return QValidator::Intermediate;
    }
    for (const QChar c : input) {
        if (!c.isDigit() || c.unicode() > 0x7F) {
            return QValidator::Invalid;
        }
    }
    if (input.size() > 3) {
        return QValidator::Invalid;
    }
    const int value = input.toInt();
    if (value > maximum()) {
        return QValidator::Invalid;
    }
    return value < minimum() ? QValidator::Intermediate : QValidator::Acceptable;
}

void PrintPreviewBox::paintEvent(QPaintEvent* /*event*/) {
    if (draw_) {
        QPainter painter(this);
        draw_(painter);
    }
}

TPrintForm::TPrintForm(QWidget* parent, const Dib& picture, QPrinter& printer)
    : QDialog(parent), picture_(picture), printer_(printer) {
    buildLayout();
    restoreSettings();

    connect(UseFullCheck, &QRadioButton::clicked, this, &TPrintForm::PrintPaintBoxPaint);
    connect(UserdefCheck, &QRadioButton::clicked, this, &TPrintForm::UserdefCheckClick);
    connect(BreitEdit, &SpinEdit::changed, this, &TPrintForm::BreitEditChange);
    connect(HochEdit, &SpinEdit::changed, this, &TPrintForm::HochEditChange);
    connect(SverhCheck, &QCheckBox::clicked, this, &TPrintForm::PrintPaintBoxPaint);
    connect(ZentrCheck, &QCheckBox::clicked, this, &TPrintForm::PrintPaintBoxPaint);
    connect(OkBitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(PrintSetupBtn, &QPushButton::clicked, this, &TPrintForm::PrintSetupBtnClick);
    // The percentages count only for the user-defined size.
    connect(UserdefCheck, &QRadioButton::toggled, this, [this](bool userDefined) {
        BreitEdit->setEnabled(userDefined);
        HochEdit->setEnabled(userDefined);
    });
    BreitEdit->setEnabled(UserdefCheck->isChecked());
    HochEdit->setEnabled(UserdefCheck->isChecked());
    PrintPaintBox->setDraw([this](QPainter& painter) { paintPreview(painter); });
}

TPrintForm::~TPrintForm() = default;

void TPrintForm::buildLayout() {
    setObjectName(QStringLiteral("PrintForm"));
    setWindowTitle(QStringLiteral("Print picture..."));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // The labels beside the percentage fields have 64 pixels: a font with the
    // narrow letters of the layout's 11-pixel sans serif, not the wider
    // application font, keeps "Height in %:" whole.
    QFont dialogFont(QStringLiteral("Arial"));
    dialogFont.setPixelSize(11);
    setFont(dialogFont);
    const QSize clientSize(427, 328);
    setFixedSize(clientSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, clientSize,
                                        screen->availableGeometry()));
    }

    Label(this, QStringLiteral("Preview:"), {16, 0});
    auto* previewPanel =
        new Panel(this, palette().color(QPalette::Button), Bevel::Lowered, Bevel::None);
    previewPanel->setGeometry(16, 24, 200, 225);
    PrintPaintBox = Named(new PrintPreviewBox(previewPanel), "PrintPaintBox");
    PrintPaintBox->setGeometry(4, 17, 190, 190);

    auto* sizeGroup = new QGroupBox(QStringLiteral("Print size"), this);
    sizeGroup->setGeometry(232, 24, 185, 129);
    UseFullCheck =
        Named(new QRadioButton(QStringLiteral("Use page fully"), sizeGroup), "UseFullCheck");
    UseFullCheck->setGeometry(16, 24, 153, 17);
    UserdefCheck =
        Named(new QRadioButton(QStringLiteral("User-defined"), sizeGroup), "UserdefCheck");
    UserdefCheck->setGeometry(16, 48, 153, 17);
    // Placed where the layout has them, as high as their fields and with the
    // text in the middle, so that it lines up with the field's.
    BesideField(Label(sizeGroup, QStringLiteral("Width in %:"), {16, 72}));
    BreitEdit = Named(new PercentEdit(kMinPrintPercent, kMaxPrintPercent, sizeGroup), "BreitEdit");
    BreitEdit->setGeometry(80, 72, 89, 22);
    BesideField(Label(sizeGroup, QStringLiteral("Height in %:"), {16, 96}));
    // Beside its label in the group, though not one of its children.
    HochEdit = Named(new PercentEdit(kMinPrintPercent, kMaxPrintPercent, this), "HochEdit");
    HochEdit->setGeometry(312, 120, 89, 22);

    auto* optionsGroup = new QGroupBox(QStringLiteral("Print options"), this);
    optionsGroup->setGeometry(232, 160, 185, 89);
    SverhCheck =
        Named(new QCheckBox(QStringLiteral("Maintain aspect ratio"), optionsGroup), "SverhCheck");
    SverhCheck->setGeometry(8, 24, 169, 17);
    ZentrCheck =
        Named(new QCheckBox(QStringLiteral("Centered output"), optionsGroup), "ZentrCheck");
    ZentrCheck->setGeometry(8, 48, 169, 17);
    HochEdit->raise();

    // A line along the bottom of its band.
    auto* separator = new QWidget(this);
    separator->setGeometry(0, 264, 427, 16);
    auto* line = new QFrame(separator);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, 14, 427, 2);

    OkBitBtn1 = Named(new QPushButton(QStringLiteral("&OK"), this), "OkBitBtn1");
    OkBitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    OkBitBtn1->setGeometry(29, 296, 89, 25);
    OkBitBtn1->setDefault(true);
    PrintSetupBtn =
        Named(new QPushButton(QStringLiteral("Setup printer..."), this), "PrintSetupBtn");
    PrintSetupBtn->setIcon(QIcon(LayoutPixmap(LayoutPicture::PrintGlyph)));
    PrintSetupBtn->setGeometry(125, 296, 177, 25);
    CancelBitBtn2 = Named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelBitBtn2");
    CancelBitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    CancelBitBtn2->setGeometry(309, 296, 89, 25);
}

PrintOptions TPrintForm::options() const {
    PrintOptions options;
    options.useFullPage = !UserdefCheck->isChecked();
    options.widthPercent = std::clamp(BreitEdit->percent(), kMinPrintPercent, kMaxPrintPercent);
    options.heightPercent = std::clamp(HochEdit->percent(), kMinPrintPercent, kMaxPrintPercent);
    options.keepAspect = SverhCheck->isChecked();
    options.centred = ZentrCheck->isChecked();
    return options;
}

void TPrintForm::restoreSettings() {
    const PrintOptions start;
    QSettings settings = Settings();
    settings.beginGroup(QStringLiteral("PrintForm"));
    const bool full = settings.value(QStringLiteral("UseFullPage"), start.useFullPage).toBool();
    UseFullCheck->setChecked(full);
    UserdefCheck->setChecked(!full);
    BreitEdit->setValue(
        StoredPercent(settings, QStringLiteral("WidthPercent"), start.widthPercent));
    HochEdit->setValue(
        StoredPercent(settings, QStringLiteral("HeightPercent"), start.heightPercent));
    SverhCheck->setChecked(settings.value(QStringLiteral("KeepAspect"), start.keepAspect).toBool());
    ZentrCheck->setChecked(settings.value(QStringLiteral("Centred"), start.centred).toBool());
    // Only the maximised state comes back: a minimised modal dialog would
    // leave the program without a window, and a broken value must not put
    // the small fixed dialog over the whole screen.
    const auto state = Qt::WindowStates::fromInt(
        settings.value(QStringLiteral("WindowState"), 0).toInt() & Qt::WindowMaximized);
    setWindowState(state);
}

void TPrintForm::storeSettings() const {
    const PrintOptions chosen = options();
    QSettings settings = Settings();
    settings.beginGroup(QStringLiteral("PrintForm"));
    settings.setValue(QStringLiteral("UseFullPage"), chosen.useFullPage);
    settings.setValue(QStringLiteral("WidthPercent"), chosen.widthPercent);
    settings.setValue(QStringLiteral("HeightPercent"), chosen.heightPercent);
    settings.setValue(QStringLiteral("KeepAspect"), chosen.keepAspect);
    settings.setValue(QStringLiteral("Centred"), chosen.centred);
    settings.setValue(QStringLiteral("WindowState"), windowState().toInt());
}

void TPrintForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TPrintForm::done(int result) {
    storeSettings();
    QDialog::done(result);
}

void TPrintForm::FormShow() {
    // Stored percentages may come from a picture of another shape.
    if (UserdefCheck->isChecked()) {
        keepInStep(true);
    }
    PrintPaintBoxPaint();
}

void TPrintForm::PrintPaintBoxPaint() {
    PrintPaintBox->update();
}

void TPrintForm::UserdefCheckClick() {
    keepInStep(true);
    PrintPaintBoxPaint();
}

void TPrintForm::BreitEditChange() {
    keepInStep(true);
    PrintPaintBoxPaint();
}

void TPrintForm::HochEditChange() {
    keepInStep(false);
    PrintPaintBoxPaint();
}

void TPrintForm::keepInStep(bool widthChanged) {
    // The change made here raises the other field's handler, which must not
    // answer it.
    if (syncing_ || !SverhCheck->isChecked() || !UserdefCheck->isChecked()) {
        return;
    }
    const PageMetrics page = PageMetricsOf(printer_);
    const int32_t w = DibWidth(picture_);
    const int32_t h = DibHeight(picture_);
    syncing_ = true;
    if (widthChanged) {
        HochEdit->setValue(HeightPercentForWidth(BreitEdit->percent(), page.printable.width,
                                                 page.printable.height, w, h, HochEdit->percent()));
    } else {
        BreitEdit->setValue(WidthPercentForHeight(HochEdit->percent(), page.printable.width,
                                                  page.printable.height, w, h,
                                                  BreitEdit->percent()));
    }
    syncing_ = false;
}

void TPrintForm::PrintSetupBtnClick() {
    QPrintDialog setup(&printer_, this);
    setup.setObjectName(QStringLiteral("PrinterSetupDialog1"));
    setup.setWindowTitle(QStringLiteral("Setup printer"));
    // Here the dialog chooses the printer; the printing comes after OK in
    // the print dialog, so its button must not promise to print.
    if (auto* buttons = setup.findChild<QDialogButtonBox*>()) {
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) {
            ok->setText(QStringLiteral("&OK"));
        }
    }
    PrinterSetupDialog1 = &setup;
    setup.exec();
    PrinterSetupDialog1 = nullptr;
    // Another paper or printer has another printable area.
    if (UserdefCheck->isChecked()) {
        keepInStep(true);
    }
    PrintPaintBoxPaint();
}

void TPrintForm::paintPreview(QPainter& painter) {
    const QRect box = PrintPaintBox->rect();
    painter.fillRect(box, palette().color(QPalette::Button));
    const PagePreview preview =
        PreviewPage(PageMetricsOf(printer_), box.width(), box.height(), kPreviewMargin,
                    DibWidth(picture_), DibHeight(picture_), options());
    if (preview.page.width <= 0) {
        return;
    }
    const QRect page(static_cast<int>(preview.page.x), static_cast<int>(preview.page.y),
                     static_cast<int>(preview.page.width), static_cast<int>(preview.page.height));
    painter.fillRect(page, Qt::white);
    painter.setPen(Qt::black);
    painter.drawRect(page.adjusted(0, 0, -1, -1));
    if (preview.picture.width > 0 && picture_.bits != nullptr) {
        // A frame just outside the picture, so that a white picture shows on
        // the white page.
        const QRect picture(
            static_cast<int>(preview.picture.x), static_cast<int>(preview.picture.y),
            static_cast<int>(preview.picture.width), static_cast<int>(preview.picture.height));
        painter.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
        painter.drawRect(picture.adjusted(-1, -1, 0, 0));
        QtDeviceContext dc(painter);
        NoMessages messages;
        DrawDib(dc, static_cast<int32_t>(preview.picture.x),
                static_cast<int32_t>(preview.picture.y),
                static_cast<int32_t>(preview.picture.width),
                static_cast<int32_t>(preview.picture.height), picture_, 0, 0, DibWidth(picture_),
                DibHeight(picture_), true, RasterOp::SrcCopy, true, nullptr, messages);
    }
}

}  // namespace grimora
