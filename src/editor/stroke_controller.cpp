// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/stroke_controller.h"

#include <algorithm>
#include <limits>
#include <string>

namespace grimora {

namespace {

int32_t clampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

EffectParams PaintingStepParams(ViewPoint current, ViewPoint previous, const BrushSettings& brush,
                                ZoomRatio zoom, int32_t pictureHeight) {
    EffectParams params;
    params.centreX = clampToInt32(PictureLength(current.x, zoom));
    params.centreY = clampToInt32(int64_t{pictureHeight} - 1 - PictureLength(current.y, zoom));
    params.mouseX = current.x;
    params.mouseY = current.y;
    params.prevMouseX = previous.x;
    params.prevMouseY = previous.y;
    params.mode = brush.mode;
    params.xSwitch = brush.xSwitch;
    params.ySwitch = brush.ySwitch;
    params.strength = brush.dabStrength();
    params.radius = brush.dabRadius();
    params.normalize = brush.normalize;
    return params;
}

OutlineRect OutlineRectAt(ViewPoint point, const BrushSettings& brush) {
    const double r = brush.outlineRadius();
    return {TruncToInt32(point.x - r), TruncToInt32(point.y - r), TruncToInt32(point.x + r),
            TruncToInt32(point.y + r)};
}

StrokeController::StrokeController(WarpSession& session, EditorHost& host)
    : session_(session), host_(host) {}

void StrokeController::PaintBox1MouseDown(int32_t x, int32_t y, const BrushSettings& brush) {
    if (strokeActive_) {
        return;  // a second button during a stroke
    }
    lastMouse_ = {x, y};
    strokeActive_ = true;
    session_.beginStroke();
    host_.historyChanged();  // no undo or redo while the stroke lasts
    host_.captureMouse();
    host_.setTimerEnabled(true);
    Malen(x, y, x, y, brush);
}

void StrokeController::PaintBox1MouseMove(int32_t x, int32_t y, const BrushSettings& brush) {
    // Erased before the step, so that the step's repaint does not invert the
    // old outline a second time.
    if (outlineVisible_) {
        host_.eraseOutline(outlineRect_);
        outlineVisible_ = false;
    }
    Malen(x, y, lastMouse_.x, lastMouse_.y, brush);
    outlineRect_ = OutlineRectAt({x, y}, brush);
    host_.drawOutline(outlineRect_);
    outlineVisible_ = true;
}

void StrokeController::PaintBox1MouseUp(int32_t x, int32_t y) {
    if (!strokeActive_) {
        return;
    }
    lastMouse_ = {x, y};
    endStroke();
}

void StrokeController::Timer1Timer(const BrushSettings& brush) {
    PaintBox1MouseMove(lastMouse_.x, lastMouse_.y, brush);
}

void StrokeController::Malen(int32_t x, int32_t y, int32_t prevX, int32_t prevY,
                             const BrushSettings& brush) {
    if (!strokeActive_) {
        return;
    }
    lastMouse_ = {x, y};
    const EffectParams params =
        PaintingStepParams({x, y}, {prevX, prevY}, brush, session_.zoom(), session_.height());
    session_.DoEffekt(params);
    bool onPicture = false;
    ForEachDabProgress(params, session_.width(), session_.height(), [&](int32_t percent) {
        onPicture = true;
        host_.SetProStatus(percent);
    });
    // A dab on the picture ends by taking the outline away, as the repaint
    // that used to close it did; one off the picture leaves it to the step.
    if (onPicture) {
        removeOutline();
    }
    host_.dabApplied(params);
    const DabRect changed = session_.renderChanged(*this);
    // As a whole repaint would: the outline goes, then the picture where it
    // changed (nothing elsewhere: the view already shows it).
    removeOutline();
    host_.drawPictureRect(changed);
}

void StrokeController::PaintBox1Paint() {
    removeOutline();
    host_.drawPicture();
}

void StrokeController::PaintBox1MouseLeave() {
    removeOutline();
}

void StrokeController::removeOutline() {
    if (outlineVisible_) {
        host_.eraseOutline(outlineRect_);
        outlineVisible_ = false;
    }
}

void StrokeController::ZoomEdChange(std::string_view zoomText, bool typing) {
    const ZoomChange change = ZoomRatioFromText(zoomText);
    switch (change.outcome) {
        case ZoomOutcome::Changed:
            break;
        case ZoomOutcome::DivisionByZero:
            if (!typing) {
                host_.showMessage(kDivisionByZeroMessage);
            }
            return;
        case ZoomOutcome::Negative:
        case ZoomOutcome::TooLarge:
            // Out of the field's range; the spin edit corrects the text and
            // the next change applies.
            return;
    }
    session_.setZoom(change.ratio);
    resizeView();
    PaintBox1Paint();
}

void StrokeController::ZoomEdCommit(std::string_view zoomText) {
    // Every other value took effect as it was typed.
    if (ZoomRatioFromText(zoomText).outcome == ZoomOutcome::DivisionByZero) {
        host_.showMessage(kDivisionByZeroMessage);
    }
}

void StrokeController::resizeView() {
    host_.setViewSize(session_.viewWidth(), session_.viewHeight());
}

void StrokeController::showMessage(const std::string& text) {
    if (strokeActive_) {
        endStroke();
    }
    host_.showMessage(text);
}

void StrokeController::endStroke() {
    strokeActive_ = false;
    host_.releaseMouse();
    host_.setTimerEnabled(false);
    session_.endStroke();
    historyRecorded();
}

void StrokeController::PageControl2Change() {
    endStrokeHere();
    outlineVisible_ = false;
}

void StrokeController::endStrokeHere() {
    PaintBox1MouseUp(lastMouse_.x, lastMouse_.y);
}

void StrokeController::historyRecorded() {
    if (session_.takeOldestDropped()) {
        host_.oldestStepsDropped();
    }
    host_.historyChanged();
}

void StrokeController::showChanged() {
    const DabRect changed = session_.renderChanged(*this);
    removeOutline();
    host_.drawPictureRect(changed);
}

void StrokeController::ClearMask() {
    if (!strokeActive_ && session_.clearMask()) {
        showChanged();
        historyRecorded();
    }
}

void StrokeController::InvertMask() {
    if (!strokeActive_ && session_.invertMask()) {
        showChanged();
        historyRecorded();
    }
}

void StrokeController::Undo() {
    historyMoved(session_.undo());
}

void StrokeController::Redo() {
    historyMoved(session_.redo());
}

void StrokeController::historyMoved(HistoryMove move) {
    switch (move) {
        case HistoryMove::None:
            return;
        case HistoryMove::Field:
            showChanged();
            break;
        case HistoryMove::Picture:
            resizeView();
            PaintBox1Paint();
            host_.pictureReplaced();
            break;
    }
    host_.historyChanged();
}

}  // namespace grimora
