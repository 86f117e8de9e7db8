// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/recovery.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "editor/warp_transfer.h"
#include "warp/row_helper.h"

namespace grimora {

namespace {

namespace fs = std::filesystem;

constexpr const char* kCopyPrefix = "recovery-";
constexpr const char* kCopySuffix = ".gwarp";
constexpr const char* kLockSuffix = ".lock";

bool StampOf(const std::string& path, int64_t& bytes, int64_t& modified) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    bytes = st.st_size;
    modified = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

// The lock that marks a copy as its process's: the copy's name with .lock.
std::string LockOf(const std::string& copy) {
    return copy.substr(0, copy.size() - std::strlen(kCopySuffix)) + kLockSuffix;
}

bool IsIdentity(const DisplacementField& field) {
    for (int32_t r = 0; r < field.height(); ++r) {
        const Displacement* entry = field.row(r);
        for (int32_t c = 0; c < field.width(); ++c) {
            if (entry[c].x != c || entry[c].y != r) {
                return false;
            }
        }
    }
    return true;
}

std::string LocalTime(int64_t when, const char* format) {
    const auto seconds = static_cast<std::time_t>(when);
    std::tm parts{};
    if (::localtime_r(&seconds, &parts) == nullptr) {
        return {};
    }
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, format, &parts);
    return std::string(text, length);
}

bool Fits(const DisplacementField& field, int32_t width, int32_t height) {
    return field.data() != nullptr && field.width() == width && field.height() == height;
}

// The first touch of fresh pages costs more than the copy itself, so both
// cores share it, 4 MB at a time.
void CopyEntries(Displacement* to, const Displacement* from, std::size_t count) {
    constexpr int64_t kChunk = (int64_t{4} << 20) / int64_t{sizeof(Displacement)};
    ForEachChunk(static_cast<int64_t>(count), kChunk, true,
                 [to, from](int64_t first, int64_t end, int /*part*/) {
                     std::memcpy(to + first, from + first,
                                 static_cast<std::size_t>(end - first) * sizeof(Displacement));
                 });
}

// A field and mask for a copy, their pages made present 4 MB at a time
// until `cancel` says they are not wanted any more.
std::optional<RecoverySnapshot> MakeSpare(int32_t width, int32_t height,
                                          const std::atomic<bool>& cancel) {
    std::optional<DisplacementField> field = DisplacementField::tryAllocateLazily(width, height);
    if (!field) {
        return std::nullopt;
    }
    constexpr std::size_t kChunk = std::size_t{4} << 20;
    auto* bytes = reinterpret_cast<unsigned char*>(field->data());
    const std::size_t size = field->size() * sizeof(Displacement);
    for (std::size_t at = 0; at < size; at += kChunk) {
        if (cancel.load(std::memory_order_relaxed)) {
            return std::nullopt;
        }
        MakePagesPresent(bytes + at, std::min(kChunk, size - at));
    }
    std::optional<RecoverySnapshot> spare(std::in_place);
    spare->field = std::move(*field);
    try {
        spare->mask.resize(spare->field.size());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return spare;
}

}  // namespace

std::string RecoveryFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return std::string(state) + "/grimora";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/state/grimora";
    }
    return {};
}

std::string ClockText(int64_t when, int64_t now) {
    if (LocalTime(when, "%Y-%m-%d") == LocalTime(now, "%Y-%m-%d")) {
        return LocalTime(when, "%H:%M");
    }
    std::string day = LocalTime(when, "%d %b %H:%M");
    if (day.starts_with('0')) {
        day.erase(0, 1);
    }
    return day;
}

bool ExamineLeftCopy(const LeftCopy& copy, int64_t now, RecoveryOffer& offer) {
    std::string error;
    if (!ReadWarpFile(copy.path, offer.warp, error)) {
        return false;
    }
    const WarpOrigin& origin = offer.warp.origin;
    int64_t bytes = -1;
    int64_t modified = -1;
    if (origin.picturePath.empty()) {
        offer.picture = LeftPicture::StartUp;
        offer.pictureName = "the blank picture";
    } else {
        offer.pictureName = PictureName(origin.picturePath);
        if (!StampOf(origin.picturePath, bytes, modified)) {
            offer.picture = LeftPicture::Gone;
        } else if (bytes == origin.pictureBytes && modified == origin.pictureModified) {
            offer.picture = LeftPicture::Unchanged;
        } else {
            offer.picture = LeftPicture::Changed;
        }
    }
    offer.question = "Grimora ended without saving the distortion of " + offer.pictureName + " (" +
                     ClockText(copy.written, now) + ")";
    switch (offer.picture) {
        case LeftPicture::Unchanged:
        case LeftPicture::StartUp:
            offer.question += ". Restore it?";
            break;
        case LeftPicture::Changed:
        case LeftPicture::Gone:
            offer.question += offer.picture == LeftPicture::Changed
                                  ? ", but the picture has changed since."
                                  : ", but the picture is no longer there.";
            offer.question += " Keep the distortion as a warp file in a folder of your choice?";
            break;
    }
    return true;
}

RecoveryKeeper::RecoveryKeeper(std::string folder) : folder_(std::move(folder)) {
    if (folder_.empty()) {
        return;
    }
    std::error_code error;
    fs::create_directories(folder_, error);
    ::chmod(folder_.c_str(), 0700);  // what a user was doing is nobody else's business
    // A name of its own: a lock file made anew. One that exists belongs to
    // a live keeper or marks a copy left behind; neither is taken over.
    const std::string stem = folder_ + "/" + kCopyPrefix + std::to_string(::getpid()) + "-";
    for (int n = 1; n < 1000 && lock_ < 0; ++n) {
        lockPath_ = stem + std::to_string(n) + kLockSuffix;
        lock_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (lock_ < 0 && errno != EEXIST) {
            break;
        }
    }
    if (lock_ < 0) {
        folder_.clear();  // nowhere to keep a copy: none is kept
        return;
    }
    ::flock(lock_, LOCK_EX | LOCK_NB);
    copyPath_ = lockPath_.substr(0, lockPath_.size() - std::strlen(kLockSuffix)) + kCopySuffix;
    // What ended processes left that holds nothing: half-written copies of
    // writers killed in the act, locks of processes that never wrote one.
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        const std::string path = entry.path().string();
        const std::string name = entry.path().filename().string();
        std::error_code ignored;
        if (name.starts_with(".grimora-") && name.ends_with(".tmp") &&
            entry.last_write_time(ignored) < hourAgo) {
            fs::remove(entry.path(), ignored);
        } else if (path != lockPath_ && name.starts_with(kCopyPrefix) &&
                   name.ends_with(kLockSuffix) && entry.last_write_time(ignored) < hourAgo) {
            // Old, so not one that a starting process has yet to lock.
            const std::string copy =
                path.substr(0, path.size() - std::strlen(kLockSuffix)) + kCopySuffix;
            const int lock = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
            if (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0 && !fs::exists(copy, ignored)) {
                ::unlink(path.c_str());
            }
            if (lock >= 0) {
                ::close(lock);
            }
        }
    }
}

RecoveryKeeper::~RecoveryKeeper() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        spareCancel_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    if (lock_ >= 0) {
        struct stat st {};
        if (::stat(copyPath_.c_str(), &st) != 0) {
            ::unlink(lockPath_.c_str());
        }
        ::close(lock_);
    }
}

std::vector<LeftCopy> RecoveryKeeper::leftBehind() const {
    std::vector<LeftCopy> copies;
    if (folder_.empty()) {
        return copies;
    }
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        const std::string path = entry.path().string();
        const std::string name = entry.path().filename().string();
        if (path == copyPath_ || !name.starts_with(kCopyPrefix) || !name.ends_with(kCopySuffix)) {
            continue;
        }
        // Alive while its process holds the lock.
        const int lock = ::open(LockOf(path).c_str(), O_RDWR | O_CLOEXEC);
        const bool alive = lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) != 0;
        if (lock >= 0) {
            ::close(lock);
        }
        struct stat st {};
        if (alive || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        copies.push_back({path, st.st_mtim.tv_sec});
    }
    std::sort(copies.begin(), copies.end(),
              [](const LeftCopy& a, const LeftCopy& b) { return a.written > b.written; });
    return copies;
}

void RecoveryKeeper::forget(const LeftCopy& copy) const {
    ::unlink(copy.path.c_str());
    ::unlink(LockOf(copy.path).c_str());
}

bool RecoveryKeeper::keepLeftCopy(const RecoveryOffer& offer, const std::string& folder,
                                  std::string& written, std::string& error) {
    std::string stem = PictureName(offer.warp.origin.source);
    if (const std::size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0) {
        stem.resize(dot);
    }
    if (stem.empty() || stem.starts_with("blank:")) {
        stem = "distortion";
    }
    WarpOrigin origin;
    origin.source = offer.warp.origin.source;
    for (int n = 1; n < 1000; ++n) {
        written = folder + "/" + stem + (n == 1 ? "" : " (" + std::to_string(n) + ")") + ".gwarp";
        struct stat st {};
        if (::lstat(written.c_str(), &st) != 0) {
            return WriteWarpFile(written, offer.warp.field, offer.warp.mask, origin, error);
        }
    }
    error = "Cannot write into " + folder + ": every name for the warp file is taken.";
    return false;
}

void RecoveryKeeper::pictureLoaded(const std::string& path) {
    Stamp stamp;
    if (StampOf(path, stamp.bytes, stamp.modified)) {
        stamps_[path] = stamp;
    }
}

void RecoveryKeeper::prepare(int32_t width, int32_t height) {
    if (folder_.empty()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!startThreadLocked()) {
            return;  // snapshot() asks for its memory itself
        }
        spareWidth_ = width;
        spareHeight_ = height;
    }
    wake_.notify_all();
}

void RecoveryKeeper::releasePrepared() {
    std::optional<RecoverySnapshot> released;
    std::unique_lock<std::mutex> lock(mutex_);
    spareWidth_ = 0;
    spareHeight_ = 0;
    released.swap(spare_);
    // Memory being made is given back too before this returns: a load's
    // memory check follows. The thread stops within a few megabytes.
    spareCancel_ = true;
    idle_.wait(lock, [this] { return !making_; });
}

bool RecoveryKeeper::spareWantedLocked() const {
    return spareWidth_ > 0 && spareHeight_ > 0 &&
           !(spare_ && Fits(spare_->field, spareWidth_, spareHeight_));
}

std::optional<RecoverySnapshot> RecoveryKeeper::snapshot(const WarpSession& session) {
    const int32_t width = session.width();
    const int32_t height = session.height();
    RecoverySnapshot taken;
    std::optional<RecoverySnapshot> unfit;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (spare_ && Fits(spare_->field, width, height)) {
            taken = std::move(*spare_);
        }
        unfit.swap(spare_);  // given back outside the lock
        spareWidth_ = 0;
        spareHeight_ = 0;
        spareCancel_ = true;  // memory still being made would come too late
    }
    unfit.reset();
    if (!Fits(taken.field, width, height)) {
        std::optional<DisplacementField> field =
            DisplacementField::tryAllocateLazily(width, height);
        if (!field) {
            return std::nullopt;
        }
        taken.field = std::move(*field);
    }
    CopyEntries(taken.field.data(), session.field().data(), taken.field.size());
    const std::span<const uint8_t> mask = MaskBytes(session);
    try {
        taken.mask.assign(mask.begin(), mask.end());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    // Memory reused from an earlier copy brings its origin along.
    taken.origin = WarpOrigin{};
    const std::string& path = session.origin();
    taken.origin.source = PictureName(path);
    if (!path.empty()) {
        taken.origin.picturePath = path;
        const auto known = stamps_.find(path);
        if (known != stamps_.end()) {
            taken.origin.pictureBytes = known->second.bytes;
            taken.origin.pictureModified = known->second.modified;
        } else {
            StampOf(path, taken.origin.pictureBytes, taken.origin.pictureModified);
        }
    }
    return taken;
}

bool RecoveryKeeper::startThreadLocked() {
    if (thread_.joinable()) {
        return true;
    }
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void RecoveryKeeper::keep(RecoverySnapshot snapshot) {
    if (folder_.empty()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = std::move(snapshot);
        if (!startThreadLocked()) {
            pending_.reset();  // no copy this time; the next step tries again
            return;
        }
    }
    wake_.notify_all();
}

void RecoveryKeeper::discard() {
    releasePrepared();
    std::unique_lock<std::mutex> lock(mutex_);
    pending_.reset();
    // A write at idle priority could take long on a busy machine; its file
    // is not wanted any more.
    cancel_ = true;
    idle_.wait(lock, [this] { return !busy_; });
    cancel_ = false;
    if (!copyPath_.empty()) {
        ::unlink(copyPath_.c_str());
    }
}

void RecoveryKeeper::waitIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return !busy_ && !pending_ && !spareWantedLocked(); });
}

uint64_t RecoveryKeeper::writes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
}

void RecoveryKeeper::run() {
    // Only the time the editing threads leave over: a painting step must
    // never wait for a copy.
    sched_param idle{};
    ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &idle);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || pending_ || spareWantedLocked(); });
        if (pending_) {
            std::optional<RecoverySnapshot> written;
            written.swap(pending_);
            busy_ = true;
            lock.unlock();
            write(*written);
            lock.lock();
            busy_ = false;
            ++writes_;
            // Its memory serves the next copy when one is wanted already.
            if (spareWantedLocked() && Fits(written->field, spareWidth_, spareHeight_)) {
                spare_.swap(written);
            }
            lock.unlock();
            written.reset();
            lock.lock();
            idle_.notify_all();
        } else if (stop_) {
            return;
        } else {
            const int32_t width = spareWidth_;
            const int32_t height = spareHeight_;
            std::optional<RecoverySnapshot> made;
            made.swap(spare_);  // one of another size goes first
            making_ = true;
            spareCancel_ = false;
            lock.unlock();
            made.reset();
            made = MakeSpare(width, height, spareCancel_);
            lock.lock();
            const bool stillWanted = spareWidth_ == width && spareHeight_ == height;
            if (made && stillWanted) {
                spare_.swap(made);
            } else if (stillWanted && !spareCancel_) {
                // Not to be had: snapshot() asks for its memory itself.
                spareWidth_ = 0;
                spareHeight_ = 0;
            }
            if (made) {  // no longer wanted: given back before anyone is told
                lock.unlock();
                made.reset();
                lock.lock();
            }
            making_ = false;
            idle_.notify_all();
        }
    }
}

void RecoveryKeeper::write(const RecoverySnapshot& snapshot) {
    const bool frozen =
        std::any_of(snapshot.mask.begin(), snapshot.mask.end(), [](uint8_t m) { return m != 0; });
    if (!frozen && IsIdentity(snapshot.field)) {
        ::unlink(copyPath_.c_str());  // nothing to lose
        return;
    }
    std::string error;
    // A copy that cannot be written now is written at the next step; there
    // is no one to tell in between.
    WriteWarpFile(copyPath_, snapshot.field, snapshot.mask, snapshot.origin, error, &cancel_);
}

}  // namespace grimora
