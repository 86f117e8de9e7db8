// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

namespace grimora {

inline constexpr uint8_t kFrozen = 255;

// Beside the field, one byte per entry: 0 leaves an entry free, 255 keeps
// it from every warp brush, values between let it move part of the way.
// Same size and row order as the field: the byte of column c, memory row r
// is number r * width + c.
class FreezeMask {
public:
    FreezeMask() = default;
    // All 0; the pages are made as they are first written, so a mask that
    // is never painted costs a load nothing. Throws std::bad_alloc.
    FreezeMask(int32_t width, int32_t height);
    // The same without throwing: nothing when the memory cannot be had.
    static std::optional<FreezeMask> tryAllocate(int32_t width, int32_t height);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    std::size_t size() const { return static_cast<std::size_t>(width_) * height_; }
    bool empty() const { return size() == 0; }

    uint8_t* data() { return bytes_.get(); }
    const uint8_t* data() const { return bytes_.get(); }
    uint8_t* row(int32_t r) { return data() + static_cast<std::size_t>(r) * width_; }
    const uint8_t* row(int32_t r) const { return data() + static_cast<std::size_t>(r) * width_; }
    uint8_t& at(int32_t c, int32_t r) { return row(r)[c]; }
    uint8_t at(int32_t c, int32_t r) const { return row(r)[c]; }

    // Whether any byte of columns x .. x + w - 1 of rows y .. y + h - 1
    // (inside the mask) is above 0.
    bool anyFrozen(int32_t x, int32_t y, int32_t w, int32_t h) const;

private:
    struct Free {
        void operator()(uint8_t* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<uint8_t[], Free> bytes_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// Where a warp brush would move a component from `was` to `now`, the mask
// byte m lets it move (255 - m) / 255 of the way, rounded to the nearest
// whole step (255 is odd: there is no half). Between the two, so inside the
// picture whenever both are.
inline int32_t MaskedComponent(int32_t was, int32_t now, uint8_t m) {
    const int64_t q = (int64_t{now} - was) * (255 - m);
    const int64_t moved = q >= 0 ? (2 * q + 255) / 510 : -((255 - 2 * q) / 510);
    return static_cast<int32_t>(was + moved);
}

}  // namespace grimora
