// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/warp_session.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "picture/dib_queries.h"
#include "picture/pictrix.h"
#include "warp/render.h"

namespace grimora {

namespace {

// Start-up renders a white 24-bit picture, which raises no message; should it
// ever, the first load or step will show it again.
class IgnoredMessages : public MessageSink {
public:
    void showMessage(const std::string& /*text*/) override {}
};

// The smallest rectangle holding both; an empty one adds nothing.
DabRect Union(const DabRect& a, const DabRect& b) {
    if (a.empty()) {
        return b;
    }
    if (b.empty()) {
        return a;
    }
    const int32_t left = std::min(a.x, b.x);
    const int32_t bottom = std::min(a.y, b.y);
    const int64_t right = std::max(int64_t{a.x} + a.width, int64_t{b.x} + b.width);
    const int64_t top = std::max(int64_t{a.y} + a.height, int64_t{b.y} + b.height);
    return {left, bottom, static_cast<int32_t>(right - left), static_cast<int32_t>(top - bottom)};
}

}  // namespace

OwnedDib MakeWhitePicture(int32_t width, int32_t height) {
    OwnedDib picture;
    if (picture.make(width, height, 24) && picture->bits != nullptr) {
        std::memset(picture->bits, 0xFF, picture->info->bmiHeader.biSizeImage);
    }
    return picture;
}

WarpSession::WarpSession()
    : source_(MakeWhitePicture(kStartPictureWidth, kStartPictureHeight)),
      result_(MakeWhitePicture(kStartPictureWidth, kStartPictureHeight)),
      field_(kStartPictureWidth, kStartPictureHeight) {
    if (!source_.holdsPicture() || !result_.holdsPicture()) {
        throw std::bad_alloc();
    }
    InitMask(field_);
    IgnoredMessages messages;
    renderdi(messages);
}

bool WarpSession::loadPicture(OwnedDib picture, MessageSink& messages) {
    const int32_t width = DibWidth(picture.get());
    const int32_t height = DibHeight(picture.get());
    if (!picture.holdsPicture() || picture->bits == nullptr || width < 1 || height < 1) {
        messages.showMessage("The picture is empty and cannot be edited.");
        return false;
    }
    std::optional<DisplacementField> field = DisplacementField::tryAllocate(width, height);
    if (!field) {
        messages.showMessage("There is not enough memory to edit a picture of " +
                             std::to_string(width) + " x " + std::to_string(height) +
                             " pixels. The previous picture stays.");
        return false;
    }
    source_ = std::move(picture);
    field_ = std::move(*field);
    InitMask(field_);
    if (DibBitCount(source_.get()) == 24) {
        // Through the identity the render is a copy of the source's rows:
        // the same picture without reading 192 MB of field at 24 megapixels.
        IgnoredMessages none;  // a 24-bit source raises no message
        renderdiIdentity(source_.get(), result_, none);
        stale_ = {};
    } else {
        renderdi(messages);
    }
    return true;
}

void WarpSession::renderdi(MessageSink& messages) {
    grimora::renderdi(source_.get(), field_, result_, messages);
    stale_ = {};
}

void WarpSession::DoEffekt(const EffectParams& params, EffectHost& host) {
    grimora::DoEffekt(field_, params, host);
    stale_ = Union(stale_, DabBounds(params, width(), height()));
}

DabRect WarpSession::renderChanged(MessageSink& messages) {
    const DabRect changed = stale_;
    if (!renderdiRect(source_.get(), field_, result_, changed)) {
        renderdi(messages);
        return {0, 0, width(), height()};
    }
    stale_ = {};
    return changed;
}

bool WarpSession::setZoom(ZoomRatio zoom) {
    if (zoom.numerator <= 0 || zoom.denominator <= 0) {
        return false;
    }
    zoom_ = zoom;
    return true;
}

}  // namespace grimora
