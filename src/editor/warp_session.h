// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures, the displacement field and the zoom ratio of one editing
// session: what the main window owns, without the window.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

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

// What a load needs beside its picture, made before the picture is decoded:
// the identity field and a 24-bit result picture as newdib makes it, both of
// one size and with their memory's pages already made. Empty (holds()
// false) when they could not be had.
struct PreparedPicture {
    DisplacementField field;
    OwnedDib result;
    bool holds(int32_t width, int32_t height) const;
};

// PreparedPicture for width x height on the calling thread. Empty, once
// `stop` is set, as soon as it sees it.
PreparedPicture PreparePicture(int32_t width, int32_t height, const std::atomic<bool>& stop);

// PreparePicture on a thread of its own, started at once, so that a load
// makes the blocks on the second core while it decodes the file. Loads are
// rare: a thread each costs nothing worth keeping one for.
class PicturePreparation {
public:
    // Prepares nothing.
    PicturePreparation() = default;
    // Sizes that are no picture's prepare nothing; so does a system that
    // cannot start the thread.
    PicturePreparation(int32_t width, int32_t height);
    // For the size a picture file's header claims; nothing when it cannot
    // be measured (unknown format, broken header, unreadable file).
    static PicturePreparation forFile(const char* fileName);
    // Calls the work off and waits for it; blocks not taken are freed.
    ~PicturePreparation();
    PicturePreparation(PicturePreparation&&) noexcept;
    PicturePreparation& operator=(PicturePreparation&&) noexcept;

    // Waits for the thread and hands over what it made; empty when nothing
    // was prepared, or the second time.
    PreparedPicture take();

private:
    struct Job;
    std::unique_ptr<Job> job_;
};

class WarpSession {
public:
    // The start-up state: white 320 x 200 source and result pictures, the
    // identity field, zoom 1 : 1, rendered. Throws std::bad_alloc when even
    // that cannot be had.
    WarpSession();

    // Takes `picture` as the source picture with a new identity field, and
    // renders. When the field cannot be had, or the picture is empty, says so
    // through `messages`, returns false and keeps the session as it was.
    bool loadPicture(OwnedDib picture, MessageSink& messages);
    // The same with the field and result made ahead: used when they fit the
    // picture, otherwise thrown away and made here. The outcome is the
    // same either way, failures included. The previous picture, result and
    // field are given back on another thread.
    bool loadPicture(OwnedDib picture, PreparedPicture prepared, MessageSink& messages);
    // Waits for that thread.
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
    // Returns the entries it may have changed.
    DabRect DoEffekt(const EffectParams& params);
    // Brings the result up to date after dabs: rebuilds only the part of it
    // that the dabs since the last render can have changed, or the whole
    // picture when it cannot be updated in place (which also says why).
    // Returns the part rebuilt, outside which the result is as it was.
    DabRect renderChanged(MessageSink& messages);

    const Dib& source() const { return source_.get(); }
    const Dib& result() const { return result_.get(); }
    const DisplacementField& field() const { return field_; }
    int32_t width() const { return field_.width(); }
    int32_t height() const { return field_.height(); }

    ZoomRatio zoom() const { return zoom_; }
    // False, and nothing changes, unless both parts are positive.
    bool setZoom(ZoomRatio zoom);
    // The editing view's size: the source picture at the zoom ratio.
    int64_t viewWidth() const { return ViewLength(width(), zoom_); }
    int64_t viewHeight() const { return ViewLength(height(), zoom_); }

private:
    OwnedDib source_;
    OwnedDib result_;
    DisplacementField field_;
    ZoomRatio zoom_;
    bool smooth_ = false;
    // The bounding box of the dabs since the last render: a cache of what
    // the result lacks, not state that changes any outcome.
    DabRect stale_;
    // Gives back the blocks of the picture before the last load.
    std::thread disposal_;
};

}  // namespace grimora
