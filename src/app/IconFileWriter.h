// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include <vector>
#include "platform/file/Status.h"

#include "platform/gdi/GdiTypes.h"

namespace gdi {
class Bitmap;
}

// Saves a 32-bit surface of premultiplied pixels as an icon file of one image: a 32-bit bitmap
// with straight alpha and the mask that older readers go by, as every icon reader takes it.
class IconFileWriter {
  public:
    // An icon image is at most this wide and high.
    static constexpr int kMaxSize = 256;

    // The whole file; empty when the bitmap is not 32-bit or larger than kMaxSize.
    static std::vector<std::uint8_t> FileBytes(const gdi::Bitmap& bitmap);
    // False, with any file at path untouched and error saying why, when the surface cannot be
    // an icon or the file cannot be written.
    static Status SaveToFile(gdi::HBITMAP surface, const std::string& path);
};
