// SPDX-License-Identifier: GPL-3.0-or-later
// What the drawing benchmarks share: a 24-megapixel picture made once, and a
// message sink that stays quiet.
#pragma once

#include <cstdint>
#include <string>

#include "picture/host.h"
#include "picture/owned_dib.h"

namespace grimora {

class QuietMessages : public MessageSink {
public:
    void showMessage(const std::string&) override {}
};

inline const Dib& bigPicture() {
    static const OwnedDib picture = [] {
        OwnedDib made;
        made.make(6000, 4000, 24);
        for (int32_t r = 0; r < 4000; ++r) {
            uint8_t* row = DibRow(made.get(), r);
            for (int32_t k = 0; k < 3 * 6000; ++k) {
                row[k] = static_cast<uint8_t>(r * 7 + k * 13);
            }
        }
        return made;
    }();
    return picture.get();
}

}  // namespace grimora
