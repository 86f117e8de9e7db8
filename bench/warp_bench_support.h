// SPDX-License-Identifier: GPL-3.0-or-later
// What the warp benchmarks share: hosts that only swallow what a dab reports,
// and a patterned 24-bit picture with its identity field, rendered.
#pragma once

#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "picture/dib_queries.h"
#include "picture/host.h"
#include "picture/owned_dib.h"
#include "warp/displacement_field.h"
#include "warp/effect.h"
#include "warp/render.h"

namespace grimora::bench {

class QuietHost : public EffectHost {
public:
    void SetProStatus(int32_t percent) override { benchmark::DoNotOptimize(percent); }
    void PaintBox1Paint() override {}
};

class QuietMessages : public MessageSink {
public:
    void showMessage(const std::string&) override {}
};

struct Scene {
    Scene(int32_t width, int32_t height) : field(width, height) {
        source.make(width, height, 24);
        const Dib& s = source.get();
        for (int32_t r = 0; r < height; ++r) {
            uint8_t* row = DibRow(s, r);
            for (int32_t k = 0; k < 3 * width; ++k) {
                row[k] = static_cast<uint8_t>(r * 7 + k * 13);
            }
        }
        InitMask(field);
        renderdi(source.get(), field, result, messages);
    }

    OwnedDib source;
    OwnedDib result;
    DisplacementField field;
    QuietHost host;
    QuietMessages messages;
};

}  // namespace grimora::bench
