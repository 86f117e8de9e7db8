// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/file_target.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace grimora {

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// ---------------------------------------------------------------------------
// Temporary files that SIGINT and SIGTERM remove. The handler may only make
// async-signal-safe calls and read lock-free atomics, so the names live in
// fixed slots, and a slot is published only while its file exists and is
// ours: from just after the file was made with O_EXCL until it was renamed
// or removed. A signal in the instants between leaves the file behind.

constexpr int kFree = 0;
constexpr int kBusy = 1;  // being filled: the handler keeps away
constexpr int kPublished = 2;

struct TemporarySlot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);

std::array<TemporarySlot, 8> gTemporaries;

extern "C" void RemoveTemporariesAndDie(int signal) {
    for (TemporarySlot& slot : gTemporaries) {
        if (slot.state.load(std::memory_order_acquire) == kPublished) {
            ::unlink(slot.path);
        }
    }
    // SA_RESETHAND has put the default action back: the signal, raised
    // again, ends the process once this handler returns.
    ::raise(signal);
}

bool TakesDefaultAction(int signal) {
    struct sigaction current {};
    return ::sigaction(signal, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
           current.sa_handler == SIG_DFL;
}

// At each new file, for each signal whose action is the default one: a
// program that handles or ignores them keeps its own way, and a process
// that put the default back (a child after fork) gets the handler again.
void InstallHandlers() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        if (!TakesDefaultAction(signal)) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = RemoveTemporariesAndDie;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
    // A pipe whose reader went away fails the write with EPIPE, which is
    // told and cleaned up, instead of ending the program with the work lost.
    if (TakesDefaultAction(SIGPIPE)) {
        ::signal(SIGPIPE, SIG_IGN);
    }
}

// -1 when no slot is free or the name does not fit: the file is then only
// removed by the usual ways. The name is made absolute, so that the handler
// finds the file whatever the working folder is by then.
int Publish(std::string path) {
    if (path.front() != '/') {
        char folder[PATH_MAX];
        if (::getcwd(folder, sizeof folder) == nullptr) {
            return -1;
        }
        path = std::string(folder) + "/" + path;
    }
    if (path.size() >= PATH_MAX) {
        return -1;
    }
    for (std::size_t i = 0; i < gTemporaries.size(); ++i) {
        TemporarySlot& slot = gTemporaries[i];
        int expected = kFree;
        if (slot.state.compare_exchange_strong(expected, kBusy, std::memory_order_acquire)) {
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.state.store(kPublished, std::memory_order_release);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void Withdraw(int index) {
    if (index >= 0) {
        gTemporaries[static_cast<std::size_t>(index)].state.store(kFree, std::memory_order_release);
    }
}

// ---------------------------------------------------------------------------

// The system's random source where it has one; otherwise the clock and the
// process, which O_EXCL makes good enough for a name.
unsigned Seed() {
    try {
        return std::random_device{}();
    } catch (const std::exception&) {
        return static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               static_cast<unsigned>(::getpid());
    }
}

// A new file with a random name in the target's folder, so that the rename
// stays on one file system. O_EXCL rather than mkstemp keeps the umask's say
// over its permissions. -1 with errno set.
int CreateBeside(const std::string& file, std::string& created) {
    const std::size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : file.substr(0, slash + 1);
    // At most 40 bytes of the target's name, cut before a UTF-8 sequence,
    // so that a target with a name near the system's limit can be saved.
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    std::size_t keep = std::min<std::size_t>(name.size(), 40);
    while (keep > 0 && keep < name.size() &&
           (static_cast<unsigned char>(name[keep]) & 0xC0u) == 0x80u) {
        --keep;
    }
    name.resize(keep);
    std::mt19937 random(Seed());
    static constexpr char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = folder + "." + name + ".";
        for (int i = 0; i < 8; ++i) {
            candidate += kLetters[random() % (sizeof kLetters - 1)];
        }
        candidate += ".tmp";
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            created = candidate;
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

void SyncFolderOf(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // The new file is complete and in place already; this only makes the
        // rename itself survive a power cut, so its failure is not reported.
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool InspectTarget(const std::string& path, TargetInfo& target, std::string& error) {
    if (path.empty()) {
        error = "Cannot save: no file name was given.";
        return false;
    }
    if (path.back() == '/') {
        error = "Cannot save " + path + ": it names a folder, not a file.";
        return false;
    }
    TargetInfo found;
    found.path = path;
    found.file = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            const int reason = errno;
            char named[PATH_MAX];
            const ssize_t n = ::readlink(path.c_str(), named, sizeof named - 1);
            named[std::max<ssize_t>(n, 0)] = '\0';
            error = reason == ENOENT ? "Cannot save " + path + ": it is a link to " + named +
                                           ", which does not exist."
                                     : "Cannot save " + path + ": " + Reason(reason) + ".";
            return false;
        }
        found.file = resolved;
    }
    struct stat st {};
    if (::stat(found.file.c_str(), &st) != 0) {
        int reason = errno;
        // Nothing there: the folder must be, and it is what the file is
        // known by until it exists.
        if (reason == ENOENT && ::stat(FolderOf(found.file).c_str(), &st) != 0) {
            reason = errno;
        } else if (reason == ENOENT) {
            reason = 0;
        }
        if (reason != 0) {
            error = "Cannot save " + path + ": " + Reason(reason) + ".";
            return false;
        }
        found.kind = TargetKind::kNew;
    } else if (S_ISDIR(st.st_mode)) {
        error = "Cannot save " + path + ": it is a folder.";
        return false;
    } else if (S_ISREG(st.st_mode)) {
        found.kind = TargetKind::kRegular;
        found.writeProtected = (st.st_mode & 0222) == 0 ||
                               ::faccessat(AT_FDCWD, found.file.c_str(), W_OK, AT_EACCESS) != 0;
    } else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode)) {
        found.kind = TargetKind::kStream;
    } else {
        error = "Cannot save " + path + ": it is not a file that can be written.";
        return false;
    }
    // A new file, and the complete copy that replaces a regular one, are
    // made in the folder: known before any work is done for them.
    if (found.kind != TargetKind::kStream &&
        ::faccessat(AT_FDCWD, FolderOf(found.file).c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        error =
            "Cannot save " + path + ": its folder cannot be written to (" + Reason(errno) + ").";
        return false;
    }
    found.device = st.st_dev;
    found.inode = st.st_ino;
    target = found;
    return true;
}

bool SameFile(const TargetInfo& a, const TargetInfo& b) {
    if ((a.kind == TargetKind::kNew) != (b.kind == TargetKind::kNew)) {
        return false;
    }
    if (a.device != b.device || a.inode != b.inode) {
        return false;
    }
    // Two new files in one folder are the same when their names are.
    return a.kind != TargetKind::kNew ||
           a.file.substr(a.file.rfind('/') + 1) == b.file.substr(b.file.rfind('/') + 1);
}

std::string WriteProtectedText(const std::string& path) {
    return path + " is write-protected.";
}

std::string LowerExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return {};
    }
    std::string extension = name.substr(dot);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}

FileWrite::~FileWrite() {
    discard();
}

void FileWrite::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        Withdraw(slot_);
        slot_ = -1;
        temporary_.clear();
    }
}

bool FileWrite::open(const std::string& path, std::string& error, WriteProtection protection) {
    discard();
    finished_ = false;
    if (!InspectTarget(path, target_, error)) {
        return false;
    }
    if (target_.writeProtected && protection == WriteProtection::kRefuse) {
        error = WriteProtectedText(path);
        return false;
    }
    InstallHandlers();
    if (target_.kind == TargetKind::kStream) {
        fd_ = ::open(target_.file.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) {
            const int reason = errno;
            error = "Cannot save " + path + ": " + Reason(reason) + ".";
            return false;
        }
        return true;
    }
    fd_ = CreateBeside(target_.file, temporary_);
    if (fd_ < 0) {
        const int reason = errno;
        error = "Cannot save " + path + ": " + Reason(reason) + ".";
        return false;
    }
    slot_ = Publish(temporary_);
    // A replaced file keeps its permissions, and its owner and group where
    // the process may give them.
    struct stat old {};
    if (target_.kind == TargetKind::kRegular && ::stat(target_.file.c_str(), &old) == 0) {
        ::fchmod(fd_, old.st_mode & 07777);
        if (::fchown(fd_, old.st_uid, old.st_gid) == 0) {
            ::fchmod(fd_, old.st_mode & 07777);  // fchown may clear set-id bits
        }
    }
    return true;
}

bool FileWrite::write(std::span<const uint8_t> bytes) {
    return WriteAll(fd_, bytes);
}

bool FileWrite::finish(std::string& error) {
    if (finished_) {
        return true;
    }
    if (fd_ < 0) {
        error = "Cannot save " + target_.path + ": it was not opened.";
        return false;
    }
    // Devices and pipes cannot be synced; what they took is theirs.
    const bool synced = target_.kind == TargetKind::kStream || ::fsync(fd_) == 0;
    const int syncError = errno;
    const int closed = ::close(fd_);
    const int closeError = errno;
    fd_ = -1;
    if (!synced || closed != 0) {
        error =
            "Cannot write " + target_.path + ": " + Reason(synced ? closeError : syncError) + ".";
        discard();
        return false;
    }
    finished_ = true;
    return true;
}

bool FileWrite::commit(std::string& error) {
    if (!finish(error)) {
        return false;
    }
    if (target_.kind == TargetKind::kStream) {
        return true;
    }
    if (::rename(temporary_.c_str(), target_.file.c_str()) != 0) {
        const int reason = errno;
        error = "Cannot replace " + target_.path + ": " + Reason(reason) + ".";
        discard();
        return false;
    }
    // Nothing has the temporary name now, should the handler still look.
    Withdraw(slot_);
    slot_ = -1;
    temporary_.clear();
    SyncFolderOf(target_.file);
    return true;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error,
                    WriteProtection protection) {
    FileWrite file;
    if (!file.open(path, error, protection)) {
        return false;
    }
    if (!file.write(bytes)) {
        const int reason = errno;
        error = "Cannot write " + path + ": " + Reason(reason) + ".";
        return false;
    }
    return file.commit(error);
}

}  // namespace grimora
