// SPDX-License-Identifier: GPL-3.0-or-later
// Recording hosts and small picture and field makers for the warp tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "picture/dib.h"
#include "picture/host.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "warp/displacement_field.h"
#include "warp/effect.h"

namespace grimora::warp_test {

// The progress a painting step shows for its dab, in order.
class RecordingHost {
public:
    struct Event {
        int32_t percent = 0;
        friend bool operator==(const Event&, const Event&) = default;
    };

    std::vector<int32_t> progress() const {
        std::vector<int32_t> values;
        for (const Event& e : events) {
            values.push_back(e.percent);
        }
        return values;
    }

    std::vector<Event> events;
};

inline RecordingHost::Event Progress(int32_t percent) {
    return {percent};
}

// A dab as the painting step runs it: the dab, then the progress it shows.
inline DabRect DoEffekt(DisplacementField& field, const EffectParams& params, RecordingHost& host,
                        DabThreads threads = DabThreads::Auto) {
    const DabRect changed = grimora::DoEffekt(field, params, threads);
    ForEachDabProgress(params, field.width(), field.height(),
                       [&host](int32_t percent) { host.events.push_back(Progress(percent)); });
    return changed;
}

class RecordingMessages : public MessageSink {
public:
    void showMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

// The identity written entry by entry, without InitMask.
inline DisplacementField IdentityField(int32_t width, int32_t height) {
    DisplacementField field(width, height);
    Displacement* e = field.data();
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            *e++ = Displacement{c, r};
        }
    }
    return field;
}

inline DisplacementField FilledField(int32_t width, int32_t height, Displacement value) {
    DisplacementField field(width, height);
    for (std::size_t k = 0; k < field.size(); ++k) {
        field.data()[k] = value;
    }
    return field;
}

// Every entry somewhere inside a 100 x 100 picture, the same for the same seed.
inline DisplacementField RandomField(unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int32_t> any(0, 99);
    DisplacementField field(100, 100);
    for (std::size_t k = 0; k < field.size(); ++k) {
        field.data()[k] = {any(gen), any(gen)};
    }
    return field;
}

// Every entry somewhere inside a width x height picture.
inline DisplacementField RandomEntries(int32_t width, int32_t height, std::mt19937& gen) {
    DisplacementField field(width, height);
    std::uniform_int_distribution<int32_t> column(0, width - 1);
    std::uniform_int_distribution<int32_t> row(0, height - 1);
    for (std::size_t k = 0; k < field.size(); ++k) {
        field.data()[k] = {column(gen), row(gen)};
    }
    return field;
}

inline DisplacementField Copy(const DisplacementField& field) {
    DisplacementField copy(field.width(), field.height());
    std::copy(field.data(), field.data() + field.size(), copy.data());
    return copy;
}

inline std::vector<Displacement> Entries(const DisplacementField& field) {
    return {field.data(), field.data() + field.size()};
}

inline bool InsidePicture(const DisplacementField& field) {
    for (int32_t r = 0; r < field.height(); ++r) {
        for (int32_t c = 0; c < field.width(); ++c) {
            const Displacement e = field.at(c, r);
            if (e.x < 0 || e.x >= field.width() || e.y < 0 || e.y >= field.height()) {
                return false;
            }
        }
    }
    return true;
}

// A picture from newdib; every byte of the pixel rows set by `byteAt(row, k)`
// for k below 3 * width (padding is left as made).
template <typename ByteAt>
OwnedDib MakePicture(int32_t width, int32_t height, int bitCount, ByteAt byteAt) {
    OwnedDib picture;
    if (!picture.make(width, height, bitCount)) {
        return picture;
    }
    const int32_t rowBytes = width * bitCount / 8;
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* row = DibRow(picture.get(), r);
        for (int32_t k = 0; k < rowBytes; ++k) {
            row[k] = byteAt(r, k);
        }
    }
    return picture;
}

// The parameters of one dab with the brush centre at (x, y) and no motion.
inline EffectParams Dab(EffectMode mode, int32_t x, int32_t y, int32_t radius, double strength) {
    EffectParams p;
    p.centreX = x;
    p.centreY = y;
    p.mode = mode;
    p.radius = radius;
    p.strength = strength;
    p.normalize = false;
    return p;
}

}  // namespace grimora::warp_test
