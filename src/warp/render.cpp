// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/render.h"

#include <cstddef>
#include <cstring>

#include "picture/dib_queries.h"

namespace grimora {

void renderdi(const Dib& source, const DisplacementField& field, OwnedDib& result,
              MessageSink& messages) {
    const int32_t width = DibWidth(source);
    const int32_t height = DibHeight(source);

    // The old result goes first: at 24 megapixels two results at once would
    // cost another 72 MB for nothing.
    result.reset();
    Dib made;
    newdib(made, width, height, 24, nullptr, 0);
    result.reset(made);

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

    const Dib& target = result.get();
    for (int32_t r = 0; r < height; ++r) {
        const Displacement* entries = field.row(r);
        uint8_t* out = DibRow(target, r);
        for (int32_t c = 0; c < width; ++c) {
            const Displacement e = entries[c];
            const uint8_t* in = DibRow(source, e.y) + static_cast<std::ptrdiff_t>(3) * e.x;
            std::memcpy(out + static_cast<std::ptrdiff_t>(3) * c, in, 3);
        }
    }
}

}  // namespace grimora
