// SPDX-License-Identifier: GPL-3.0-or-later
// The session's warp kept as a file, and a warp file put onto the session's
// picture: what the window's buttons and grimora-warp's options share.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "editor/warp_session.h"
#include "warp/warp_file.h"

namespace grimora {

// The name a warp file gives the picture it was made for: the origin's file
// name without its folder ("blank:WxH" as it stands; empty for the start-up
// picture).
std::string PictureName(const std::string& origin);

// The session's freeze mask, one byte an entry.
std::span<const uint8_t> MaskBytes(const WarpSession& session);

// Writes the session's field and freeze mask as a warp file made for its
// picture.
bool SaveSessionWarp(const WarpSession& session, const std::string& path, std::string& error);

// A warp file read and checked, to go onto the session's picture.
struct WarpForPicture {
    WarpFile file;
    // Made for a picture of another size (it is scaled), or of another name
    // (both names known).
    bool otherSize = false;
    bool otherName = false;
};

// Reads and checks the warp file at `path` for the session's picture.
// False with `error`, which names the file and the fault.
bool ReadWarpForPicture(const std::string& path, const WarpSession& session, WarpForPicture& out,
                        std::string& error);

// The question before a warp made for another picture goes onto this one,
// naming both pictures and sizes.
std::string OtherPictureQuestion(const WarpForPicture& warp, const WarpSession& session);

enum class WarpApplied {
    Step,      // the field took the warp; one step, the result is stale
    NoChange,  // the warp is the field as it stands: no step
    NoMemory,  // nothing changed
};

// Puts the warp onto the session's picture, scaled when it was made for
// another size, as one step; the freeze mask too when the file holds one
// (by the same choice of saved entry), otherwise the mask stays.
WarpApplied ApplyWarp(WarpSession& session, const WarpForPicture& warp);

}  // namespace grimora
