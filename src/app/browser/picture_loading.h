// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of loading a picture file that need no window: the failure
// message and the preview's fit (the memory check is editor/load_memory.h).
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
