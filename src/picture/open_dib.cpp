// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/open_dib.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "picture/bmp_reader.h"
#include "picture/owned_dib.h"

namespace grimora {

namespace {

constexpr const char* kNotAPicture = "This is not a picture file that Grimora can read.";

// The format readers, each recognising its files by their first bytes.
struct PictureFormat {
    bool (*sniff)(std::span<const uint8_t> file);
    bool (*read)(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
                 LoadProgress& progress);
};

constexpr PictureFormat kFormats[] = {
    {IsBmpFile, ReadBmp},
};

// Leaves the record without a picture and with the message, cut at a
// character boundary if it is too long.
void Fail(Dib& dib, const std::string& message) {
    dib = Dib{};
    std::size_t n = std::min(message.size(), kErrorTextSize - 1);
    while (n > 0 && n < message.size() && (static_cast<uint8_t>(message[n]) & 0xC0u) == 0x80u) {
        --n;
    }
    std::memcpy(dib.errorText, message.data(), n);
    dib.errorText[n] = '\0';
}

std::string SystemReason(int error) {
    return std::string(std::strerror(error)) + ".";
}

// Closes a descriptor on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool ReadWholeFile(const char* fileName, std::vector<uint8_t>& bytes, std::string& error) {
    // Opened without blocking and checked as opened, so that a pipe or a
    // device, even one put in the file's place a moment before, can neither
    // block the open nor be read without end.
    const FileDescriptor file(::open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        const int reason = errno;
        error = "Cannot open the file: " + SystemReason(reason);
        return false;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        const int reason = errno;
        error = "Cannot read the file: " + SystemReason(reason);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        error = "Cannot open the file: " + SystemReason(EISDIR);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = "Cannot open the file: it is not a regular file.";
        return false;
    }
    const auto size = static_cast<uintmax_t>(status.st_size);
    if (size > static_cast<uintmax_t>(kMaxPictureFileBytes)) {
        error = "The file is too large to be a picture: " + std::to_string(size) + " bytes.";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int reason = errno;
            error = "Cannot read the file: " + SystemReason(reason);
            return false;
        }
        if (n == 0) {
            break;  // the file has shrunk since it was opened
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return true;
}

}  // namespace

void LoadProgress::report(int64_t done, int64_t total) {
    if (!callback_ || total <= 0) {
        return;
    }
    const int percent = static_cast<int>(std::clamp<int64_t>(done, 0, total) * 100 / total);
    if (percent > last_) {
        last_ = percent;
        callback_(percent);
    }
}

void OpenDibFromMemory(Dib& dib, const uint8_t* data, std::size_t size,
                       const ProgressCallback& progress) {
    dib = Dib{};
    if (data == nullptr || size == 0) {
        Fail(dib, "The file is empty.");
        return;
    }
    const std::span<const uint8_t> file(data, size);
    for (const PictureFormat& format : kFormats) {
        if (!format.sniff(file)) {
            continue;
        }
        LoadProgress reporter(progress);
        OwnedDib picture;
        std::string error;
        bool read = false;
        try {
            read = format.read(file, picture, error, reporter);
        } catch (const std::bad_alloc&) {
            error = "Not enough memory to load the picture.";
        }
        if (!read) {
            Fail(dib, error);
            return;
        }
        reporter.finish();
        dib = picture.release();
        return;
    }
    Fail(dib, kNotAPicture);
}

void OpenDib(Dib& dib, const char* fileName, const ProgressCallback& progress) {
    dib = Dib{};
    if (fileName == nullptr || *fileName == '\0') {
        Fail(dib, "Cannot open the file: no file name was given.");
        return;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    bool read = false;
    try {
        read = ReadWholeFile(fileName, bytes, error);
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to read the file.";
    }
    if (!read) {
        Fail(dib, error);
        return;
    }
    OpenDibFromMemory(dib, bytes.data(), bytes.size(), progress);
}

}  // namespace grimora
