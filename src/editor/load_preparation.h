// SPDX-License-Identifier: GPL-3.0-or-later
// What a load makes ahead: the field and the result picture for the size a
// file's header claims, made on the second core while the file decodes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "picture/owned_dib.h"
#include "warp/displacement_field.h"

namespace grimora {

// What a load needs beside its picture, made before the picture is decoded:
// the identity field and a 24-bit result picture as newdib makes it, both of
// one size and with their memory's pages already made. Empty (holds()
// false) when they could not be had.
struct PreparedPicture {
    DisplacementField field;
    OwnedDib result;
    bool holds(int32_t width, int32_t height) const;
};

// PreparedPicture for width x height on the calling thread. Empty, once
// `stop` is set, as soon as it sees it.
PreparedPicture PreparePicture(int32_t width, int32_t height, const std::atomic<bool>& stop);

// PreparePicture on a thread of its own, started at once, so that a load
// makes the blocks on the second core while it decodes the file. Loads are
// rare: a thread each costs nothing worth keeping one for.
class PicturePreparation {
public:
    // Prepares nothing.
    PicturePreparation() = default;
    // Sizes that are no picture's prepare nothing; so does a system that
    // cannot start the thread.
    PicturePreparation(int32_t width, int32_t height);
    // For the size a picture file's header claims; nothing when it cannot
    // be measured (unknown format, broken header, unreadable file).
    static PicturePreparation forFile(const char* fileName);
    // Calls the work off and waits for it; blocks not taken are freed.
    ~PicturePreparation();
    PicturePreparation(PicturePreparation&&) noexcept;
    PicturePreparation& operator=(PicturePreparation&&) noexcept;

    // Waits for the thread and hands over what it made; empty when nothing
    // was prepared, or the second time.
    PreparedPicture take();

private:
    struct Job;
    std::unique_ptr<Job> job_;
};

}  // namespace grimora
