// SPDX-License-Identifier: GPL-3.0-or-later
// Files of the field: writing a file so that it is either the old one or the
// whole new one, reading one back within a bound, and the raw field dump.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "picture/row_writer.h"
#include "warp/displacement_field.h"

namespace grimora {

// Writes `path` through `write`, which puts the whole content into the sink
// (false with `reason` when it cannot). A regular file, also one a symbolic
// link leads to, is replaced only once the new content is complete and on
// disk, keeping its permissions; a device or a pipe is written in place. A
// link that leads nowhere and a write-protected file are refused. False with
// `error`, a sentence naming the file, when nothing was written.
using ContentWriter = std::function<bool(FileSink& sink, std::string& reason)>;
bool ReplaceFileWith(const std::string& path, const ContentWriter& write, std::string& error);

// The bytes of the file at `path`, which must be a regular file of at most
// `maxBytes`. False with `reason` (a sentence fragment, no file named).
bool ReadFileBytes(const std::string& path, int64_t maxBytes, std::vector<uint8_t>& out,
                   std::string& reason);

// Writes the field raw: width x height entries of two little-endian 32-bit
// integers, x then y, memory row 0 first, through ReplaceFileWith.
bool WriteRawField(const DisplacementField& field, const std::string& path, std::string& error);

}  // namespace grimora
