// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/GdiTypes.h"

namespace gdi {

// Reads the Windows bitmap layouts into a Bitmap at the source's own depth: bitmap files, packed
// DIBs (as bitmap resources hold them) and the loose header, colour table and bits of an icon
// entry. Every variant: 1, 4, 8, 16, 24, 32 bits; uncompressed, RLE8, RLE4 and bit fields; the
// 12-byte core header and the 40, 52, 56, 108 and 124-byte headers; bottom-up and top-down rows.
// A failure gives null; every read stays inside the given bytes.
class DibReader {
  public:
    // A file: the 14-byte file header ("BM", pixel-data position at 10), then a packed DIB.
    static std::unique_ptr<Bitmap> ReadBitmapFile(std::span<const std::uint8_t> file);
    // Header, colour table or masks, then the bits straight after them.
    static std::unique_ptr<Bitmap> ReadPackedDib(std::span<const std::uint8_t> packed);
    // A 40-byte header that is already parsed, its colour table and its bits held apart.
    static std::unique_ptr<Bitmap> ReadParts(const BITMAPINFOHEADER& header,
                                             std::span<const RGBQUAD> colorTable,
                                             std::span<const std::uint8_t> bits);
};

// The bitmap-loading calls, as handles: 0 when the bytes are not a bitmap that can be read.
HBITMAP LoadBitmapFile(std::span<const std::uint8_t> file);
HBITMAP LoadPackedDib(std::span<const std::uint8_t> packed);
// A device-dependent (32-bit) bitmap with the colours of the given parts; alpha bytes 0.
HBITMAP CreateDIBitmap(const BITMAPINFOHEADER& header, std::span<const RGBQUAD> colorTable,
                       std::span<const std::uint8_t> bits);

}  // namespace gdi
