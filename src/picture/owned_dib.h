// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <utility>

#include "picture/dib.h"
#include "picture/pictrix.h"

namespace grimora {

// Sole owner of one picture: frees it with deldib exactly once. Move-only, so
// a second owner of the same picture cannot be written. The record itself is
// handed out by reference for the library's calls that read it.
class OwnedDib {
public:
    OwnedDib() = default;
    explicit OwnedDib(const Dib& adopted) : dib_(adopted) {}
    ~OwnedDib() { deldib(dib_); }

    OwnedDib(const OwnedDib&) = delete;
    OwnedDib& operator=(const OwnedDib&) = delete;
    OwnedDib(OwnedDib&& other) noexcept : dib_(std::exchange(other.dib_, Dib{})) {}
    OwnedDib& operator=(OwnedDib&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.dib_, Dib{}));
        }
        return *this;
    }

    // Frees the picture held now, then takes `adopted`.
    void reset(const Dib& adopted = Dib{}) {
        Dib old = std::exchange(dib_, adopted);
        deldib(old);
    }

    // Gives up ownership without freeing.
    [[nodiscard]] Dib release() { return std::exchange(dib_, Dib{}); }

    const Dib& get() const { return dib_; }
    // For the few writers of a record's own fields (palette, colour table).
    Dib& edit() { return dib_; }
    const Dib* operator->() const { return &dib_; }
    const Dib& operator*() const { return dib_; }
    bool holdsPicture() const { return dib_.allocation != nullptr; }

    // Makes a new picture (newdib) and takes it; false when it could not be made,
    // and then the picture held before stays.
    bool make(int32_t width, int32_t height, int bitCount, const BitmapInfo* colours = nullptr,
              int colourCount = 0) {
        Dib made;
        newdib(made, width, height, bitCount, colours, colourCount);
        if (made.allocation == nullptr) {
            return false;
        }
        reset(made);
        return true;
    }

private:
    Dib dib_;
};

}  // namespace grimora
