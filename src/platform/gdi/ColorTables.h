// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "platform/gdi/GdiTypes.h"

namespace gdi {

// The fixed colour tables used for every conversion to 1, 4 and 8 bits per pixel.
class ColorTables {
  public:
    // The table of a palette depth (1, 4 or 8); empty for any other depth.
    static std::span<const RGBQUAD> ForBitCount(int bitCount);
    // The entry nearest to the colour (squared distance in RGB, lowest index on ties).
    static std::uint8_t NearestIndex(std::span<const RGBQUAD> table, COLORREF color);
};

}  // namespace gdi
