// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/displacement_field.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "warp/row_helper.h"

namespace grimora {

namespace {

// Entries for width x height, or nothing when the sizes are negative or the
// block would not fit in memory's address range at all.
std::optional<std::size_t> entryCount(int32_t width, int32_t height) {
    if (width < 0 || height < 0) {
        return std::nullopt;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (count > SIZE_MAX / sizeof(Displacement)) {
        return std::nullopt;
    }
    return count;
}

}  // namespace

void FreeFieldEntries::operator()(Displacement* entries) const {
#if defined(__linux__)
    if (mappedBytes > 0) {
        ::munmap(entries, mappedBytes);
        return;
    }
#endif
    std::free(entries);
}

// Uninitialised room for `count` entries (an aggregate of two integers needs
// no constructor run), or none. Large blocks are mapped with their pages
// made at once: the first write of a 24-megapixel field otherwise takes
// 47 000 page faults one by one, a fifth of a load's time here. (Large pages
// would save more, but asking for them can stall a load for half a second
// while the system compacts its memory.)
DisplacementField::Entries DisplacementField::allocateEntries(std::size_t count, bool populate) {
    const std::size_t bytes = std::max<std::size_t>(count * sizeof(Displacement), 1);
#if defined(__linux__)
    constexpr std::size_t kMappedFrom = std::size_t{4} << 20;
    if (bytes >= kMappedFrom) {
        void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | (populate ? MAP_POPULATE : 0), -1, 0);
        if (block == MAP_FAILED) {
            return Entries(nullptr, FreeFieldEntries{});
        }
        return Entries(static_cast<Displacement*>(block), FreeFieldEntries{bytes});
    }
#endif
    return Entries(static_cast<Displacement*>(std::malloc(bytes)), FreeFieldEntries{});
}

DisplacementField::DisplacementField(int32_t width, int32_t height) {
    const auto count = entryCount(width, height);
    if (!count) {
        throw std::bad_array_new_length();
    }
    entries_ = allocateEntries(*count, true);
    if (entries_ == nullptr) {
        throw std::bad_alloc();
    }
    width_ = width;
    height_ = height;
}

DisplacementField::DisplacementField(int32_t width, int32_t height, NoThrow, bool populate) {
    const auto count = entryCount(width, height);
    if (!count) {
        return;
    }
    entries_ = allocateEntries(*count, populate);
    if (entries_ != nullptr) {
        width_ = width;
        height_ = height;
    }
}

std::optional<DisplacementField> DisplacementField::tryAllocate(int32_t width, int32_t height) {
    DisplacementField field(width, height, NoThrow{}, true);
    if (field.entries_ == nullptr) {
        return std::nullopt;
    }
    return field;
}

std::optional<DisplacementField> DisplacementField::tryAllocateLazily(int32_t width,
                                                                      int32_t height) {
    DisplacementField field(width, height, NoThrow{}, false);
    if (field.entries_ == nullptr) {
        return std::nullopt;
    }
    return field;
}

void MakePagesPresent(void* block, std::size_t bytes) {
    constexpr std::size_t kPage = 4096;
    auto* bytesAt = static_cast<unsigned char*>(block);
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // Whole pages inside the block only: the pages at its ends may belong
    // to other blocks as well, and are written below.
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kPage - 1) & ~std::uintptr_t{kPage - 1};
    const std::uintptr_t end = (start + bytes) & ~std::uintptr_t{kPage - 1};
    if (end > first &&
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE) == 0) {
        if (first > start) {
            *static_cast<volatile unsigned char*>(bytesAt) = 0;
        }
        if (start + bytes > end) {
            static_cast<volatile unsigned char*>(bytesAt)[bytes - 1] = 0;
        }
        return;
    }
#endif
    for (std::size_t i = 0; i < bytes; i += kPage) {
        static_cast<volatile unsigned char*>(bytesAt)[i] = 0;
    }
    if (bytes > 0) {
        static_cast<volatile unsigned char*>(bytesAt)[bytes - 1] = 0;
    }
}

namespace {

void identityRows(DisplacementField& field, int64_t first, int64_t end) {
    for (auto r = static_cast<int32_t>(first); r < end; ++r) {
        Displacement* entries = field.row(r);
        for (int32_t c = 0; c < field.width(); ++c) {
            entries[c] = Displacement{c, r};
        }
    }
}

// Fields from this many entries up (a picture of about a megapixel, whose
// first write also takes the memory's page faults) share their rows with the
// helper thread.
constexpr std::size_t kSharedFieldEntries = std::size_t{1} << 20;

}  // namespace

void InitMask(DisplacementField& field) {
    // Chunks of about 2 MB, one large page of entries.
    const int64_t chunk = (int64_t{1} << 18) / std::max<int64_t>(field.width(), 1);
    ForEachChunk(field.height(), chunk, field.size() >= kSharedFieldEntries,
                 [&field](int64_t first, int64_t end, int) { identityRows(field, first, end); });
}

void InitMaskRows(DisplacementField& field, int32_t first, int32_t end) {
    first = std::max(first, 0);
    end = std::min(end, field.height());
    if (first >= end || field.width() == 0) {
        return;
    }
    // Any zeros MakePagesPresent writes are overwritten at once.
    MakePagesPresent(field.row(first),
                     static_cast<std::size_t>(end - first) * field.width() * sizeof(Displacement));
    identityRows(field, first, end);
}

}  // namespace grimora
