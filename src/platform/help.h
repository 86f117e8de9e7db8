// SPDX-License-Identifier: GPL-3.0-or-later
// The help system's commands. The program names no help file and no control
// opens help; only the quit command at shutdown is sent, and with no help
// viewer here there is nothing to tell.
#pragma once

#include <cstdint>
#include <string_view>

namespace grimora {

inline constexpr uint32_t HELP_QUIT = 0x0002;

// Accepts the command and does nothing; true, as the command cannot fail.
bool WinHelp(std::string_view helpFile, uint32_t command, uintptr_t data);

}  // namespace grimora
