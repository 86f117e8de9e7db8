// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/picture_writer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <random>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "picture/pictrix.h"
#include "picture/row_writer.h"

namespace grimora {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr int32_t kPixelsPerMetre = 2835;  // 72 dots per inch
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;

std::string Reason(int error) {
    return std::strerror(error);
}

// The extension of the path's last component, lower-case, with its dot; empty
// when there is none (a leading dot starts a name, not an extension).
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

bool CheckPicture(const Dib& dib, std::string& error) {
    if (dib.bits == nullptr || dib.info == nullptr) {
        error = "There is no picture to save.";
        return false;
    }
    const BitmapInfoHeader& h = dib.info->bmiHeader;
    if (h.biWidth < 1 || h.biHeight < 1 || h.biWidth > kMaxPictureSide ||
        h.biHeight > kMaxPictureSide || int64_t{h.biWidth} * h.biHeight > kMaxPicturePixels) {
        error = "The picture has an invalid size.";
        return false;
    }
    switch (h.biBitCount) {
        case 1:
        case 4:
        case 8:
        case 24:
        case 32:
            break;
        default:
            error = "Grimora cannot save pictures of " + std::to_string(h.biBitCount) +
                    " bits per pixel.";
            return false;
    }
    if (dib.stride < DibStride(h.biWidth, h.biBitCount)) {
        error = "The picture's rows are shorter than its width.";
        return false;
    }
    return true;
}

void PutU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    PutU16(out, value & 0xFFFFu);
    PutU16(out, value >> 16);
}

std::vector<uint8_t> BmpHeaders(int32_t width, int32_t height, uint32_t imageBytes) {
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutU32(out, kFileHeaderSize + kInfoHeaderSize + imageBytes);
    PutU32(out, 0);
    PutU32(out, kFileHeaderSize + kInfoHeaderSize);
    PutU32(out, kInfoHeaderSize);
    PutU32(out, static_cast<uint32_t>(width));
    PutU32(out, static_cast<uint32_t>(height));
    PutU16(out, 1);   // planes
    PutU16(out, 24);  // bits per pixel
    PutU32(out, 0);   // no compression
    PutU32(out, imageBytes);
    PutU32(out, kPixelsPerMetre);
    PutU32(out, kPixelsPerMetre);
    PutU32(out, 0);  // colours used
    PutU32(out, 0);  // colours important
    return out;
}

bool WriteAll(int fd, const uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool WriteBmp(int fd, const Dib& dib, LoadProgress& progress) {
    const int32_t width = dib.info->bmiHeader.biWidth;
    const int32_t height = dib.info->bmiHeader.biHeight;
    const std::size_t stride = static_cast<std::size_t>(DibStride(width, 24));
    const std::vector<uint8_t> headers =
        BmpHeaders(width, height, static_cast<uint32_t>(stride * std::size_t(height)));
    if (!WriteAll(fd, headers.data(), headers.size())) {
        return false;
    }
    const std::size_t rowsPerChunk = std::max<std::size_t>(1, kWriteChunk / stride);
    std::vector<uint8_t> chunk(rowsPerChunk * stride);
    for (int32_t r = 0; r < height;) {
        std::size_t used = 0;
        for (; r < height && used < chunk.size(); ++r, used += stride) {
            EncodeTrueColourRow(dib, r, chunk.data() + used, stride);
        }
        if (!WriteAll(fd, chunk.data(), used)) {
            return false;
        }
        progress.report(r, height);
    }
    return true;
}

enum class Format { kBmp, kPng, kJpeg, kTiff };

struct FileType {
    const char* extension;
    Format format;
};

constexpr FileType kFileTypes[] = {
    {".bmp", Format::kBmp},   {".png", Format::kPng},  {".jpg", Format::kJpeg},
    {".jpeg", Format::kJpeg}, {".tif", Format::kTiff}, {".tiff", Format::kTiff},
};
constexpr const char* kWrittenTypes = ".bmp, .png, .jpg, .jpeg, .tif and .tiff";

const FileType* FindType(const std::string& extension) {
    for (const FileType& type : kFileTypes) {
        if (extension == type.extension) {
            return &type;
        }
    }
    return nullptr;
}

bool Encode(const FileType& type, const Dib& dib, int jpegQuality, int fd, LoadProgress& progress,
            std::string& reason) {
    if (type.format == Format::kBmp) {
        if (!WriteBmp(fd, dib, progress)) {
            reason = Reason(errno);
            return false;
        }
        return true;
    }
    FileSink sink(fd);
    switch (type.format) {
        case Format::kPng:
            return EncodePng(dib, sink, progress, reason);
        case Format::kJpeg:
            return EncodeJpeg(dib, jpegQuality, sink, progress, reason);
        case Format::kTiff:
            return EncodeTiff(dib, sink, progress, reason);
        case Format::kBmp:
            break;
    }
    return false;
}

// The system's random source where it has one; otherwise the clock and the
// process, which O_EXCL makes good enough for a name.
unsigned seed() {
    try {
        return std::random_device{}();
    } catch (const std::exception&) {
        return static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               static_cast<unsigned>(::getpid());
    }
}

// A new file beside the target, removed again unless it is renamed over it.
class TempFile {
public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        closeFile();
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }

    // Creates a file that did not exist, with a random name in the target's
    // folder so that the rename stays on one file system. Opening it with
    // O_EXCL rather than mkstemp keeps the umask's say over its permissions.
    bool create(const std::string& target) {
        const std::size_t slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        // At most 40 bytes of the target's name, cut before a UTF-8 sequence,
        // so that a target with a name near the system's limit can be saved.
        std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
        std::size_t keep = std::min<std::size_t>(name.size(), 40);
        while (keep > 0 && keep < name.size() &&
               (static_cast<unsigned char>(name[keep]) & 0xC0u) == 0x80u) {
            --keep;
        }
        name.resize(keep);
        std::mt19937 random(seed());
        static constexpr char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string candidate = folder + "." + name + ".";
            for (int i = 0; i < 8; ++i) {
                candidate += kLetters[random() % (sizeof kLetters - 1)];
            }
            candidate += ".tmp";
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

    bool closeFile() {
        if (fd_ < 0) {
            return true;
        }
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

    // After the rename the file is the target's; nothing left to remove.
    void keep() { path_.clear(); }

private:
    int fd_ = -1;
    std::string path_;
};

// The file that saving replaces: the target of a symbolic link rather than
// the link, so that saving through a link does not turn it into a file.
std::string ResolveTarget(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // The new file is complete and in place already; this only makes the
        // rename itself survive a power cut, so its failure is not reported.
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool SavePicture(const Dib& dib, const std::string& path, std::string& error, int jpegQuality,
                 const ProgressCallback& progress) {
    const std::string extension = LowerExtension(path);
    const FileType* type = FindType(extension);
    if (type == nullptr) {
        error = (extension.empty() ? "Grimora cannot write files without an extension"
                                   : "Grimora cannot write " + extension + " files") +
                "; it writes " + kWrittenTypes + " files.";
        return false;
    }
    if (jpegQuality < 1 || jpegQuality > 100) {
        error = "The JPEG quality must be from 1 to 100, not " + std::to_string(jpegQuality) + ".";
        return false;
    }
    if (!CheckPicture(dib, error)) {
        return false;
    }
    const std::string target = ResolveTarget(path);
    TempFile temp;
    if (!temp.create(target)) {
        const int reason = errno;
        error = "Cannot save " + path + ": " + Reason(reason) + ".";
        return false;
    }
    // A replaced file keeps its permissions.
    struct stat old;
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(temp.fd(), old.st_mode & 07777);
    }
    bool written = false;
    std::string reason;
    LoadProgress reporter(progress);
    try {
        written = Encode(*type, dib, jpegQuality, temp.fd(), reporter, reason);
        if (written && !(::fsync(temp.fd()) == 0 && temp.closeFile())) {
            written = false;
            reason = Reason(errno);
        }
    } catch (const std::bad_alloc&) {
        reason = Reason(ENOMEM);
    }
    if (!written) {
        error = "Cannot write " + path + ": " + reason + ".";
        return false;
    }
    if (::rename(temp.path().c_str(), target.c_str()) != 0) {
        const int reason = errno;
        error = "Cannot replace " + path + ": " + Reason(reason) + ".";
        return false;
    }
    temp.keep();
    SyncFolderOf(target);
    return true;
}

}  // namespace grimora
