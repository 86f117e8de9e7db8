// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of loading a picture file that need no window: the failure
// message, the memory check before the old picture is given up, and the
// preview's fit.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QString>

#include "picture/dib.h"
#include "picture/pictrix.h"

namespace grimora {

// Body and caption of the box for a load that failed with the library's
// `errorText`: a text of more than 5 characters is the body under a caption
// naming the file; a shorter one is replaced by that naming under "Error".
struct LoadFailureBox {
    QString text;
    QString caption;
};
LoadFailureBox LoadFailureMessage(const QString& fileName, const QString& errorText);

// The library's loader, OpenDib, unless a test has installed another.
using PictureOpener = std::function<void(Dib&, const char*, const ProgressCallback&)>;
void OpenPicture(Dib& dib, const char* fileName, const ProgressCallback& progress);

class ScopedPictureOpener {
public:
    explicit ScopedPictureOpener(PictureOpener opener);
    ~ScopedPictureOpener();
    ScopedPictureOpener(const ScopedPictureOpener&) = delete;
    ScopedPictureOpener& operator=(const ScopedPictureOpener&) = delete;

private:
    PictureOpener previous_;
};

// Bytes that taking a loaded picture of this size and depth needs while the
// old picture, field and result still exist: the 24-bit copy the depth
// conversion makes (below 24 bits), the field at 8 bytes a pixel and the
// result picture.
int64_t LoadCompletionBytes(int32_t width, int32_t height, int bitCount);

// Whether those bytes can be had now: each block is asked for, all held at
// once, then given back. A field and result already made for the picture
// are not asked for a second time.
bool CanTakePicture(int32_t width, int32_t height, int bitCount, bool fieldAndResultHeld = false);

// For tests: while one lives, CanTakePicture answers by this many bytes
// instead of asking for the memory.
class ScopedLoadMemoryLimit {
public:
    explicit ScopedLoadMemoryLimit(int64_t bytes);
    ~ScopedLoadMemoryLimit();
    ScopedLoadMemoryLimit(const ScopedLoadMemoryLimit&) = delete;
    ScopedLoadMemoryLimit& operator=(const ScopedLoadMemoryLimit&) = delete;

private:
    std::optional<int64_t> previous_;
};

// The picture fitted into a box, aspect kept, whole-number arithmetic
// truncating: the full width unless that makes it taller than the box, then
// the full height. Nothing for a box or picture without area.
struct FitSize {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const FitSize&, const FitSize&) = default;
};
std::optional<FitSize> PreviewFit(int32_t boxWidth, int32_t boxHeight, int32_t pictureWidth,
                                  int32_t pictureHeight);

}  // namespace grimora
