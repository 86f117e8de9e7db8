// SPDX-License-Identifier: GPL-3.0-or-later
// What grimora-warp writes: the result picture and, if asked for, the raw
// field, each as FileWrite writes (picture/file_target.h).
#pragma once

#include <optional>
#include <string>

#include "picture/dib.h"
#include "picture/file_target.h"
#include "warp/displacement_field.h"

namespace grimora::cli {

struct OutputPaths {
    std::string picture;
    std::optional<std::string> field;
    std::optional<std::string> animation;  // written by the caller, after the others
    std::optional<std::string> warp;       // the same
    std::optional<std::string> map;        // the same
};

// Looks at every target before anything is loaded or written: false with a
// one-line `error` when the picture's type is not one Grimora writes, when a
// target cannot be written or is write-protected, or when two name the same
// file (a device or a pipe may take several).
bool CheckOutputs(const OutputPaths& paths, std::string& error);

// Writes the picture and the field beside their targets and puts them in
// place only once both are complete, so that a failure replaces neither.
bool WriteOutputs(const OutputPaths& paths, const Dib& picture, const DisplacementField& field,
                  std::string& error);

}  // namespace grimora::cli
