#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace gdi {
class Bitmap;
}

// Saves a 32-bit surface of premultiplied pixels as an RGBA PNG file with straight alpha, the
// strip format most toolkits outside Windows take.
class PngStripWriter {
  public:
    // False, with any file at path untouched, when the surface is not a 32-bit bitmap or the
    // file cannot be written; error then says why.
    static bool SaveToFile(gdi::HBITMAP surface, const std::string& path, std::string& error);
    // Rows from the top, R, G, B, A per pixel; fully transparent pixels become 0, 0, 0, 0.
    static std::vector<std::uint8_t> StraightRgba(const gdi::Bitmap& bitmap);
};
