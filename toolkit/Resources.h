#pragma once

#include <string>

#include "toolkit/Canvas.h"

namespace tarnick {

// The bitmap resources built into the program, by name ("DigitBarUp",
// "DigitBarDn"). An unknown name gives an empty bitmap.
TBitmap LoadBitmapResource(const std::string& name);

}  // namespace tarnick
