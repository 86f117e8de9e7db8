// SPDX-License-Identifier: GPL-3.0-or-later
// Turns mouse and timer events on the editing view into painting steps, keeps
// the brush outline under the mouse and sets the view's scale. The window
// forwards its events here under the same handler names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/brush_settings.h"
#include "editor/warp_session.h"
#include "editor/zoom_ratio.h"
#include "picture/host.h"
#include "warp/effect.h"

namespace grimora {

// A position in the editing view, y downwards; may lie outside the view
// while the mouse is captured.
struct ViewPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const ViewPoint&, const ViewPoint&) = default;
};

// Bounding box of the brush outline, in view coordinates.
struct OutlineRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const OutlineRect&, const OutlineRect&) = default;
};

// What the editing page does on screen. The window implements it; tests and
// the headless tool record or ignore it.
class EditorHost : public MessageSink {
public:
    // Moves and the release keep arriving from outside the view.
    virtual void captureMouse() = 0;
    virtual void releaseMouse() = 0;
    // The one-second timer that repeats the step while the button is held.
    virtual void setTimerEnabled(bool enabled) = 0;
    // The ellipse inscribed in `rect`, in inverting ink: erasing draws the
    // same ellipse again, which restores the pixels under it.
    virtual void drawOutline(const OutlineRect& rect) = 0;
    virtual void eraseOutline(const OutlineRect& rect) = 0;
    // Draws the whole result picture scaled by the zoom ratio, at once.
    virtual void drawPicture() = 0;
    // Draws, at once, the part of the view that shows `pictureRect` of the
    // result picture (columns and memory rows), with the pixels a whole
    // drawPicture gives there. A host that cannot draw a part draws it all.
    virtual void drawPictureRect(const DabRect& /*pictureRect*/) { drawPicture(); }
    virtual void setViewSize(int64_t width, int64_t height) = 0;
    virtual void SetProStatus(int32_t percent) = 0;
    // A painting step has applied this dab to the field. Replaying the dabs
    // in order on the same start field gives the same field again.
    virtual void dabApplied(const EffectParams& /*params*/) {}
    // What undo and redo can do has changed (a stroke started or left a
    // step, an undo, a redo, a load).
    virtual void historyChanged() {}
    // The oldest steps went to keep the history within its memory.
    virtual void oldestStepsDropped() {}
    // An undo or redo brought another picture back: the views and what
    // describes the picture take it.
    virtual void pictureReplaced() {}
};

// The dab of one painting step. Everything the step depends on comes in as
// arguments, so a recorded list of these replays a stroke.
// Column = x * den div num; memory row = height - 1 - (y * den div num), both
// kept within 32 bits (a position that far out lies outside the picture anyway).
EffectParams PaintingStepParams(ViewPoint current, ViewPoint previous, const BrushSettings& brush,
                                ZoomRatio zoom, int32_t pictureHeight);

// trunc(x - r), trunc(y - r), trunc(x + r), trunc(y + r) for r = the outline radius.
OutlineRect OutlineRectAt(ViewPoint point, const BrushSettings& brush);

class StrokeController : private MessageSink {
public:
    StrokeController(WarpSession& session, EditorHost& host);

    void PaintBox1MouseDown(int32_t x, int32_t y, const BrushSettings& brush);
    void PaintBox1MouseMove(int32_t x, int32_t y, const BrushSettings& brush);
    void PaintBox1MouseUp(int32_t x, int32_t y);
    void Timer1Timer(const BrushSettings& brush);

    // One painting step: dab, render, repaint of the part of the view that
    // the render changed; nothing unless a stroke is active.
    void Malen(int32_t x, int32_t y, int32_t prevX, int32_t prevY, const BrushSettings& brush);

    // Removes a visible outline, then draws the picture.
    void PaintBox1Paint();
    // The zoom field changed; its text gives the new ratio. A zero has no
    // reciprocal: it leaves the ratio and says so, unless the user is still
    // `typing`, when it is only on its way to a number ("0" of "0.5") and
    // waits for ZoomEdCommit.
    void ZoomEdChange(std::string_view zoomText, bool typing = false);
    // The user ended editing the zoom field on `zoomText`: a zero, which
    // typing left without a word, is said now.
    void ZoomEdCommit(std::string_view zoomText);
    // The pointer left the view: the outline goes with it.
    void PaintBox1MouseLeave();
    // Another page is shown: its drawing leaves no outline on this view, and
    // a stroke ends.
    void PageControl2Change();
    // The stroke ends as a release at the last mouse position would end it,
    // for a release that never reaches the view: the view lost the mouse or
    // was hidden, or the window stopped being the active one. Nothing
    // without a stroke.
    void endStrokeHere();

    // Undo and redo of whole strokes and loads, with the views brought up to
    // date. Nothing while a stroke is active.
    void Undo();
    void Redo();
    // The history took a step, or lost some: the host hears of it.
    void historyRecorded();
    // Every byte of the freeze mask 0, or each m 255 - m: a step each, and
    // the view drawn again where the mask shows.
    void ClearMask();
    void InvertMask();
    // After a picture load: the view takes the new picture's size.
    void resizeView();

    bool strokeActive() const { return strokeActive_; }
    ViewPoint lastMouse() const { return lastMouse_; }
    bool outlineVisible() const { return outlineVisible_; }
    OutlineRect outlineRect() const { return outlineRect_; }

private:
    // A message from a step (a source picture that is not at 24 bits) ends
    // the stroke before the box opens: the box keeps the release from ever
    // reaching the view, and the timer would otherwise stack one more box
    // on it every second.
    void showMessage(const std::string& text) override;
    void endStroke();
    void removeOutline();
    void historyMoved(HistoryMove move);
    // Draws what the last change of field or mask left to show.
    void showChanged();

    WarpSession& session_;
    EditorHost& host_;
    bool strokeActive_ = false;
    ViewPoint lastMouse_;
    bool outlineVisible_ = false;
    OutlineRect outlineRect_;
};

}  // namespace grimora
