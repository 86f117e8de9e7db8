// SPDX-License-Identifier: GPL-3.0-or-later
// The distortion as a file, on a 24-megapixel field after 20 of the 64-dab
// strokes at radius 100 spread over the picture:
// - the warp file saved (encoded and written whole to disk) and loaded
//   (read, decoded and every entry checked), its size as a counter, beside
//   the plain way of keeping a field, its raw 192 MB written in the same run;
// - the same in strips (the file's layout) against tiles of 256 x 256,
//   encoded and decoded in memory;
// - a painting step of a session (dab, recording, render of what changed)
//   alone, and while a recovery copy is written without pause beside it;
// - the recovery copy's snapshot, the part the window waits for: into
//   memory made ready beforehand, into memory of its own, and the plain way
//   (fresh memory, one core).
// Prints the ratios of the medians at the end. Files go to $TMPDIR.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <pthread.h>
#include <sched.h>

#include <benchmark/benchmark.h>

#include "editor/recovery.h"
#include "editor/warp_session.h"
#include "warp/field_files.h"
#include "warp/tiff_io.h"
#include "warp/warp_file.h"
#include "warp_bench_support.h"

namespace {

using namespace grimora;

namespace fs = std::filesystem;

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int32_t kRadius = 100;

fs::path Folder() {
    static const fs::path folder = [] {
        fs::path made = fs::temp_directory_path() / "grimora_bench_warp_file";
        fs::create_directories(made);
        return made;
    }();
    return folder;
}

// The session after the 20 strokes, made once for every benchmark.
WarpSession& Distorted() {
    static WarpSession* const session = [] {
        auto* made = new WarpSession;
        bench::QuietMessages quiet;
        bench::Scene scene(kWidth, kHeight);
        made->loadPicture(std::move(scene.source), quiet, "face.jpg");
        for (int s = 0; s < 20; ++s) {
            const int32_t x = kWidth * (1 + s % 5) / 6;
            const int32_t y = kHeight * (1 + s / 5) / 5;
            made->beginStroke();
            for (const EffectParams& dab :
                 bench::WanderingStroke(kWidth, kHeight, kRadius, EffectMode::Grow, x, y)) {
                made->DoEffekt(dab);
            }
            made->endStroke();
        }
        made->renderChanged(quiet);
        return made;
    }();
    return *session;
}

void BM_SaveWarp(benchmark::State& state) {
    const WarpSession& session = Distorted();
    const std::string path = (Folder() / "saved.gwarp").string();
    for (auto _ : state) {
        std::string error;
        if (!WriteWarpFile(path, session.field(), {}, {}, error)) {
            state.SkipWithError(error.c_str());
        }
    }
    state.counters["file_MB"] = static_cast<double>(fs::file_size(path)) / 1e6;
}

void BM_LoadWarp(benchmark::State& state) {
    const WarpSession& session = Distorted();
    const std::string path = (Folder() / "loaded.gwarp").string();
    std::string error;
    WriteWarpFile(path, session.field(), {}, {}, error);
    for (auto _ : state) {
        WarpFile warp;
        if (!ReadWarpFile(path, warp, error)) {
            state.SkipWithError(error.c_str());
        }
        benchmark::DoNotOptimize(warp.field.data());
    }
}

void BM_RawField(benchmark::State& state) {
    const WarpSession& session = Distorted();
    const std::string path = (Folder() / "field.raw").string();
    for (auto _ : state) {
        std::string error;
        FileWrite file;
        if (!file.open(path, error) || !WriteRawField(session.field(), file, error) ||
            !file.commit(error)) {
            state.SkipWithError(error.c_str());
        }
    }
    state.counters["file_MB"] = static_cast<double>(fs::file_size(path)) / 1e6;
}

// The same warp in tiles of 256 x 256 rather than strips, in memory: the
// other layout the file could have, decoded by the same reader.
std::vector<uint8_t> TiledWarp(const DisplacementField& field) {
    std::vector<uint8_t> bytes;
    TiffInMemory file(bytes, false);
    TIFF* tiff = file.get();
    const auto width = static_cast<uint32_t>(field.width());
    const auto height = static_cast<uint32_t>(field.height());
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 2);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 32);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_INT);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    const uint16_t extra[] = {EXTRASAMPLE_UNSPECIFIED};
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    constexpr uint32_t kTile = 256;
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, kTile);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, kTile);
    std::vector<int32_t> tile(std::size_t{kTile} * kTile * 2);
    for (uint32_t y0 = 0; y0 < height; y0 += kTile) {
        for (uint32_t x0 = 0; x0 < width; x0 += kTile) {
            std::fill(tile.begin(), tile.end(), 0);
            for (uint32_t t = y0; t < std::min(height, y0 + kTile); ++t) {
                const Displacement* entry = field.row(field.height() - 1 - int32_t(t));
                for (uint32_t c = x0; c < std::min(width, x0 + kTile); ++c) {
                    int32_t* sample = &tile[((t - y0) * kTile + (c - x0)) * 2];
                    sample[0] = entry[c].x;
                    sample[1] = field.height() - 1 - entry[c].y;
                }
            }
            TIFFWriteEncodedTile(tiff, TIFFComputeTile(tiff, x0, y0, 0, 0), tile.data(),
                                 tmsize_t(tile.size() * sizeof(int32_t)));
        }
    }
    file.finish();
    return bytes;
}

std::vector<uint8_t> Encoded(const DisplacementField& field, bool tiled) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (tiled) {
        bytes = TiledWarp(field);
    } else {
        EncodeWarpFile(field, {}, {}, bytes, error);
    }
    return bytes;
}

void BM_EncodeLayout(benchmark::State& state, bool tiled) {
    const DisplacementField& field = Distorted().field();
    std::size_t size = 0;
    for (auto _ : state) {
        size = Encoded(field, tiled).size();
    }
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}

void BM_DecodeLayout(benchmark::State& state, bool tiled) {
    const std::vector<uint8_t> bytes = Encoded(Distorted().field(), tiled);
    std::string error;
    for (auto _ : state) {
        WarpFile warp;
        if (!DecodeWarpFile(bytes, warp, error)) {
            state.SkipWithError(error.c_str());
        }
        benchmark::DoNotOptimize(warp.field.data());
    }
}

// A stroke of dabs on the distorted session, one painting step an
// iteration; with `copying`, a keeper writes recovery copies of the field
// one after another all the while. The copies are handed over from a thread
// of idle priority as well: in the program the snapshot is taken between
// strokes, never during one.
void BM_PaintingStep(benchmark::State& state, bool copying) {
    WarpSession& session = Distorted();
    bench::QuietMessages quiet;
    const std::vector<EffectParams> stroke =
        bench::WanderingStroke(kWidth, kHeight, kRadius, EffectMode::Smear);
    RecoveryKeeper keeper((Folder() / "state").string());
    std::atomic<bool> stop{false};
    std::atomic<int> written{0};
    std::thread copier;
    const std::optional<RecoverySnapshot> snapshot = keeper.snapshot(session);
    if (copying) {
        copier = std::thread([&] {
            sched_param idle{};
            pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
            while (!stop.load()) {
                RecoverySnapshot copy;
                copy.field = DisplacementField(kWidth, kHeight);
                std::copy(snapshot->field.data(), snapshot->field.data() + snapshot->field.size(),
                          copy.field.data());
                copy.origin = snapshot->origin;
                keeper.keep(std::move(copy));
                keeper.waitIdle();
                ++written;
            }
        });
    }
    std::size_t next = 0;
    session.beginStroke();
    for (auto _ : state) {
        session.DoEffekt(stroke[next++ % stroke.size()]);
        benchmark::DoNotOptimize(session.renderChanged(quiet));
        if (next % stroke.size() == 0) {
            session.endStroke();
            session.undo();  // the same field for every stroke
            session.renderChanged(quiet);
            session.beginStroke();
        }
    }
    session.endStroke();
    session.undo();
    session.renderChanged(quiet);
    stop = true;
    if (copier.joinable()) {
        copier.join();
    }
    keeper.discard();
    state.counters["copies"] = written.load();
}

enum class SnapshotWay { Plain, OwnMemory, Prepared };

// What the window waits for when a recovery copy is taken. The memory is
// given back, and made ready again, outside the timing.
void BM_Snapshot(benchmark::State& state, SnapshotWay way) {
    const WarpSession& session = Distorted();
    RecoveryKeeper keeper((Folder() / "state").string());
    const FreezeMask& mask = session.mask();
    for (auto _ : state) {
        state.PauseTiming();
        if (way == SnapshotWay::Prepared) {
            keeper.prepare(kWidth, kHeight);
            keeper.waitIdle();
        }
        state.ResumeTiming();
        std::optional<RecoverySnapshot> taken;
        if (way == SnapshotWay::Plain) {
            taken.emplace();
            taken->field = *DisplacementField::tryAllocate(kWidth, kHeight);
            std::memcpy(taken->field.data(), session.field().data(),
                        session.field().size() * sizeof(Displacement));
            taken->mask.assign(mask.data(), mask.data() + mask.size());
        } else {
            taken = keeper.snapshot(session);
        }
        benchmark::DoNotOptimize(taken->field.data());
        state.PauseTiming();
        taken.reset();
        state.ResumeTiming();
    }
}

class RatioReporter : public bench::MedianReporter {
public:
    void PrintRatios() const {
        const double save = find("save_warp");
        const double load = find("load_warp");
        const double raw = find("raw_field");
        const double alone = find("painting_step");
        const double copying = find("painting_step_while_copy_written");
        std::printf(
            "\nMedians: save %.0f ms, load and check %.0f ms, raw field %.0f ms "
            "(save / raw %.2f)\n",
            save, load, raw, raw > 0 ? save / raw : 0);
        std::printf(
            "In memory, strips / tiles of 256 x 256: encode %.0f / %.0f ms, decode and "
            "check %.0f / %.0f ms\n",
            find("encode_strips"), find("encode_tiles"), find("decode_strips"),
            find("decode_tiles"));
        if (alone > 0) {
            std::printf("Painting step %.4f ms alone, %.4f ms while a copy is written: %+.1f %%\n",
                        alone, copying, 100 * (copying / alone - 1));
        }
        const double plain = find("snapshot_plain");
        const double prepared = find("snapshot_prepared");
        if (prepared > 0) {
            std::printf(
                "Snapshot: prepared %.1f ms, own memory %.1f ms, plain %.1f ms (plain / "
                "prepared %.1f)\n",
                prepared, find("snapshot_own_memory"), plain, plain / prepared);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    const auto files = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3)->UseRealTime();
        b->ReportAggregatesOnly(true);
    };
    benchmark::RegisterBenchmark("save_warp", BM_SaveWarp)->Apply(files);
    benchmark::RegisterBenchmark("load_warp", BM_LoadWarp)->Apply(files);
    benchmark::RegisterBenchmark("raw_field", BM_RawField)->Apply(files);
    for (const auto& [layout, tiled] : {std::pair{"strips", false}, std::pair{"tiles", true}}) {
        benchmark::RegisterBenchmark((std::string("encode_") + layout).c_str(), BM_EncodeLayout,
                                     tiled)
            ->Apply(files);
        benchmark::RegisterBenchmark((std::string("decode_") + layout).c_str(), BM_DecodeLayout,
                                     tiled)
            ->Apply(files);
    }
    for (const auto& [name, copying] :
         {std::pair{"painting_step", false}, std::pair{"painting_step_while_copy_written", true}}) {
        benchmark::RegisterBenchmark(name, BM_PaintingStep, copying)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3000)
            ->Repetitions(5)
            ->UseRealTime()
            ->ReportAggregatesOnly(true);
    }
    for (const auto& [name, way] : {std::pair{"snapshot_plain", SnapshotWay::Plain},
                                    std::pair{"snapshot_own_memory", SnapshotWay::OwnMemory},
                                    std::pair{"snapshot_prepared", SnapshotWay::Prepared}}) {
        benchmark::RegisterBenchmark(name, BM_Snapshot, way)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5)
            ->Repetitions(3)
            ->UseRealTime()
            ->ReportAggregatesOnly(true);
    }
    RatioReporter reporter;
    const int status = bench::RunAndPrintRatios(argc, argv, reporter);
    std::error_code ignored;
    fs::remove_all(Folder(), ignored);
    return status;
}
