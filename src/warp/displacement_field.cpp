// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/displacement_field.h"

#include <cstdint>
#include <new>

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

DisplacementField::DisplacementField(int32_t width, int32_t height) {
    const auto count = entryCount(width, height);
    if (!count) {
        throw std::bad_array_new_length();
    }
    entries_.reset(new Displacement[*count]);
    width_ = width;
    height_ = height;
}

DisplacementField::DisplacementField(int32_t width, int32_t height, NoThrow) {
    const auto count = entryCount(width, height);
    if (!count) {
        return;
    }
    entries_.reset(new (std::nothrow) Displacement[*count]);
    if (entries_ != nullptr) {
        width_ = width;
        height_ = height;
    }
}

std::optional<DisplacementField> DisplacementField::tryAllocate(int32_t width, int32_t height) {
    DisplacementField field(width, height, NoThrow{});
    if (field.entries_ == nullptr) {
        return std::nullopt;
    }
    return field;
}

void InitMask(DisplacementField& field) {
    for (int32_t r = 0; r < field.height(); ++r) {
        Displacement* entries = field.row(r);
        for (int32_t c = 0; c < field.width(); ++c) {
            entries[c] = Displacement{c, r};
        }
    }
}

}  // namespace grimora
