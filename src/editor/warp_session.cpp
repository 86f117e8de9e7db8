// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/warp_session.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "picture/dib_queries.h"
#include "picture/open_dib.h"
#include "picture/pictrix.h"
#include "warp/render.h"
#include "warp/smooth_render.h"

namespace grimora {

namespace {

// Start-up renders a white 24-bit picture, which raises no message; should it
// ever, the first load or step will show it again.
class IgnoredMessages : public MessageSink {
public:
    void showMessage(const std::string& /*text*/) override {}
};

}  // namespace

OwnedDib MakeWhitePicture(int32_t width, int32_t height) {
    OwnedDib picture;
    if (picture.make(width, height, 24) && picture->bits != nullptr) {
        std::memset(picture->bits, 0xFF, picture->info->bmiHeader.biSizeImage);
    }
    return picture;
}

WarpSession::WarpSession() {
    picture_.source = MakeWhitePicture(kStartPictureWidth, kStartPictureHeight);
    picture_.result = MakeWhitePicture(kStartPictureWidth, kStartPictureHeight);
    picture_.field = DisplacementField(kStartPictureWidth, kStartPictureHeight);
    picture_.mask = FreezeMask(kStartPictureWidth, kStartPictureHeight);
    if (!picture_.source.holdsPicture() || !picture_.result.holdsPicture()) {
        throw std::bad_alloc();
    }
    InitMask(picture_.field);
    IgnoredMessages messages;
    renderdi(messages);
}

bool WarpSession::loadPicture(OwnedDib picture, MessageSink& messages, std::string origin) {
    const int32_t width = DibWidth(picture.get());
    const int32_t height = DibHeight(picture.get());
    if (!picture.holdsPicture() || picture->bits == nullptr || width < 1 || height < 1) {
        messages.showMessage("The picture is empty and cannot be edited.");
        return false;
    }
    std::optional<DisplacementField> field = DisplacementField::tryAllocate(width, height);
    std::optional<FreezeMask> mask = FreezeMask::tryAllocate(width, height);
    if (!field || !mask) {
        messages.showMessage("There is not enough memory to edit a picture of " +
                             std::to_string(width) + " x " + std::to_string(height) +
                             " pixels. The previous picture stays.");
        return false;
    }
    PictureState loaded;
    loaded.source = std::move(picture);
    loaded.field = std::move(*field);
    loaded.mask = std::move(*mask);
    loaded.origin = std::move(origin);
    InitMask(loaded.field);
    // Through the identity both renderings are the source itself.
    loaded.smoothResult = smooth_;
    if (DibBitCount(loaded.source.get()) == 24) {
        // Through the identity the render is a copy of the source's rows:
        // the same picture without reading 192 MB of field at 24 megapixels.
        IgnoredMessages none;  // a 24-bit source raises no message
        renderdiIdentity(loaded.source.get(), loaded.result, none);
        replacePicture(std::move(loaded));
    } else {
        replacePicture(std::move(loaded));
        renderdi(messages);
    }
    return true;
}

bool WarpSession::loadPicture(OwnedDib picture, PreparedPicture prepared, MessageSink& messages,
                              std::string origin) {
    const int32_t width = DibWidth(picture.get());
    const int32_t height = DibHeight(picture.get());
    if (!picture.holdsPicture() || picture->bits == nullptr || DibBitCount(picture.get()) != 24 ||
        !prepared.holds(width, height)) {
        // Given back first: the load below asks for its own.
        prepared = {};
        return loadPicture(std::move(picture), messages, std::move(origin));
    }
    std::optional<FreezeMask> mask = FreezeMask::tryAllocate(width, height);
    if (!mask) {
        prepared = {};
        return loadPicture(std::move(picture), messages, std::move(origin));
    }
    PictureState loaded;
    loaded.source = std::move(picture);
    loaded.field = std::move(prepared.field);
    loaded.mask = std::move(*mask);
    loaded.result = std::move(prepared.result);
    loaded.origin = std::move(origin);
    loaded.smoothResult = smooth_;
    renderIdentityInto(loaded.source.get(), loaded.result.get());
    replacePicture(std::move(loaded));
    return true;
}

void WarpSession::replacePicture(PictureState loaded) {
    // A stroke cannot span two pictures.
    endStroke();
    swapPicture(loaded);
    HistoryStep step;
    step.change = std::move(loaded);
    record(std::move(step));
}

void WarpSession::swapPicture(PictureState& kept) {
    IgnoredMessages none;  // shown when the picture was rendered last
    // What is kept is whole: the result as the field makes it.
    if (!stale_.empty()) {
        renderStale(none);
    }
    std::swap(picture_, kept);
    stale_ = {};
    maskChanged_ = {};
    // A picture kept from before "Smooth" was switched comes back rendered
    // the other way.
    if (picture_.smoothResult != smooth_) {
        renderdi(none);
    }
}

void WarpSession::record(HistoryStep step) {
    std::vector<HistoryStep> gone;
    history_.push(std::move(step), gone);
    dispose(std::move(gone));
}

void WarpSession::dispose(std::vector<HistoryStep> gone) {
    std::size_t bytes = 0;
    for (const HistoryStep& step : gone) {
        bytes += step.bytes();
    }
    // Giving back 336 MB at 24 megapixels takes a fifth of a load's time;
    // nothing reads those blocks any more.
    constexpr std::size_t kFreedHere = std::size_t{16} << 20;
    if (bytes <= kFreedHere) {
        return;
    }
    if (disposal_.joinable()) {
        disposal_.join();
    }
    try {
        disposal_ = std::thread([steps = std::move(gone)]() mutable { steps.clear(); });
    } catch (const std::system_error&) {
        // The lambda, and with it the steps, went here.
    }
}

WarpSession::~WarpSession() {
    if (disposal_.joinable()) {
        disposal_.join();
    }
}

void WarpSession::renderdi(MessageSink& messages) {
    picture_.smoothResult = smooth_;
    if (smooth_) {
        renderSmooth(picture_.source.get(), picture_.field, picture_.result, messages);
    } else {
        grimora::renderdi(picture_.source.get(), picture_.field, picture_.result, messages);
    }
    stale_ = {};
}

void WarpSession::setSmooth(bool smooth, MessageSink& messages) {
    if (smooth != smooth_) {
        smooth_ = smooth;
        renderdi(messages);
    }
}

DabRect WarpSession::DoEffekt(const EffectParams& params) {
    const bool ownStep = !strokeOpen();
    if (ownStep) {
        beginStroke();
    }
    const bool paintsMask = PaintsMask(params.mode);
    const DabRect reach = DabBounds(params, width(), height());
    if (paintsMask) {
        recorder_.keepMask(picture_.mask, reach);
    } else {
        recorder_.keepField(picture_.field, reach);
    }
    const DabRect changed = grimora::DoEffekt(picture_.field, &picture_.mask, params);
    if (paintsMask) {
        maskChanged_ = Bounding(maskChanged_, changed);
    } else {
        stale_ = Bounding(stale_, changed);
    }
    if (ownStep) {
        endStroke();
    }
    return changed;
}

DabRect WarpSession::renderChanged(MessageSink& messages) {
    const DabRect maskChanged = std::exchange(maskChanged_, DabRect{});
    return Bounding(renderStale(messages), maskChanged);
}

DabRect WarpSession::renderStale(MessageSink& messages) {
    // A smooth pixel reads the entries about it, so changed entries reach a
    // little further into the result.
    const DabRect changed = smooth_ ? SmoothReach(stale_, width(), height()) : stale_;
    if (!(smooth_
              ? renderSmoothRect(picture_.source.get(), picture_.field, picture_.result, changed)
              : renderdiRect(picture_.source.get(), picture_.field, picture_.result, changed))) {
        renderdi(messages);
        return {0, 0, width(), height()};
    }
    stale_ = {};
    return changed;
}

template <typename Change>
bool WarpSession::changeMask(Change change) {
    endStroke();
    const DabRect whole{0, 0, width(), height()};
    recorder_.start(picture_.field);
    recorder_.keepMask(picture_.mask, whole);
    uint8_t* bytes = picture_.mask.data();
    for (std::size_t i = 0; i < picture_.mask.size(); ++i) {
        bytes[i] = change(bytes[i]);
    }
    maskChanged_ = whole;
    return endStroke();
}

bool WarpSession::clearMask() {
    return changeMask([](uint8_t) { return uint8_t{0}; });
}

bool WarpSession::invertMask() {
    return changeMask([](uint8_t m) { return static_cast<uint8_t>(255 - m); });
}

bool WarpSession::loadField(const DisplacementField& field, std::span<const uint8_t> mask) {
    if (field.width() != width() || field.height() != height() ||
        (!mask.empty() && mask.size() != picture_.mask.size())) {
        return false;
    }
    endStroke();
    const bool fieldChanges =
        std::memcmp(field.data(), picture_.field.data(), field.size() * sizeof(Displacement)) != 0;
    const bool maskChanges =
        !mask.empty() && std::memcmp(mask.data(), picture_.mask.data(), mask.size()) != 0;
    if (!fieldChanges && !maskChanges) {
        return false;
    }
    // Through the recorder, as a stroke that changes every entry: the step
    // keeps only the entries that differ, and undo exchanges them back.
    const DabRect whole{0, 0, width(), height()};
    recorder_.start(picture_.field);
    try {
        if (fieldChanges) {
            recorder_.keepField(picture_.field, whole);
        }
        if (maskChanges) {
            recorder_.keepMask(picture_.mask, whole);
        }
    } catch (const std::bad_alloc&) {
        recorder_.finish(picture_.field, picture_.mask);  // nothing changed yet
        throw;
    }
    if (fieldChanges) {
        std::memcpy(picture_.field.data(), field.data(), field.size() * sizeof(Displacement));
        stale_ = whole;
    }
    if (maskChanges) {
        std::memcpy(picture_.mask.data(), mask.data(), mask.size());
        maskChanged_ = whole;
    }
    return endStroke();
}

void WarpSession::beginStroke() {
    if (!strokeOpen()) {
        recorder_.start(picture_.field);
    }
}

bool WarpSession::endStroke() {
    if (!strokeOpen()) {
        return false;
    }
    FieldChange change = recorder_.finish(picture_.field, picture_.mask);
    if (change.empty()) {
        return false;
    }
    HistoryStep step;
    step.change = std::move(change);
    record(std::move(step));
    return true;
}

HistoryMove WarpSession::undo() {
    if (!canUndo()) {
        return HistoryMove::None;
    }
    return apply(*history_.undo());
}

HistoryMove WarpSession::redo() {
    if (!canRedo()) {
        return HistoryMove::None;
    }
    return apply(*history_.redo());
}

HistoryMove WarpSession::apply(HistoryStep& step) {
    if (auto* change = std::get_if<FieldChange>(&step.change)) {
        change->swapWith(picture_.field, picture_.mask);
        stale_ = Bounding(stale_, change->entries.bounds());
        maskChanged_ = Bounding(maskChanged_, change->mask.bounds());
        return HistoryMove::Field;
    }
    swapPicture(std::get<PictureState>(step.change));
    return HistoryMove::Picture;
}

void WarpSession::clearHistory() {
    std::vector<HistoryStep> gone;
    history_.clear(gone);
    dispose(std::move(gone));
}

void WarpSession::setHistoryBudget(std::size_t bytes) {
    std::vector<HistoryStep> gone;
    history_.setBudget(bytes, gone);
    dispose(std::move(gone));
}

bool WarpSession::setZoom(ZoomRatio zoom) {
    if (zoom.numerator <= 0 || zoom.denominator <= 0) {
        return false;
    }
    zoom_ = zoom;
    return true;
}

}  // namespace grimora
