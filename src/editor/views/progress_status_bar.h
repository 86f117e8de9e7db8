// SPDX-License-Identifier: GPL-3.0-or-later
// StatusBar1: an empty first panel 250 pixels wide and a second one, to the
// right end, that shows the progress percentage as a navy bar.
#pragma once

#include <cstdint>

#include <QRect>
#include <QStatusBar>
#include <QString>

#include "editor/progress_state.h"

class QPainter;
class QTimer;

namespace grimora {

// Progress comes once per row of work. Every value is kept (percent() is
// the last), but the bar is painted only where its pixels change: a rising
// value repaints the newly covered strip at once, a falling one repaints the
// whole bar before SetProStatus returns. Both paint synchronously, inside
// the caller's loop.
class ProgressStatusBar : public QStatusBar {
    Q_OBJECT

public:
    static constexpr int kHeight = 19;
    static constexpr int kFirstPanelWidth = 250;
    static constexpr QRgb kBarColour = 0xFF000080;  // the colour value 0x800000: navy

    explicit ProgressStatusBar(QWidget* parent = nullptr);

    void SetProStatus(int32_t value);
    // Paints the bar for the current percentage into the panel as last drawn.
    void SBarPaintMore();
    // Draws the bar for the current percentage in `panel` and remembers the
    // rectangle; the paint event calls it for the second panel.
    void StatusBar1DrawPanel(QPainter& painter, const QRect& panel);
    // A short note in the first panel, gone after kNoticeMs or at the next
    // note.
    void showNotice(const QString& text);
    QString notice() const { return notice_; }
    // What the first panel shows when no note passes: empty by default.
    void setStatusText(const QString& text);
    QString statusText() const { return status_; }
    static constexpr int kNoticeMs = 5000;
    // The progress message of a picture load: the percentage is wParam.
    void WMUser(int32_t wParam) { SetProStatus(wParam); }

    int32_t percent() const { return state_.percent(); }
    // Where the second panel lies now: from the first panel's end to the
    // size grip, inside the bar's frame.
    QRect panelRect() const;
    // The panel as last drawn; empty before the first paint.
    QRect drawnPanel() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintNow(const PanelRect& area);

    ProgressState state_;
    QString notice_;
    QString status_;
    QTimer* noticeTimer_ = nullptr;
};

}  // namespace grimora
