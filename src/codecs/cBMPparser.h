#pragma once

#include <cstdint>
#include <span>

#include "platform/gdi/GdiTypes.h"

class c32bppDIB;
namespace picture {
class Picture;
}

// Decodes a bitmap file into a 32-bit premultiplied image (the host). Uncompressed 32-bit files
// are read here and judged for alpha; every other stream goes through the platform picture
// loader.
class cBMPparser {
  public:
    bool LoadStream(std::span<const std::uint8_t> stream, c32bppDIB& host, std::int64_t start,
                    std::int64_t length);
    // Draws a picture, or with no picture a bitmap handle, into the host. bitCount is what the
    // caller read from its source and does not change the result.
    bool ConvertstdPicTo32bpp(const picture::Picture* stdPic, gdi::HBITMAP Handle, c32bppDIB& cHost,
                              std::uint16_t bitCount);

  private:
    static std::int32_t HimetricToPixels(std::int32_t value, bool horizontal);
    static bool LoadDirect(std::span<const std::uint8_t> bytes, c32bppDIB& host,
                           std::int32_t dataPosition, std::int32_t width, std::int32_t height);
    static bool DrawBitmapHandle(gdi::HBITMAP handle, c32bppDIB& host, bool& copied32);
    static bool DrawPicture(const picture::Picture& stdPic, c32bppDIB& host);
};
