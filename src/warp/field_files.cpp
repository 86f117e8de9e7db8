// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/field_files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace grimora {

namespace {

std::string Failed(const std::string& path, const std::string& reason) {
    return "Cannot write " + path + ": " + reason + ".";
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// A file beside `target` that nobody else has, removed again unless kept.
class Temporary {
public:
    ~Temporary() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }

    bool create(const std::string& target) {
        const std::size_t slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        std::mt19937_64 random;
        try {
            random.seed(std::random_device{}());
        } catch (const std::exception&) {
            random.seed(static_cast<uint64_t>(::getpid()));  // O_EXCL keeps it safe
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string candidate =
                folder + ".grimora-" + std::to_string(random() % 100000000000u) + ".tmp";
            fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) {
                path_ = candidate;
                return true;
            }
            if (errno != EEXIST) {
                return false;
            }
        }
        return false;
    }

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    bool close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }
    void keep() { path_.clear(); }

private:
    int fd_ = -1;
    std::string path_;
};

bool WriteThrough(int fd, const ContentWriter& write, std::string& reason) {
    FileSink sink(fd);
    try {
        if (!write(sink, reason)) {
            if (reason.empty()) {
                reason = sink.reason();
            }
            return false;
        }
    } catch (const std::bad_alloc&) {
        reason = std::strerror(ENOMEM);
        return false;
    }
    if (!sink.flush()) {
        reason = sink.reason();
        return false;
    }
    return true;
}

}  // namespace

bool ReplaceFileWith(const std::string& path, const ContentWriter& write, std::string& error) {
    // Through a link its target is replaced, so that the link stays a link.
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            error = Failed(path, "the link leads to nothing");
            return false;
        }
        target = resolved;
    }
    std::string reason;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        error = Failed(path, "it is a folder");
        return false;
    }
    // A device or a pipe (/dev/stdout) cannot be renamed over: in place.
    if (exists && !S_ISREG(st.st_mode)) {
        const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            error = Failed(path, std::strerror(errno));
            return false;
        }
        const bool written = WriteThrough(fd, write, reason);
        ::close(fd);
        if (!written) {
            error = Failed(path, reason);
        }
        return written;
    }
    // Renaming over a file the user protected would go past the protection.
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        error = Failed(path, "it is write-protected");
        return false;
    }
    Temporary temporary;
    if (!temporary.create(target)) {
        error = Failed(path, std::strerror(errno));
        return false;
    }
    if (exists) {
        ::fchmod(temporary.fd(), st.st_mode & 07777);
    }
    if (!WriteThrough(temporary.fd(), write, reason)) {
        error = Failed(path, reason);
        return false;
    }
    if (::fsync(temporary.fd()) != 0 || !temporary.close()) {
        error = Failed(path, std::strerror(errno));
        return false;
    }
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) {
        error = Failed(path, std::strerror(errno));
        return false;
    }
    temporary.keep();
    // Makes the rename itself survive a power cut; the file is whole already.
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

bool ReadFileBytes(const std::string& path, int64_t maxBytes, std::vector<uint8_t>& out,
                   std::string& reason) {
    // Without blocking: a pipe in the file's place must not hold us up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool read = false;
    if (::fstat(fd, &st) != 0) {
        reason = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        reason = "it is not a regular file";
    } else if (st.st_size > maxBytes) {
        reason = "it is larger than any warp Grimora reads";
    } else {
        try {
            out.resize(static_cast<std::size_t>(st.st_size));
            std::size_t got = 0;
            while (got < out.size()) {
                const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    break;
                }
                got += static_cast<std::size_t>(n);
            }
            // A file that shrank while read is read as far as it goes.
            out.resize(got);
            read = true;
        } catch (const std::bad_alloc&) {
            reason = std::strerror(ENOMEM);
        }
    }
    ::close(fd);
    return read;
}

bool WriteRawField(const DisplacementField& field, const std::string& path, std::string& error) {
    return ReplaceFileWith(
        path,
        [&field](FileSink& sink, std::string&) {
            // A row at a time: the whole field may be hundreds of megabytes.
            std::vector<uint8_t> row(static_cast<std::size_t>(field.width()) * 8);
            for (int32_t r = 0; r < field.height(); ++r) {
                uint8_t* out = row.data();
                const Displacement* entry = field.row(r);
                for (int32_t c = 0; c < field.width(); ++c) {
                    for (const int32_t value : {entry[c].x, entry[c].y}) {
                        const auto bits = static_cast<uint32_t>(value);
                        *out++ = static_cast<uint8_t>(bits);
                        *out++ = static_cast<uint8_t>(bits >> 8);
                        *out++ = static_cast<uint8_t>(bits >> 16);
                        *out++ = static_cast<uint8_t>(bits >> 24);
                    }
                }
                if (!sink.write(row.data(), row.size())) {
                    return false;
                }
            }
            return true;
        },
        error);
}

}  // namespace grimora
