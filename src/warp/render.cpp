// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/render.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "picture/dib_queries.h"
#include "warp/row_helper.h"

namespace grimora {

namespace {

// Copies, for every pixel of `rect` (inside both pictures), the source pixel
// its entry names. Pixels are moved four bytes at a time where the fourth byte
// is the next pixel's own, in the source as in the result: the result's is
// written again at the next column.
void renderRows(const Dib& source, const DisplacementField& field, const Dib& target,
                const DabRect& rect) {
    const int32_t sourceLast = DibWidth(source) - 1;
    // Held here: the stores below might alias the records for the compiler.
    const uint8_t* const sourceBits = source.bits;
    const std::ptrdiff_t sourceStride = source.stride;
    const int32_t end = rect.x + rect.width;
    for (int32_t r = rect.y; r < rect.y + rect.height; ++r) {
        const Displacement* entries = field.row(r);
        uint8_t* out = DibRow(target, r);
        for (int32_t c = rect.x; c < end; ++c) {
            const Displacement e = entries[c];
            const uint8_t* in =
                sourceBits + e.y * sourceStride + static_cast<std::ptrdiff_t>(3) * e.x;
            uint8_t* to = out + static_cast<std::ptrdiff_t>(3) * c;
            if (c + 1 < end && e.x < sourceLast) {
                std::memcpy(to, in, 4);
            } else {
                std::memcpy(to, in, 3);
            }
        }
    }
}

// Rectangles from this many pixels up (a dab of radius 100 or so) share their
// rows with the helper thread.
constexpr int64_t kSharedRectPixels = 40000;

// renderRows, shared with the helper thread when the rectangle is large.
void renderRowsShared(const Dib& source, const DisplacementField& field, const Dib& target,
                      const DabRect& rect) {
    ForEachChunk(rect.height, 16, int64_t{rect.width} * rect.height >= kSharedRectPixels,
                 [&](int64_t first, int64_t end, int) {
                     renderRows(source, field, target,
                                {rect.x, rect.y + static_cast<int32_t>(first), rect.width,
                                 static_cast<int32_t>(end - first)});
                 });
}

// The old result goes first: at 24 megapixels two results at once would
// cost another 72 MB for nothing.
void MakeFreshResult(OwnedDib& result, int32_t width, int32_t height) {
    result.reset();
    Dib made;
    newdib(made, width, height, 24, nullptr, 0);
    result.reset(made);
}

}  // namespace

void renderdi(const Dib& source, const DisplacementField& field, OwnedDib& result,
              MessageSink& messages) {
    const int32_t width = DibWidth(source);
    const int32_t height = DibHeight(source);

    MakeFreshResult(result, width, height);

    if (DibBitCount(source) != 24) {
        messages.showMessage(kNot24BitsMessage);
        return;
    }
    // When the library could not make the picture there is nothing to write
    // into: the result stays without a picture and the views show none.
    if (!result.holdsPicture() || source.bits == nullptr) {
        return;
    }
    // A field of another size would send the copy outside one of the two
    // pictures; the result then stays black.
    if (field.width() != width || field.height() != height) {
        return;
    }

    // Both threads: the new picture's first write also takes its page faults.
    renderRowsShared(source, field, result.get(), {0, 0, width, height});
}

void renderIdentityInto(const Dib& source, const Dib& result) {
    const int32_t height = DibHeight(source);
    const auto rowBytes = static_cast<std::size_t>(DibWidth(source)) * 3;
    // Both threads, as for a whole render: the first write takes the page
    // faults of a new picture.
    ForEachChunk(height, 64, int64_t{DibWidth(source)} * height >= kSharedRectPixels,
                 [&](int64_t first, int64_t end, int) {
                     for (auto r = static_cast<int32_t>(first); r < end; ++r) {
                         std::memcpy(DibRow(result, r), DibRow(source, r), rowBytes);
                     }
                 });
}

void renderdiIdentity(const Dib& source, OwnedDib& result, MessageSink& messages) {
    const int32_t width = DibWidth(source);
    const int32_t height = DibHeight(source);
    MakeFreshResult(result, width, height);
    if (DibBitCount(source) != 24) {
        messages.showMessage(kNot24BitsMessage);
        return;
    }
    if (!result.holdsPicture() || source.bits == nullptr || result->bits == nullptr) {
        return;
    }
    renderIdentityInto(source, result.get());
}

bool CanRenderInPlace(const Dib& source, const DisplacementField& field, const OwnedDib& result) {
    const int32_t width = DibWidth(source);
    const int32_t height = DibHeight(source);
    return DibBitCount(source) == 24 && source.bits != nullptr && result.holdsPicture() &&
           result->bits != nullptr && DibBitCount(result.get()) == 24 &&
           DibWidth(result.get()) == width && DibHeight(result.get()) == height &&
           field.width() == width && field.height() == height;
}

DabRect ClipRect(const DabRect& rect, int32_t width, int32_t height) {
    const int64_t left = std::max<int64_t>(rect.x, 0);
    const int64_t bottom = std::max<int64_t>(rect.y, 0);
    const int64_t right = std::min<int64_t>(int64_t{rect.x} + rect.width, width);
    const int64_t top = std::min<int64_t>(int64_t{rect.y} + rect.height, height);
    if (left >= right || bottom >= top) {
        return {};
    }
    return {static_cast<int32_t>(left), static_cast<int32_t>(bottom),
            static_cast<int32_t>(right - left), static_cast<int32_t>(top - bottom)};
}

bool renderdiRect(const Dib& source, const DisplacementField& field, OwnedDib& result,
                  const DabRect& rect) {
    if (!CanRenderInPlace(source, field, result)) {
        return false;
    }
    const DabRect clipped = ClipRect(rect, DibWidth(source), DibHeight(source));
    if (!clipped.empty()) {
        renderRowsShared(source, field, result.get(), clipped);
    }
    return true;
}

}  // namespace grimora
