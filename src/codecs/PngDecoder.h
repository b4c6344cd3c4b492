// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "codecs/DecodeRequest.h"
#include "codecs/DecodedImage.h"
#include "codecs/PngImageDecoder.h"
#include "platform/file/ByteReader.h"
#include "platform/file/Error.h"
#include "platform/file/Expected.h"

// Decodes a PNG: walks its chunks, checks their CRCs when asked, collects and inflates the image
// data. NotThisFormat when the input lacks the PNG signature. One object serves one load.
class PngDecoder {
  public:
    explicit PngDecoder(const DecodeRequest& request) : m_Request(request) {}

    static Expected<DecodedImage, Error> Decode(ByteReader& reader, const DecodeRequest& request);
    Expected<DecodedImage, Error> DecodeFrom(ByteReader& reader);

    // Bytes of filtered rows that the last accepted image header asks for; 0 when none passed.
    std::int64_t InflatedSize() const { return m_InflatedSize; }

  private:
    using Status = Expected<std::monostate, Error>;
    enum class ChunkResult { Next, End };

    static bool HasSignature(ByteReader& reader);
    Status WalkChunks(ByteReader& reader);
    Expected<ChunkResult, Error> HandleChunk(std::span<const std::uint8_t> typeAndData,
                                             std::uint32_t storedCRC);
    bool CrcMatches(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC) const;
    Status ParseIHDR(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC);
    Status ParsePLTE(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC);
    void ParseTRNS(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC);
    Status CollectIDAT(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC);
    Expected<DecodedImage, Error> DecodeImage();

    DecodeRequest m_Request;
    std::int64_t m_InputLength = 0;
    PngHeader m_Header;
    bool m_HeaderRead = false;
    std::int64_t m_InflatedSize = 0;
    std::vector<std::uint8_t> m_Palette;
    std::vector<std::uint8_t> m_Transparency;
    std::int32_t m_TransparentKey = -1;
    std::vector<std::uint8_t> m_ImageData;
    std::size_t m_ImageDataCapacity = 0;
};
