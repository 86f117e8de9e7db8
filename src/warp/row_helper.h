// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <type_traits>

namespace grimora {

// Hands out 0 .. count - 1 in chunks to whichever thread asks next, so that a
// helper that starts late, or runs on a core that others share, takes less.
class ChunkCounter {
public:
    ChunkCounter(int64_t count, int64_t chunk) : count_(count), chunk_(chunk) {}
    // The next chunk [first, end); false once all are handed out.
    bool next(int64_t& first, int64_t& end) {
        first = next_.fetch_add(chunk_, std::memory_order_relaxed);
        if (first >= count_) {
            return false;
        }
        end = std::min(first + chunk_, count_);
        return true;
    }

private:
    std::atomic<int64_t> next_{0};
    int64_t count_;
    int64_t chunk_;
};

namespace detail {

// Work shared between the calling thread and one helper thread that is
// started at the first call and kept for the program's life, so that no dab
// pays for a thread's creation. job(context, 0) runs here and job(context, 1)
// on the helper; returns when the helper is done, or at once if it has not
// started by the time the caller finished. False, with nothing run, when
// there is no helper (none could be started, or another thread's work has
// it). The job must not throw.
using TwoThreadJob = void (*)(const void* context, int part);
bool RunOnTwoThreads(TwoThreadJob job, const void* context);

}  // namespace detail

// Calls work(first, end, part) for chunks [first, end) of 0 .. count - 1,
// `chunk` at a time, until all are done. With `share`, the chunks go to
// this thread (part 0) and the helper (part 1) as each asks; otherwise, or
// when the helper is busy, all of them run here as part 0. Whatever the
// split, every index is handed out exactly once, so a job whose chunks are
// independent gives the same outcome either way. `work` must not throw.
template <typename Work>
void ForEachChunk(int64_t count, int64_t chunk, bool share, Work&& work) {
    if (count <= 0) {
        return;
    }
    chunk = std::max<int64_t>(chunk, 1);
    if (!share || count <= chunk) {
        for (int64_t first = 0; first < count; first += chunk) {
            work(first, std::min(first + chunk, count), 0);
        }
        return;
    }
    struct Job {
        mutable ChunkCounter chunks;
        std::remove_reference_t<Work>* work;
    };
    Job job{ChunkCounter(count, chunk), &work};
    const auto run = [](const void* context, int part) {
        const auto& j = *static_cast<const Job*>(context);
        int64_t first = 0;
        int64_t end = 0;
        while (j.chunks.next(first, end)) {
            (*j.work)(first, end, part);
        }
    };
    if (!detail::RunOnTwoThreads(run, &job)) {
        run(&job, 0);
    }
}

}  // namespace grimora
