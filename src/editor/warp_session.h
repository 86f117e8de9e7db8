// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures, the displacement field and the zoom ratio of one editing
// session: what the main window owns, without the window.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "editor/history.h"
#include "editor/load_preparation.h"
#include "editor/zoom_ratio.h"
#include "picture/host.h"
#include "picture/owned_dib.h"
#include "warp/displacement_field.h"
#include "warp/effect.h"

namespace grimora {

inline constexpr int32_t kStartPictureWidth = 320;
inline constexpr int32_t kStartPictureHeight = 200;

// A 24-bit picture with every byte of its rows 0xFF. Holds no picture when
// the library cannot make one of that size.
OwnedDib MakeWhitePicture(int32_t width, int32_t height);

// What an undo or a redo changed.
enum class HistoryMove {
    None,     // nothing to undo or redo, or a stroke is open
    Field,    // entries of the field; renderChanged brings the result up
    Picture,  // the whole picture (a load undone or redone): source, field, result
};

class WarpSession {
public:
    // The start-up state: white 320 x 200 source and result pictures, the
    // identity field, zoom 1 : 1, rendered, no history. Throws
    // std::bad_alloc when even that cannot be had.
    WarpSession();

    // Takes `picture` as the source picture with a new identity field, and
    // renders. The picture it replaces is kept as a step of the history.
    // `origin` names where the picture came from. When the field cannot be
    // had, or the picture is empty, says so through `messages`, returns
    // false and keeps the session as it was.
    bool loadPicture(OwnedDib picture, MessageSink& messages, std::string origin = {});
    // The same with the field and result made ahead: used when they fit the
    // picture, otherwise thrown away and made here. The outcome is the
    // same either way, failures included.
    bool loadPicture(OwnedDib picture, PreparedPicture prepared, MessageSink& messages,
                     std::string origin = {});
    // Waits for the thread that gives memory back.
    ~WarpSession();
    WarpSession(const WarpSession&) = delete;
    WarpSession& operator=(const WarpSession&) = delete;

    // Rebuilds the result picture from the source picture and the field:
    // the exact rendering, or the smooth one while that is switched on.
    void renderdi(MessageSink& messages);
    // Switches the smooth rendering on or off (off at start) and renders the
    // whole picture anew when that changes it. Loads keep the switch; their
    // identity field renders the same either way.
    void setSmooth(bool smooth, MessageSink& messages);
    bool smooth() const { return smooth_; }
    // One dab on the field; the result is stale until the next render.
    // Returns the entries it may have changed. Inside a stroke, what it
    // changes joins the stroke's step; outside one it is a step of its own.
    DabRect DoEffekt(const EffectParams& params);
    // Brings the result up to date after dabs, an undo or a redo: rebuilds
    // only the part of it that can have changed since the last render, or
    // the whole picture when it cannot be updated in place (which also says
    // why). Returns the part to show again: what was rebuilt, and where the
    // mask changed since; outside it the result and mask are as they were.
    DabRect renderChanged(MessageSink& messages);

    // Puts `field`, of the picture's size, in place of the field as one
    // step, and `mask` (one byte an entry) in place of the freeze mask
    // unless it is empty: undo brings the old ones back byte for byte. What
    // equals the session's leaves no step. Ends an open stroke first; the
    // result is stale until renderChanged. True when it left a step. Throws
    // std::bad_alloc, with the session as it was, when the memory to keep
    // the old field cannot be had.
    bool loadField(const DisplacementField& field, std::span<const uint8_t> mask = {});

    // Sets every byte of the freeze mask to 0, or each m to 255 - m; one
    // step each, none when nothing changes. True when it made a step.
    bool clearMask();
    bool invertMask();

    // A stroke: every dab from here to endStroke is one step.
    void beginStroke();
    // Ends the stroke. True when it left a step: a stroke after which the
    // field equals the field before it, entry for entry, leaves none.
    bool endStroke();
    bool strokeOpen() const { return recorder_.active(); }
    // Whether undo and redo would do something now: never during a stroke.
    bool canUndo() const { return !strokeOpen() && history_.canUndo(); }
    bool canRedo() const { return !strokeOpen() && history_.canRedo(); }
    // Puts the field back exactly as it was before the last step (a load:
    // the picture before it, with its field and result), or forward as it
    // was after the first undone one. A field change is rendered by the
    // next renderChanged; a picture comes back rendered.
    HistoryMove undo();
    HistoryMove redo();
    // Forgets every step: the history starts from what the session holds now.
    void clearHistory();
    // Memory the history may hold; the oldest steps go when it is passed.
    void setHistoryBudget(std::size_t bytes);
    const History& history() const { return history_; }
    // True once after the oldest steps went to keep the history's budget.
    bool takeOldestDropped() { return history_.takeOldestDropped(); }

    const Dib& source() const { return picture_.source.get(); }
    const Dib& result() const { return picture_.result.get(); }
    const DisplacementField& field() const { return picture_.field; }
    const FreezeMask& mask() const { return picture_.mask; }
    // Where the source picture came from, as the load named it.
    const std::string& origin() const { return picture_.origin; }
    int32_t width() const { return picture_.field.width(); }
    int32_t height() const { return picture_.field.height(); }

    ZoomRatio zoom() const { return zoom_; }
    // False, and nothing changes, unless both parts are positive.
    bool setZoom(ZoomRatio zoom);
    // The editing view's size: the source picture at the zoom ratio.
    int64_t viewWidth() const { return ViewLength(width(), zoom_); }
    int64_t viewHeight() const { return ViewLength(height(), zoom_); }

private:
    // The picture `loaded` takes the place of the current one, which
    // becomes a step.
    void replacePicture(PictureState loaded);
    // Exchanges the current picture with the one a load step keeps.
    void swapPicture(PictureState& kept);
    // Exchanges the step's content with the session's.
    HistoryMove apply(HistoryStep& step);
    // Renders where the field changed since the last render (the whole
    // picture when that cannot be done in place); returns what it rebuilt.
    DabRect renderStale(MessageSink& messages);
    // A whole-mask command, as one step.
    template <typename Change>
    bool changeMask(Change change);
    void record(HistoryStep step);
    // Gives memory back on a thread of its own when there is much of it.
    void dispose(std::vector<HistoryStep> gone);

    PictureState picture_;
    ZoomRatio zoom_;
    bool smooth_ = false;
    // The bounding box of the changes since the last render: a cache of what
    // the result lacks, not state that changes any outcome.
    DabRect stale_;
    // Where the mask changed since renderChanged last said so.
    DabRect maskChanged_;
    History history_;
    FieldRecorder recorder_;
    // Gives back the memory of steps that went.
    std::thread disposal_;
};

}  // namespace grimora
