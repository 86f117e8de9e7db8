// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the imaging library as Qt images.
#pragma once

#include <QImage>

#include "picture/dib.h"

namespace grimora {

// A copy of the picture as an opaque QImage (Format_RGB32, top row first).
// Palette depths are resolved through the picture's colour table; an index
// past it shows black. 16-bit pixels are 5-5-5, 32-bit ones blue, green,
// red and an unused byte, as the library makes them. A record without a
// picture, or of a depth or compression the library does not make, gives a
// null image.
QImage DibToQImage(const Dib& picture);

}  // namespace grimora
