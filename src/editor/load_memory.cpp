// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/load_memory.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

#include "picture/dib_queries.h"
#include "picture/picture_limits.h"

namespace grimora {

namespace {

std::optional<int64_t>& InstalledLimit() {
    static std::optional<int64_t> limit;
    return limit;
}

// A block asked for without throwing and given back at the end of its
// scope. The allocation function is called directly, as a new-expression
// whose block is never used may be left out by the compiler.
class Reservation {
public:
    explicit Reservation(int64_t bytes)
        : block_(bytes <= 0 || static_cast<uint64_t>(bytes) > SIZE_MAX
                     ? nullptr
                     : ::operator new(static_cast<std::size_t>(bytes), std::nothrow)),
          wanted_(bytes > 0) {}
    ~Reservation() { ::operator delete(block_); }
    Reservation(const Reservation&) = delete;
    Reservation& operator=(const Reservation&) = delete;

    bool held() const { return block_ != nullptr || !wanted_; }

private:
    void* block_;
    bool wanted_;
};

int64_t Picture24Bytes(int32_t width, int32_t height) {
    return DibStride(width, 24) * int64_t{height};
}

// The blocks a load still asks for, in the order it asks.
struct LoadBlocks {
    int64_t converted = 0;
    int64_t field = 0;
    int64_t result = 0;
    int64_t mask = 0;
    int64_t total() const { return converted + field + result + mask; }
};

LoadBlocks BlocksOf(int32_t width, int32_t height, int bitCount, bool fieldAndResultHeld) {
    if (width < 0 || height < 0) {
        return {};
    }
    const int64_t pixels = int64_t{width} * height;
    LoadBlocks blocks;
    blocks.converted = bitCount < 24 ? Picture24Bytes(width, height) : 0;
    blocks.field = fieldAndResultHeld ? 0 : pixels * 8;
    blocks.result = fieldAndResultHeld ? 0 : Picture24Bytes(width, height);
    blocks.mask = pixels;
    return blocks;
}

}  // namespace

int64_t LoadCompletionBytes(int32_t width, int32_t height, int bitCount) {
    return BlocksOf(width, height, bitCount, false).total();
}

LoadMemory CheckLoadMemory(int32_t width, int32_t height, int bitCount, bool fieldAndResultHeld) {
    if (!IsPictureSize(width, height)) {
        return {false, MemoryGuard::Size};
    }
    const LoadBlocks blocks = BlocksOf(width, height, bitCount, fieldAndResultHeld);
    if (const std::optional<int64_t>& limit = InstalledLimit()) {
        return {blocks.total() <= *limit, MemoryGuard::TestLimit};
    }
    // Each block as it will be asked for later, all at once: the old
    // picture is only given up after the new one stands.
    const Reservation converted(blocks.converted);
    const Reservation field(blocks.field);
    const Reservation result(blocks.result);
    const Reservation mask(blocks.mask);
    return {converted.held() && field.held() && result.held() && mask.held(), MemoryGuard::System};
}

ScopedLoadMemoryLimit::ScopedLoadMemoryLimit(int64_t bytes)
    : previous_(std::exchange(InstalledLimit(), bytes)) {}

ScopedLoadMemoryLimit::~ScopedLoadMemoryLimit() {
    InstalledLimit() = previous_;
}

}  // namespace grimora
