// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/field_files.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace grimora {

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
            int failure = 0;
            while (got < out.size()) {
                const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n < 0) {
                    failure = errno;  // said as it is, not as a file cut short
                }
                if (n <= 0) {
                    break;
                }
                got += static_cast<std::size_t>(n);
            }
            if (failure != 0) {
                reason = std::strerror(failure);
            } else {
                // A file that shrank while read is read as far as it goes.
                out.resize(got);
                read = true;
            }
        } catch (const std::bad_alloc&) {
            reason = std::strerror(ENOMEM);
        }
    }
    ::close(fd);
    return read;
}

bool WriteRawField(const DisplacementField& field, FileWrite& file, std::string& error) {
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
        if (!file.write(row)) {
            const int reason = errno;
            error = "Cannot write " + file.target().path + ": " + std::strerror(reason) + ".";
            return false;
        }
    }
    return true;
}

}  // namespace grimora
