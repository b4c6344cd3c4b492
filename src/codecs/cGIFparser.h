#pragma once

#include <cstdint>
#include <span>
#include <vector>

class c32bppDIB;

// Decodes the first image of a GIF into a 32-bit premultiplied image (the host). The block walk
// is ours; the image is cut out into a single-image GIF whose pixels the platform expands.
class cGIFparser {
  public:
    // False when the stream is no GIF or has no usable first image; True once the format is
    // recognised, with an empty host when the image cannot be read.
    bool LoadStream(std::span<const std::uint8_t> stream, c32bppDIB& host, std::int64_t start,
                    std::int64_t length);

  private:
    enum class Outcome { Decoded, NotAnImage };

    Outcome Walk();
    std::size_t SkipSubBlocks(std::size_t position) const;
    std::uint8_t At(std::size_t position) const;
    std::vector<std::uint8_t> BuildSingleImage() const;
    bool Convert(const std::vector<std::uint8_t>& gif, c32bppDIB& host) const;
    void CopyIndexedPixels(const std::uint8_t* bits, int bitsPerPixel, c32bppDIB& host) const;

    std::span<const std::uint8_t> m_Bytes;
    std::size_t m_HeaderLength = 0;
    std::size_t m_ImagePosition = 0;
    std::size_t m_ImageEnd = 0;
    std::size_t m_ControlPosition = 0;
    bool m_Transparent = false;
    std::uint8_t m_TransparentIndex = 0;
    std::size_t m_ColorCount = 0;
    bool m_LocalTable = false;
};
