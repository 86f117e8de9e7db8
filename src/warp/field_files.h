// SPDX-License-Identifier: GPL-3.0-or-later
// Files of the field: reading one back within a bound, and the raw field
// dump. Writing goes through FileWrite (picture/file_target.h), as every
// save does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture/file_target.h"
#include "warp/displacement_field.h"

namespace grimora {

// The bytes of the file at `path`, which must be a regular file of at most
// `maxBytes`. False with `reason` (a sentence fragment, no file named).
bool ReadFileBytes(const std::string& path, int64_t maxBytes, std::vector<uint8_t>& out,
                   std::string& reason);

// The field raw into `file`: width x height entries of two little-endian
// 32-bit integers, x then y, memory row 0 first. The caller commits it.
bool WriteRawField(const DisplacementField& field, FileWrite& file, std::string& error);

}  // namespace grimora
