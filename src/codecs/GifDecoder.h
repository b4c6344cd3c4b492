// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "codecs/DecodeRequest.h"
#include "codecs/DecodedImage.h"
#include "platform/file/ByteReader.h"
#include "platform/file/Error.h"
#include "platform/file/Expected.h"

// Decodes the first image of a GIF. The block walk is ours; the image is cut out into a
// single-image GIF whose pixels the platform expands. NotThisFormat without the GIF header,
// NoImage when the walk finds no usable first image.
class GifDecoder {
  public:
    static Expected<DecodedImage, Error> Decode(ByteReader& reader, const DecodeRequest& request);

  private:
    using Status = Expected<std::monostate, Error>;

    explicit GifDecoder(std::span<const std::uint8_t> bytes) : m_Bytes(bytes), m_Reader(bytes) {}

    Expected<DecodedImage, Error> DecodeFirstImage();
    Status Walk();
    Expected<std::size_t, Error> SkipExtension(std::size_t position);
    Status ReadControlExtension(std::size_t position);
    Status ReadImageDescriptor(std::size_t position);
    Expected<std::size_t, Error> SkipSubBlocks(std::size_t position);
    Expected<std::vector<std::uint8_t>, Error> BuildSingleImage();
    Expected<DecodedImage, Error> Convert(const std::vector<std::uint8_t>& gif);
    Status CopyIndexedPixels(const std::uint8_t* bits, int bitsPerPixel, DecodedImage& image);

    std::span<const std::uint8_t> m_Bytes;
    ByteReader m_Reader;
    std::size_t m_HeaderLength = 0;
    std::size_t m_ImagePosition = 0;
    std::size_t m_ImageEnd = 0;
    std::size_t m_ControlPosition = 0;
    bool m_Transparent = false;
    std::uint8_t m_TransparentIndex = 0;
    std::size_t m_ColorCount = 0;
    bool m_LocalTable = false;
};
