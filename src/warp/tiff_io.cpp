// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/tiff_io.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "picture/tiff_tags.h"

namespace grimora {

struct TiffInMemoryAccess {
    static TiffInMemory& of(thandle_t handle) { return *static_cast<TiffInMemory*>(handle); }

    static tmsize_t read(thandle_t handle, void* buffer, tmsize_t size) {
        TiffInMemory& file = of(handle);
        const uint64_t length = file.out_ != nullptr ? file.out_->size() : file.in_.size();
        if (size <= 0 || file.at_ >= length) {
            return 0;
        }
        const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(size), length - file.at_);
        const uint8_t* from = file.out_ != nullptr ? file.out_->data() : file.in_.data();
        std::memcpy(buffer, from + file.at_, n);
        file.at_ += n;
        return static_cast<tmsize_t>(n);
    }

    static tmsize_t write(thandle_t handle, void* buffer, tmsize_t size) {
        TiffInMemory& file = of(handle);
        if (file.out_ == nullptr || size <= 0) {
            return 0;
        }
        const uint64_t end = file.at_ + static_cast<uint64_t>(size);
        try {
            if (end > file.out_->size()) {
                file.out_->resize(end);
            }
        } catch (const std::bad_alloc&) {
            return 0;
        }
        std::memcpy(file.out_->data() + file.at_, buffer, static_cast<std::size_t>(size));
        file.at_ = end;
        return size;
    }

    static toff_t seek(thandle_t handle, toff_t offset, int whence) {
        TiffInMemory& file = of(handle);
        uint64_t base = 0;
        if (whence == SEEK_CUR) {
            base = file.at_;
        } else if (whence == SEEK_END) {
            base = file.out_ != nullptr ? file.out_->size() : file.in_.size();
        }
        if (offset > UINT64_MAX - base) {
            return static_cast<toff_t>(-1);
        }
        file.at_ = base + offset;
        return file.at_;
    }

    static int close(thandle_t) { return 0; }

    static toff_t size(thandle_t handle) {
        const TiffInMemory& file = of(handle);
        return file.out_ != nullptr ? file.out_->size() : file.in_.size();
    }

    static int map(thandle_t, void**, toff_t*) { return 0; }
    static void unmap(thandle_t, void*, toff_t) {}

    // The first complaint names the fault; later ones follow from it.
    static int error(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
        TiffInMemory& file = of(user);
        if (file.message_.empty()) {
            char text[200];
            std::vsnprintf(text, sizeof text, format, arguments);
            file.message_ = text;
            (void)module;  // a function's name, of no use to a user
        }
        return 1;
    }

    static int warning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

    static void open(TiffInMemory& file, const char* mode, int64_t maxAllocation) {
        // Complaints made before a file is open go to the global handlers,
        // which would print them.
        static std::once_flag once;
        std::call_once(once, [] {
            TIFFSetErrorHandler(nullptr);
            TIFFSetWarningHandler(nullptr);
        });
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options == nullptr) {
            file.message_ = "out of memory";
            return;
        }
        if (maxAllocation > 0) {
            TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(maxAllocation));
        }
        TIFFOpenOptionsSetErrorHandlerExtR(options, error, &file);
        TIFFOpenOptionsSetWarningHandlerExtR(options, warning, nullptr);
        file.tiff_ = TIFFClientOpenExt("warp", mode, &file, read, write, seek, close, size, map,
                                       unmap, options);
        TIFFOpenOptionsFree(options);
    }
};

TiffInMemory::TiffInMemory(std::span<const uint8_t> file, int64_t maxAllocation) : in_(file) {
    // The field's directory and the mask's.
    if (!TiffTagDataFits(file, 2)) {
        message_ = "its tags point at more data than the file holds";
        return;
    }
    TiffInMemoryAccess::open(*this, "rm", maxAllocation);
}

TiffInMemory::TiffInMemory(std::vector<uint8_t>& out, bool big) : out_(&out) {
    out.clear();
    TiffInMemoryAccess::open(*this, big ? "w8" : "w", 0);
}

TiffInMemory::~TiffInMemory() {
    if (tiff_ != nullptr) {
        TIFFClose(tiff_);
    }
}

bool TiffInMemory::finish() {
    if (tiff_ == nullptr) {
        return false;
    }
    const bool flushed = out_ == nullptr || TIFFFlush(tiff_) == 1;
    TIFFClose(tiff_);
    tiff_ = nullptr;
    return flushed && message_.empty();
}

uint32_t StripRows(uint64_t rowBytes, uint32_t height) {
    constexpr uint64_t kStripBytes = uint64_t{256} << 10;
    const uint64_t rows = std::max<uint64_t>(1, kStripBytes / std::max<uint64_t>(1, rowBytes));
    return static_cast<uint32_t>(std::min<uint64_t>(rows, height));
}

}  // namespace grimora
