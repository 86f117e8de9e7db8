// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/open_dib.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <system_error>
#include <vector>

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

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool ReadWholeFile(const char* fileName, std::vector<uint8_t>& bytes, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(fileName, ec);
    if (ec) {
        error = "Cannot open the file: " + SystemReason(ec.value());
        return false;
    }
    // Opening a pipe or a device could block or never end.
    if (fs::is_directory(status)) {
        error = "Cannot open the file: " + SystemReason(EISDIR);
        return false;
    }
    if (!fs::is_regular_file(status)) {
        error = "Cannot open the file: it is not a regular file.";
        return false;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName, "rb"));
    if (!file) {
        const int reason = errno;
        error = "Cannot open the file: " + SystemReason(reason);
        return false;
    }
    const uintmax_t size = fs::file_size(fileName, ec);
    if (ec) {
        error = "Cannot read the file: " + SystemReason(ec.value());
        return false;
    }
    if (size > static_cast<uintmax_t>(kMaxPictureFileBytes)) {
        error = "The file is too large to be a picture: " + std::to_string(size) + " bytes.";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (got < bytes.size() && std::ferror(file.get())) {
        const int reason = errno;
        error = "Cannot read the file: " + SystemReason(reason);
        return false;
    }
    bytes.resize(got);  // the file may have shrunk since its size was taken
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
