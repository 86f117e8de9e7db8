// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a picture file on a thread of its own, so that the window keeps
// repainting and shows the progress while a large picture is saved.
#pragma once

#include <functional>

#include "picture/dib.h"
#include "picture/pictrix.h"

namespace grimora {

// Writes `picture` to wherever `write` writes it, telling the rows written
// to the progress callback it is given. True when it succeeded.
using PictureWrite = std::function<bool(const Dib& picture, const ProgressCallback& progress)>;

// Runs `write` on a thread of its own with a copy of a 24-bit `picture`, so
// that nothing the window does meanwhile can change what is written. Until
// it is done, this thread runs its event loop without the user's input,
// which waits for the end: the window repaints, timers run, `shown` gets
// each percentage here, and the pointer shows that the program is busy.
// Where no copy can be had (no memory for one, another depth) or no thread
// started, `write` runs here with the picture itself. Returns what `write`
// returned; false if it threw.
bool WriteInBackground(const Dib& picture, const PictureWrite& write,
                       const std::function<void(int percent)>& shown);

}  // namespace grimora
