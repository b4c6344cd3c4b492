// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "codecs/DecodeOutcome.h"
#include "codecs/DecodedImageSink.h"
#include "platform/file/ByteReader.h"

// Loads a PNG file or a PNG held in memory into an image (the host). True means the input
// carries the PNG signature, whether or not it could be decoded; a failed decode leaves the host
// empty. One object serves one load.
class cPNGparser {
  public:
    // Reads stream[start, start + length) in place. False when that range lies outside stream.
    bool LoadStream(std::span<const std::uint8_t> stream, DecodedImageSink& host,
                    std::int64_t start, std::int64_t length);
    // Reads the open file from its start; the handle stays open and the caller's.
    bool LoadFile(int fileHandle, DecodedImageSink& host);
    // The same two, with the image or why there is none instead of the host.
    DecodeOutcome Decode(std::span<const std::uint8_t> stream, std::int64_t start,
                         std::int64_t length);
    DecodeOutcome DecodeFile(int fileHandle);
    // The same for a file whose length the caller already has.
    DecodeOutcome DecodeFile(int fileHandle, std::int64_t fileLength);

    // Bytes of filtered rows that the last accepted image header asks for; 0 when none passed.
    std::int64_t InflatedSize() const { return m_InflatedSize; }

  private:
    DecodeOutcome DecodeFrom(ByteReader& reader);

    std::int64_t m_InflatedSize = 0;
};
