// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_form.h"

#include <algorithm>
#include <functional>
#include <utility>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "editor/views/edit_canvas.h"
#include "editor/views/progress_status_bar.h"
#include "editor/views/result_view.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/shell_open.h"
#include "widgets/image_btn.h"
#include "widgets/spin_edit.h"

namespace grimora {

namespace {

constexpr int kWheelDelta = 120;

// Holding the backslash key, wherever the window's focus is, but in a text
// field, where it is typed like any other character.
class BackslashWatcher : public QObject {
public:
    BackslashWatcher(QWidget* window, std::function<void(bool)> held)
        : QObject(window), window_(window), held_(std::move(held)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Backslash || key->isAutoRepeat() || !watched->isWidgetType() ||
            static_cast<QWidget*>(watched)->window() != window_ ||
            qobject_cast<QLineEdit*>(watched) != nullptr) {
            return false;
        }
        held_(event->type() == QEvent::KeyPress);
        return true;
    }

private:
    QWidget* window_;
    std::function<void(bool)> held_;
};

QString FolderWithSeparator(QString folder) {
    folder = QDir::toNativeSeparators(folder);
    if (!folder.endsWith(QDir::separator())) {
        folder += QDir::separator();
    }
    return folder;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    buildLayout();
    FormCreate();
    connectHandlers();
    setUpPicturePage();
    setUpResultPage();
    setUpKeys();
}

TMainForm::~TMainForm() {
    FormDestroy();
}

void TMainForm::FormCreate() {
    executableFolder_ = FolderWithSeparator(QCoreApplication::applicationDirPath());
    // No help file is named, so the help path is the folder itself.
    helpFile_ = executableFolder_;
    random_.seedFromClock();
    // The white start-up pictures, the identity field for them, zoom 1 : 1,
    // rendered.
    session_ = std::make_unique<WarpSession>();
    strokes_ = std::make_unique<StrokeController>(*session_, *this);
    strokes_->resizeView();
    ErgPaintBox->setPicture(&session_->result());
    startWidth_ = Breit->text();
    startHeight_ = Hoch->text();
    startColours_ = Tief->text();
    historyChanged();
}

void TMainForm::FormDestroy() {
    // The views must not draw the pictures once they are gone.
    PaintBox1->setPicture(nullptr, ZoomRatio{});
    ErgPaintBox->setPicture(nullptr);
    Timer1->stop();
    strokes_.reset();
    session_.reset();
    WinHelp(helpFile_.toStdString(), HELP_QUIT, 0);
}

void TMainForm::connectHandlers() {
    connect(PaintBox1, &EditCanvas::mousePressed, this, &TMainForm::PaintBox1MouseDown);
    connect(PaintBox1, &EditCanvas::mouseMoved, this, &TMainForm::PaintBox1MouseMove);
    connect(PaintBox1, &EditCanvas::mouseReleased, this, &TMainForm::PaintBox1MouseUp);
    connect(PaintBox1, &EditCanvas::paintRequested, this, &TMainForm::PaintBox1Paint);
    connect(PaintBox1, &EditCanvas::captureLost, this, [this] { strokes_->endStrokeHere(); });
    connect(UndoBtn, &QToolButton::clicked, this, &TMainForm::UndoBtnClick);
    connect(ClearMaskBtn, &QToolButton::clicked, this, &TMainForm::ClearMaskBtnClick);
    connect(InvertMaskBtn, &QToolButton::clicked, this, &TMainForm::InvertMaskBtnClick);
    for (QCheckBox* box : {ShowMaskCheck, CompareCheck, ShowGridCheck, ShowFoldsCheck}) {
        connect(box, &QCheckBox::toggled, this, &TMainForm::viewOptionsChanged);
    }
    connect(BrushGroup, &QButtonGroup::buttonToggled, this, [this](QAbstractButton*, bool on) {
        if (on) {
            viewOptionsChanged();
        }
    });
    // The backslash key is watched wherever the focus is in this window.
    qApp->installEventFilter(new BackslashWatcher(this, [this](bool held) { holdSource(held); }));
    connect(RedoBtn, &QToolButton::clicked, this, &TMainForm::RedoBtnClick);
    for (const auto& [keys, slot] :
         {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Z), &TMainForm::UndoBtnClick},
          std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &TMainForm::RedoBtnClick},
          std::pair{QKeySequence(Qt::CTRL | Qt::Key_Y), &TMainForm::RedoBtnClick}}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, slot);
    }
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    connect(ZoomEd, &SpinEdit::changed, this, &TMainForm::ZoomEdChange);
    connect(ZoomEd, &SpinEdit::committed, this, &TMainForm::ZoomEdCommit);
    connect(PageControl2, &QTabWidget::currentChanged, this, &TMainForm::PageControl2Change);
    connect(wwwBtn, &QPushButton::clicked, this, &TMainForm::wwwBtnClick);
    connect(ueberbtn, &TImageBtn::clicked, this, &TMainForm::ueberbtnClick);
    connect(endebtn, &TImageBtn::clicked, this, &TMainForm::EndeBtnClick);
    // The scroll boxes' own wheel scrolling would add to the window's. The
    // views are watched too, as a wheel event sent to them (not one from the
    // window system) does not travel on to their parents.
    for (QScrollArea* area : {ScrollBox1, ErgScrollBox}) {
        area->widget()->installEventFilter(this);
        area->viewport()->installEventFilter(this);
        area->verticalScrollBar()->installEventFilter(this);
        area->horizontalScrollBar()->installEventFilter(this);
    }
}

bool TMainForm::FormCloseQuery() {
    // The question takes the mouse: a stroke must not go on under it.
    strokes_->endStrokeHere();
    return MessageBox(this, QString::fromUtf8(kQuitQuestion), QString::fromUtf8(kQuitCaption),
                      MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TMainForm::EndeBtnClick() {
    close();
}

void TMainForm::wwwBtnClick() {
    ShellOpen(this, QString::fromUtf8(kMakerWebAddress));
}

bool TMainForm::takePicture(OwnedDib picture, const QString& origin) {
    return takePicture(std::move(picture), PreparedPicture{}, origin);
}

void TMainForm::PageControl2Change() {
    strokes_->PageControl2Change();
}

void TMainForm::UndoBtnClick() {
    strokes_->Undo();
}

void TMainForm::RedoBtnClick() {
    strokes_->Redo();
}

void TMainForm::ClearMaskBtnClick() {
    strokes_->ClearMask();
}

void TMainForm::InvertMaskBtnClick() {
    strokes_->InvertMask();
}

void TMainForm::viewOptionsChanged() {
    CanvasExtras extras;
    extras.source = &session_->source();
    extras.field = &session_->field();
    extras.mask = &session_->mask();
    extras.folds = &folds_;
    extras.sourceOnly = sourceHeld_;
    extras.compare = CompareCheck->isChecked();
    extras.showMask = ShowMaskCheck->isChecked() || FreezeBtn->isChecked() || ThawBtn->isChecked();
    extras.showGrid = ShowGridCheck->isChecked();
    extras.showFolds = ShowFoldsCheck->isChecked();
    if (extras.showFolds && !folds_.built()) {
        rebuildFolds();
    } else if (!extras.showFolds && folds_.built()) {
        folds_.clear();
        StatusBar1->setStatusText({});
    }
    PaintBox1->setExtras(extras);
    strokes_->PaintBox1Paint();
    ErgPaintBox->setPicture(sourceHeld_ ? &session_->source() : &session_->result());
}

void TMainForm::holdSource(bool held) {
    if (held != sourceHeld_) {
        sourceHeld_ = held;
        viewOptionsChanged();
    }
}

void TMainForm::rebuildFolds() {
    folds_.rebuild(session_->field());
    updateFolds({});
}

void TMainForm::updateFolds(const DabRect& changed) {
    if (!ShowFoldsCheck->isChecked()) {
        return;
    }
    folds_.update(session_->field(), changed);
    StatusBar1->setStatusText(QStringLiteral("Folded pixels: %1").arg(folds_.count()));
}

void TMainForm::changeEvent(QEvent* event) {
    // A stroke whose release goes to another window (a box, another
    // program, the window minimised) ends here rather than painting on.
    if ((event->type() == QEvent::ActivationChange && !isActiveWindow()) ||
        (event->type() == QEvent::WindowStateChange && isMinimized())) {
        strokes_->endStrokeHere();
        // Its release will not come either.
        holdSource(false);
    }
    QMainWindow::changeEvent(event);
}

BrushSettings TMainForm::brushSettings() const {
    BrushSettings brush;
    brush.mode =
        EffectModeFromButtons(WachsenBtn->isChecked(), SchrumpfenBtn->isChecked(),
                              RadiererBtn->isChecked(), SchmierenBtn->isChecked(),
                              ZerrenBtn->isChecked(), FreezeBtn->isChecked(), ThawBtn->isChecked());
    const AxisSwitches axes =
        AxisSwitchesFromRadios(xyCheck->isChecked(), xCheck->isChecked(), ycheck->isChecked());
    brush.xSwitch = axes.x;
    brush.ySwitch = axes.y;
    brush.strength = StarkED->value();
    brush.radius = RadiusED->value();
    brush.normalize = NormalizeCheck->isChecked();
    brush.zoom = ZoomEd->value();
    brush.pressure = PressureCheck->isChecked() ? PaintBox1->pressure() : kFullPressure;
    return brush;
}

void TMainForm::PaintBox1MouseDown(int32_t x, int32_t y) {
    strokes_->PaintBox1MouseDown(x, y, brushSettings());
}

void TMainForm::PaintBox1MouseMove(int32_t x, int32_t y) {
    strokes_->PaintBox1MouseMove(x, y, brushSettings());
}

void TMainForm::PaintBox1MouseUp(int32_t x, int32_t y) {
    strokes_->PaintBox1MouseUp(x, y);
}

void TMainForm::Timer1Timer() {
    strokes_->Timer1Timer(brushSettings());
}

void TMainForm::PaintBox1Paint() {
    strokes_->PaintBox1Paint();
}

void TMainForm::ZoomEdChange() {
    // The field's own steps never give a zero: a zero is typed.
    strokes_->ZoomEdChange(ZoomEd->text().toStdString(), /*typing=*/true);
}

void TMainForm::ZoomEdCommit() {
    strokes_->ZoomEdCommit(ZoomEd->text().toStdString());
}

QScrollArea* TMainForm::wheelTarget() const {
    switch (PageControl2->currentIndex()) {
        case 1:
            return ScrollBox1;
        case 2:
            return ErgScrollBox;
        default:
            return nullptr;
    }
}

void TMainForm::FormMouseWheelDown() {
    if (QScrollArea* area = wheelTarget()) {
        QScrollBar* bar = area->verticalScrollBar();
        bar->setValue(bar->value() + kWheelScrollStep);
    }
}

void TMainForm::FormMouseWheelUp() {
    if (QScrollArea* area = wheelTarget()) {
        QScrollBar* bar = area->verticalScrollBar();
        bar->setValue(bar->value() - kWheelScrollStep);
    }
}

void TMainForm::mouseWheel(const QWheelEvent& event, bool onEditingView) {
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    // Some systems turn a wheel turned with Shift into a sideways one.
    int delta = event.angleDelta().y();
    if (delta == 0 && (modifiers & Qt::ShiftModifier)) {
        delta = event.angleDelta().x();
    }
    // A turn the other way starts counting afresh, rather than first paying
    // back what the last turn left.
    if ((delta > 0 && wheelRest_ < 0) || (delta < 0 && wheelRest_ > 0)) {
        wheelRest_ = 0;
    }
    // Clamped, so that a flood of events cannot overflow the sum.
    wheelRest_ = std::clamp(wheelRest_ + delta, -100 * kWheelDelta, 100 * kWheelDelta);
    const int steps = wheelRest_ / kWheelDelta;  // upwards positive
    wheelRest_ -= steps * kWheelDelta;
    if (steps == 0) {
        return;
    }
    if ((modifiers & Qt::ControlModifier) && onEditingView && PageControl2->currentIndex() == 1) {
        zoomAbout(steps, ScrollBox1->viewport()->mapFromGlobal(event.globalPosition()));
        return;
    }
    if (modifiers & Qt::ShiftModifier) {
        scrollSideways(steps);
        return;
    }
    for (int i = 0; i < steps; ++i) {
        FormMouseWheelUp();
    }
    for (int i = 0; i > steps; --i) {
        FormMouseWheelDown();
    }
}

void TMainForm::wheelEvent(QWheelEvent* event) {
    mouseWheel(*event, false);
    event->ignore();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        const bool onEditingView = watched == PaintBox1 || watched == ScrollBox1->viewport() ||
                                   watched == ScrollBox1->horizontalScrollBar() ||
                                   watched == ScrollBox1->verticalScrollBar();
        mouseWheel(*static_cast<QWheelEvent*>(event), onEditingView);
        return true;
    }
    if (watched == PaintBox1 && event->type() == QEvent::KeyPress &&
        editingKey(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::WMUser(int32_t wParam) {
    StatusBar1->WMUser(wParam);
}

void TMainForm::SetProStatus(int32_t percent) {
    StatusBar1->SetProStatus(percent);
}

}  // namespace grimora
