// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace grimora {

// The source pixel that one result pixel shows: absolute column and memory row.
struct Displacement {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Displacement&, const Displacement&) = default;
};
static_assert(sizeof(Displacement) == 8);

// Gives a field's block back the way it was had: mapped (mappedBytes > 0)
// or from the heap.
struct FreeFieldEntries {
    std::size_t mappedBytes = 0;
    void operator()(Displacement* entries) const;
};

// width x height entries, memory row 0 first, column 0 first within a row:
// the entry of column c, memory row r is number r * width + c.
class DisplacementField {
public:
    DisplacementField() = default;
    // Throws std::bad_alloc when the memory cannot be had. Entries are unset
    // until InitMask.
    DisplacementField(int32_t width, int32_t height);
    // The same without throwing: nothing when the memory cannot be had, so a
    // caller can keep its old field and picture.
    static std::optional<DisplacementField> tryAllocate(int32_t width, int32_t height);
    // The same with the memory's pages left to be made at the first write
    // (InitMaskRows makes them chunk by chunk), so that work that may be
    // called off has not paid for all of them at once.
    static std::optional<DisplacementField> tryAllocateLazily(int32_t width, int32_t height);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    std::size_t size() const { return static_cast<std::size_t>(width_) * height_; }
    bool empty() const { return size() == 0; }

    Displacement* data() { return entries_.get(); }
    const Displacement* data() const { return entries_.get(); }
    Displacement* row(int32_t r) { return data() + static_cast<std::size_t>(r) * width_; }
    const Displacement* row(int32_t r) const {
        return data() + static_cast<std::size_t>(r) * width_;
    }
    Displacement& at(int32_t c, int32_t r) { return row(r)[c]; }
    const Displacement& at(int32_t c, int32_t r) const { return row(r)[c]; }

private:
    struct NoThrow {};
    DisplacementField(int32_t width, int32_t height, NoThrow, bool populate);
    using Entries = std::unique_ptr<Displacement[], FreeFieldEntries>;
    static Entries allocateEntries(std::size_t count, bool populate);

    // Left unwritten when allocated (InitMask or the caller writes every
    // entry): writing a 192 MB field twice costs a load a tenth of a second.
    Entries entries_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// Resets every entry to its own position: column c, memory row r holds (c, r).
void InitMask(DisplacementField& field);
// Rows [first, end) (held to the field) reset the same way, on the calling
// thread alone, their pages made first in one call: for a field written in
// chunks by whichever thread is free (a load's, beside its decode).
void InitMaskRows(DisplacementField& field, int32_t first, int32_t end);

// Makes the pages of [block, block + bytes) present and writable now, in one
// call where the system has one (much cheaper than a fault per page), else by
// writing zero to a byte of each page: only for memory that is all zero.
void MakePagesPresent(void* block, std::size_t bytes);

}  // namespace grimora
