// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/help.h"

namespace grimora {

bool WinHelp(std::string_view /*helpFile*/, uint32_t /*command*/, uintptr_t /*data*/) {
    return true;
}

}  // namespace grimora
