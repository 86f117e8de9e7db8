// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one pseudo-random generator. The main window seeds it from the
// clock at start-up; tests seed it with a fixed number to get the same colours
// every run.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>

namespace grimora {

class RandomSource {
public:
    explicit RandomSource(uint64_t seed = 0) : engine_(seed) {}

    void seed(uint64_t seed) { engine_.seed(seed); }
    void seedFromClock() {
        seed(static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    }

    // A whole number from 0 to range - 1; 0 when range is not positive. The
    // top 32 bits of the engine's output scaled to the range, so the numbers
    // do not depend on the standard library's distributions.
    int32_t Random(int32_t range) {
        if (range <= 0) {
            return 0;
        }
        const uint64_t high = engine_() >> 32;
        return static_cast<int32_t>((high * static_cast<uint64_t>(range)) >> 32);
    }

private:
    std::mt19937_64 engine_;
};

}  // namespace grimora
