// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "warp/displacement_field.h"

namespace grimora::cli {

// Writes the field raw: width x height entries of two little-endian 32-bit
// integers, x then y, memory row 0 first. The file appears whole or not at
// all: it is written beside `path` under another name and then renamed. A
// symbolic link is followed; a device or a pipe is written in place.
// False with a one-line `error` when it cannot be written.
bool WriteRawField(const DisplacementField& field, const std::string& path, std::string& error);

}  // namespace grimora::cli
