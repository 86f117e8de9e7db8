// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a file, the one way every save takes. A regular file, or the one
// a symbolic link names, is replaced atomically by a complete new file
// written beside it: until then it stays as it was. A device or a pipe is
// written into. A dangling link, a folder and, unless the caller allows it,
// a write-protected file are refused with a message. The new file is
// removed when the write fails, and when SIGINT or SIGTERM ends the process
// during it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include <sys/types.h>

namespace grimora {

enum class TargetKind {
    kNew,      // nothing there: a new file is made
    kRegular,  // a regular file, replaced whole
    kStream,   // a device or a pipe, written into
};

// What a path names, for writing; found without changing anything.
struct TargetInfo {
    std::string path;  // as given
    std::string file;  // what is written: the path with a final link followed
    TargetKind kind = TargetKind::kNew;
    // A regular file that its permissions keep from being written (by their
    // bits even for root, who could write it anyway).
    bool writeProtected = false;
    // The file, or for a new one the folder it goes into.
    dev_t device = 0;
    ino_t inode = 0;
};

// False with a message when `path` cannot be written at all: a link to
// nothing, a folder, a socket, or a folder of the path that cannot be looked
// at. A write-protected file is not refused here.
bool InspectTarget(const std::string& path, TargetInfo& target, std::string& error);

// Whether two inspected targets are the same file, however they are named.
bool SameFile(const TargetInfo& a, const TargetInfo& b);

// "X is write-protected.", the message of a refused write-protected file.
std::string WriteProtectedText(const std::string& path);

// The extension of the path's last component, lower-case, with its dot; empty
// when there is none (a leading dot starts a name, not an extension). Writers
// choose their format by it.
std::string LowerExtension(const std::string& path);

enum class WriteProtection {
    kRefuse,
    // Replace the file as any other: its folder decides, and the new file
    // keeps the old one's permissions, so it stays write-protected.
    kReplace,
};

// A write in progress: the bytes go to fd(), and commit() puts them in
// place. Dropped before commit(), it leaves a regular target as it was and
// removes the new file (a device or pipe has had the bytes, though).
class FileWrite {
public:
    FileWrite() = default;
    ~FileWrite();
    FileWrite(const FileWrite&) = delete;
    FileWrite& operator=(const FileWrite&) = delete;

    // Inspects `path` and opens the file the bytes go to: false with a
    // message that names the path.
    bool open(const std::string& path, std::string& error,
              WriteProtection protection = WriteProtection::kRefuse);
    int fd() const { return fd_; }
    const TargetInfo& target() const { return target_; }

    // Writes all of `bytes` to fd(); false with errno set.
    bool write(std::span<const uint8_t> bytes);

    // Flushes and closes the file: what can fail but the rename. A caller
    // that writes several files finishes them all before it commits any.
    bool finish(std::string& error);
    // Finishes the file and, for a regular target, renames it over the
    // target; false with a message that names the path.
    bool commit(std::string& error);

private:
    void discard();

    TargetInfo target_;
    int fd_ = -1;
    bool finished_ = false;
    std::string temporary_;  // the new file beside a regular target
    int slot_ = -1;          // where a signal handler finds its name
};

// All of `bytes` to `fd`, through interrupted and partial writes; false
// with errno set.
bool WriteAll(int fd, std::span<const uint8_t> bytes);

// The whole of `bytes` to `path`, as FileWrite writes.
bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error,
                    WriteProtection protection = WriteProtection::kRefuse);

}  // namespace grimora
