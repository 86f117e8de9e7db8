// SPDX-License-Identifier: GPL-3.0-or-later
// What the warp benchmarks share: a message sink that swallows what it is
// told, and a patterned 24-bit picture with its identity field, rendered.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "picture/dib_queries.h"
#include "picture/host.h"
#include "picture/owned_dib.h"
#include "warp/displacement_field.h"
#include "warp/effect.h"
#include "warp/render.h"

namespace grimora::bench {

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
    QuietMessages messages;
};

// Keeps the median of every benchmark by its name without the run options,
// so that a program can print ratios once all have run.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                std::string name = run.benchmark_name();
                for (const char* option : {"/repeats:", "/real_time", "/iterations:"}) {
                    name = name.substr(0, name.rfind(option));
                }
                medians_[name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

protected:
    // 0 when there is none.
    double find(const std::string& name) const {
        const auto it = medians_.find(name);
        return it == medians_.end() ? 0 : it->second;
    }

private:
    std::map<std::string, double> medians_;
};

}  // namespace grimora::bench
