// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "platform/gdi/GdiTypes.h"

namespace picture {

// The pixels of a GIF's first image, expanded by giflib: an 8-bit bitmap of the image's own size
// whose bytes are the colour indices in display order (an interlaced image comes out
// de-interlaced) and whose colour table is the table in force (local, else global).
class GifFrameReader {
  public:
    // 0 when the bytes are no GIF or its first image cannot be expanded.
    static gdi::HBITMAP ReadFirstFrame(std::span<const std::uint8_t> gif);
};

}  // namespace picture
