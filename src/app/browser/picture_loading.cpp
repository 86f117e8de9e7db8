// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser/picture_loading.h"

#include <cstdint>
#include <utility>

namespace grimora {

namespace {

PictureOpener& InstalledOpener() {
    static PictureOpener opener;
    return opener;
}

}  // namespace

LoadFailureBox LoadFailureMessage(const QString& fileName, const QString& errorText) {
    const QString named =
        QStringLiteral("Error: The file ") + fileName + QStringLiteral(" could not be loaded!");
    if (errorText.size() > 5) {
        return {errorText, named};
    }
    return {named, QStringLiteral("Error")};
}

void OpenPicture(Dib& dib, const char* fileName, const ProgressCallback& progress) {
    if (const PictureOpener& opener = InstalledOpener()) {
        opener(dib, fileName, progress);
        return;
    }
    OpenDib(dib, fileName, progress);
}

ScopedPictureOpener::ScopedPictureOpener(PictureOpener opener)
    : previous_(std::exchange(InstalledOpener(), std::move(opener))) {}

ScopedPictureOpener::~ScopedPictureOpener() {
    InstalledOpener() = std::move(previous_);
}

std::optional<FitSize> PreviewFit(int32_t boxWidth, int32_t boxHeight, int32_t pictureWidth,
                                  int32_t pictureHeight) {
    if (boxWidth <= 0 || boxHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0) {
        return std::nullopt;
    }
    // The height the picture would have at the box's full width.
    const int64_t fullWidthHeight = int64_t{boxWidth} * pictureHeight / pictureWidth;
    if (boxHeight < fullWidthHeight) {
        return FitSize{static_cast<int32_t>(int64_t{boxHeight} * pictureWidth / pictureHeight),
                       boxHeight};
    }
    return FitSize{boxWidth, static_cast<int32_t>(fullWidthHeight)};
}

}  // namespace grimora
