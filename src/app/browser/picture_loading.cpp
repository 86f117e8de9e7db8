// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser/picture_loading.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace grimora {

namespace {

PictureOpener& InstalledOpener() {
    static PictureOpener opener;
    return opener;
}

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

int64_t LoadCompletionBytes(int32_t width, int32_t height, int bitCount) {
    if (width < 0 || height < 0) {
        return 0;
    }
    const int64_t pixels = int64_t{width} * height;
    const int64_t converted = bitCount < 24 ? Picture24Bytes(width, height) : 0;
    return converted + pixels * 8 + Picture24Bytes(width, height);
}

bool CanTakePicture(int32_t width, int32_t height, int bitCount, bool fieldAndResultHeld) {
    // The limit stands for a machine on which nothing could be made ahead.
    if (const std::optional<int64_t>& limit = InstalledLimit()) {
        return LoadCompletionBytes(width, height, bitCount) <= *limit;
    }
    if (width < 0 || height < 0) {
        return false;
    }
    // Each block as it will be asked for later, all at once: the old
    // picture is only given up after the new one stands.
    const Reservation converted(bitCount < 24 ? Picture24Bytes(width, height) : 0);
    const Reservation field(fieldAndResultHeld ? 0 : int64_t{width} * height * 8);
    const Reservation result(fieldAndResultHeld ? 0 : Picture24Bytes(width, height));
    return converted.held() && field.held() && result.held();
}

ScopedLoadMemoryLimit::ScopedLoadMemoryLimit(int64_t bytes)
    : previous_(std::exchange(InstalledLimit(), bytes)) {}

ScopedLoadMemoryLimit::~ScopedLoadMemoryLimit() {
    InstalledLimit() = previous_;
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
