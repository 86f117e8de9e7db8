// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace grimora {

// Work split between the calling thread and one helper thread that is started
// at the first call and kept for the program's life, so that no dab pays for
// a thread's creation. job(context, 0) runs here and job(context, 1) on the
// helper; returns when both are done. False, with nothing run, when there is
// no helper (none could be started, or another thread's work has it): the
// caller then does all the work itself. The job must not throw.
using TwoThreadJob = void (*)(const void* context, int part);
bool RunOnTwoThreads(TwoThreadJob job, const void* context);

}  // namespace grimora
