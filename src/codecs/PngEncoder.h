#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Writes 8-bit RGBA PNG files (colour type 6, straight alpha, no interlace), compressed by zlib.
class PngEncoder {
  public:
    // rgba holds width * height * 4 bytes, rows from the top. Empty when the sizes do not fit
    // the bytes or zlib fails.
    static std::vector<std::uint8_t> EncodeRgba(int width, int height,
                                                std::span<const std::uint8_t> rgba);

  private:
    static std::vector<std::uint8_t> FilterRows(int width, int height,
                                                std::span<const std::uint8_t> rgba);
    static void AppendChunk(std::vector<std::uint8_t>& file, const char type[4],
                            std::span<const std::uint8_t> data);
};
