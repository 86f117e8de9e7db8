// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

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

// Work shared between the calling thread and one helper thread that is
// started at the first call and kept for the program's life, so that no dab
// pays for a thread's creation. job(context, 0) runs here and job(context, 1)
// on the helper, both taking chunks from one ChunkCounter until none is left;
// returns when the helper is done, or at once if it has not started by the
// time the caller ran out of chunks. False, with nothing run, when there is
// no helper (none could be started, or another thread's work has it): the
// caller then does all the work itself. The job must not throw.
using TwoThreadJob = void (*)(const void* context, int part);
bool RunOnTwoThreads(TwoThreadJob job, const void* context);

}  // namespace grimora
