// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/gdi/GdiTypes.h"

namespace pe {
class PeModule;
}

// Bitmap resources of a module: packed DIBs (header, colour table, bits, no file header).
class ModuleBitmap {
  public:
    // The bitmap at its own depth, 32-bit pixels judged for alpha as decoders judge them; 0 when
    // the resource is missing or is not a bitmap.
    static gdi::HBITMAP Load(const pe::PeModule& module, const std::string& ResID);
};
