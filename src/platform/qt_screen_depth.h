// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace grimora {

// The bits per pixel of the primary screen; 24 when there is none (no
// application object yet, or a platform without screens).
int QtScreenDepth();

// Makes ScreenBitsPerPixel read QtScreenDepth, afresh at every call.
void InstallQtScreenDepth();

}  // namespace grimora
