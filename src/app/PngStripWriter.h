// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/file/Status.h"
#include "platform/gdi/GdiTypes.h"

namespace gdi {
class Bitmap;
}

// Saves 32-bit surfaces of premultiplied pixels as an RGBA PNG file with straight alpha, the
// strip format most toolkits outside Windows take.
class PngStripWriter {
  public:
    // Draws the band of rows that starts at strip row top into its first rows; null when it
    // cannot.
    using DrawBand = std::function<const gdi::Bitmap*(int top)>;

    // Fails, with any file at path untouched, when the surface is not a 32-bit bitmap or the
    // file cannot be written.
    static Status SaveToFile(gdi::HBITMAP surface, const std::string& path);
    // A picture of width x height written bandRows rows at a time, each band drawn just before it
    // is written; fails as SaveToFile does, and when a band cannot be drawn. A strip of cells
    // cellWidth wide (0: none) records the cell size in the file, so that it opens cut the same.
    static Status SaveBandsToFile(const std::string& path, int width, int height, int bandRows,
                                  const DrawBand& drawBand, int cellWidth = 0);
    // The first rows of the bitmap from the top, R, G, B, A per pixel; fully transparent pixels
    // become 0, 0, 0, 0.
    static std::vector<std::uint8_t> StraightRgba(const gdi::Bitmap& bitmap, int rows);

  private:
    static bool Fits(const gdi::Bitmap* band, int width, int rows);
};
