// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/views/progress_status_bar.h"

#include <QPaintEvent>
#include <QPainter>
#include <QSizeGrip>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

namespace grimora {

namespace {

// The frame of a panel is one pixel wide; the panels are two pixels apart.
constexpr int kFrame = 1;
constexpr int kGap = 2;

QRect toQRect(const PanelRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

PanelRect toPanel(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

ProgressStatusBar::ProgressStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("StatusBar1"));
    setFixedHeight(kHeight);
    setSizeGripEnabled(true);
    noticeTimer_ = new QTimer(this);
    noticeTimer_->setSingleShot(true);
    noticeTimer_->setInterval(kNoticeMs);
    connect(noticeTimer_, &QTimer::timeout, this, [this] {
        notice_.clear();
        update();
    });
}

void ProgressStatusBar::setStatusText(const QString& text) {
    if (text != status_) {
        status_ = text;
        update();
    }
}

void ProgressStatusBar::showNotice(const QString& text) {
    notice_ = text;
    noticeTimer_->start();
    update();
}

QRect ProgressStatusBar::panelRect() const {
    int right = width();
    if (const auto* grip = findChild<QSizeGrip*>(); grip != nullptr && grip->isVisible()) {
        right = grip->x();
    }
    const int left = kFirstPanelWidth + kGap + kFrame;
    return QRect(QPoint(left, kGap + kFrame), QPoint(right - kFrame - 1, height() - kFrame - 1));
}

QRect ProgressStatusBar::drawnPanel() const {
    return toQRect(state_.panel());
}

void ProgressStatusBar::SetProStatus(int32_t value) {
    const ProgressPaint paint = state_.set(value);
    switch (paint.kind) {
        case ProgressPaint::Kind::None:
            return;
        case ProgressPaint::Kind::Grow:
            paintNow(paint.area);
            return;
        case ProgressPaint::Kind::Whole:
            repaint();
            return;
    }
}

void ProgressStatusBar::SBarPaintMore() {
    const ProgressPaint paint = state_.paintMore();
    if (paint.kind == ProgressPaint::Kind::Grow) {
        paintNow(paint.area);
    }
}

void ProgressStatusBar::paintNow(const PanelRect& area) {
    repaint(toQRect(area));
}

void ProgressStatusBar::StatusBar1DrawPanel(QPainter& painter, const QRect& panel) {
    const QRect bar = toQRect(state_.drawPanel(toPanel(panel)));
    if (!bar.isEmpty()) {
        painter.fillRect(bar, QColor::fromRgb(kBarColour));
    }
}

void ProgressStatusBar::paintEvent(QPaintEvent* event) {
    QStatusBar::paintEvent(event);
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    const QRect panel = panelRect();
    // Both panels framed; the first holds only a passing note.
    option.rect = QRect(0, kGap, kFirstPanelWidth, height() - kGap);
    style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &option, &painter, this);
    const QString& shown = notice_.isEmpty() ? status_ : notice_;
    if (!shown.isEmpty()) {
        const QRect text = option.rect.adjusted(4, 0, -4, 0);
        painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                         fontMetrics().elidedText(shown, Qt::ElideRight, text.width()));
    }
    option.rect = panel.adjusted(-kFrame, -kFrame, kFrame, kFrame);
    style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &option, &painter, this);
    StatusBar1DrawPanel(painter, panel);
}

}  // namespace grimora
