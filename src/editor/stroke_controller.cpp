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

// What the dab and the render of one painting step report. A message from a
// step (a source picture that is not at 24 bits) ends the stroke before the
// box opens: the box keeps the release from ever reaching the view, and the
// timer would otherwise stack one more box on it every second.
class StrokeController::StepHost : public EffectHost, public MessageSink {
public:
    explicit StepHost(StrokeController& controller) : controller_(controller) {}
    void SetProStatus(int32_t percent) override { controller_.host_.SetProStatus(percent); }
    // The dab's own repaint would show the result before this step's render,
    // which the step's repaint replaces at once: only its removal of the
    // outline is kept, the picture is drawn once, after the render.
    void PaintBox1Paint() override { controller_.removeOutline(); }
    void showMessage(const std::string& text) override {
        if (controller_.strokeActive_) {
            controller_.endStroke();
        }
        controller_.host_.showMessage(text);
    }

private:
    StrokeController& controller_;
};

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
    params.strength = brush.strength;
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
    StepHost step(*this);
    session_.DoEffekt(params, step);
    host_.dabApplied(params);
    const DabRect changed = session_.renderChanged(step);
    // As a whole repaint would: the outline goes, then the picture where it
    // changed (nothing elsewhere: the view already shows it).
    removeOutline();
    host_.drawPictureRect(changed);
}

void StrokeController::PaintBox1Paint() {
    removeOutline();
    host_.drawPicture();
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

void StrokeController::endStroke() {
    strokeActive_ = false;
    host_.releaseMouse();
    host_.setTimerEnabled(false);
}

}  // namespace grimora
