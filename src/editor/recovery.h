// SPDX-License-Identifier: GPL-3.0-or-later
// The recovery copy: while a distortion is unsaved, its warp file and where
// its picture lay are kept in the user's state folder, rewritten in the
// background a few seconds after a step, so that a crash or a power cut
// loses at most those seconds. Each running Grimora has a copy of its own,
// which a lock marks as alive; a copy whose lock nobody holds was left by a
// Grimora that ended without a confirmed quit.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "editor/warp_session.h"
#include "warp/warp_file.h"

namespace grimora {

// $XDG_STATE_HOME/grimora, or ~/.local/state/grimora when it is unset or not
// an absolute path; empty when neither is known.
std::string RecoveryFolder();

// What a copy is written from, taken between steps.
struct RecoverySnapshot {
    DisplacementField field;
    std::vector<uint8_t> mask;
    WarpOrigin origin;
};

// A copy that a Grimora left behind.
struct LeftCopy {
    std::string path;
    int64_t written = 0;  // its modification time, seconds since the epoch
};

enum class LeftPicture {
    Unchanged,  // where it was, with the size and time it had when loaded
    Changed,
    Gone,
    StartUp,  // the blank picture Grimora starts with
};

// A left copy read and checked, with the question that offers it.
struct RecoveryOffer {
    WarpFile warp;
    LeftPicture picture = LeftPicture::Gone;
    std::string pictureName;
    std::string question;
};

// Reads the copy and looks for its picture; `now` (seconds since the epoch)
// decides whether the time alone or the day too is named. False when the
// copy cannot be read: it is worth nothing then.
bool ExamineLeftCopy(const LeftCopy& copy, int64_t now, RecoveryOffer& offer);

// "14:32" on the day of `now`, "3 Dec 14:32" on another, in local time.
std::string ClockText(int64_t when, int64_t now);

class RecoveryKeeper {
public:
    // Keeps this process's copy in `folder`, made when missing; an empty
    // folder keeps nothing.
    explicit RecoveryKeeper(std::string folder);
    // Finishes a write that was asked for; the copy stays, as after a crash.
    ~RecoveryKeeper();
    RecoveryKeeper(const RecoveryKeeper&) = delete;
    RecoveryKeeper& operator=(const RecoveryKeeper&) = delete;

    // Copies of other Grimoras that ended, newest first.
    std::vector<LeftCopy> leftBehind() const;
    // Removes a left copy.
    void forget(const LeftCopy& copy) const;
    // Writes the warp of a left copy into `folder` as the picture's name
    // with .gwarp (numbered when that name is taken); `written` is its path.
    static bool keepLeftCopy(const RecoveryOffer& offer, const std::string& folder,
                             std::string& written, std::string& error);

    // The picture at `path` has just been loaded: its size and time are the
    // ones a copy records, whatever happens to the file afterwards.
    void pictureLoaded(const std::string& path);
    // A step was recorded on a picture of this size, so a copy will be taken
    // soon: the thread makes its memory ready at idle priority, and
    // snapshot() then only copies into it. Held until the next snapshot,
    // releasePrepared() or discard().
    void prepare(int32_t width, int32_t height);
    // Gives back memory made ready for a copy, before a load asks for its own.
    void releasePrepared();
    // The session's field and picture as they stand, for keep(). Copies the
    // field, into the memory prepare() made ready when it fits: nothing when
    // the memory cannot be had.
    std::optional<RecoverySnapshot> snapshot(const WarpSession& session);
    // Writes the snapshot as this process's copy on a thread of low
    // priority; a snapshot still waiting is replaced. A field without
    // distortion removes the copy instead.
    void keep(RecoverySnapshot snapshot);
    // The distortion was saved, or the user quit: the copy goes; a write in
    // progress is called off.
    void discard();
    // Until nothing waits to be written or made ready.
    void waitIdle();
    // Copies written or removed by the thread so far.
    uint64_t writes() const;
    const std::string& copyPath() const { return copyPath_; }

private:
    struct Stamp {
        int64_t bytes = -1;
        int64_t modified = -1;
    };
    void run();
    void write(const RecoverySnapshot& snapshot);
    bool startThreadLocked();
    bool spareWantedLocked() const;

    std::string folder_;
    std::string copyPath_;
    std::string lockPath_;
    int lock_ = -1;
    std::map<std::string, Stamp> stamps_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<RecoverySnapshot> pending_;
    // Memory for the next copy (its origin unused), and the size asked for
    // by prepare(); 0 × 0 when none is wanted.
    std::optional<RecoverySnapshot> spare_;
    int32_t spareWidth_ = 0;
    int32_t spareHeight_ = 0;
    bool making_ = false;                   // the thread is making a spare
    std::atomic<bool> spareCancel_{false};  // and should stop
    bool busy_ = false;
    bool stop_ = false;
    // Calls off the write in progress.
    std::atomic<bool> cancel_{false};
    uint64_t writes_ = 0;
    std::thread thread_;
};

}  // namespace grimora
