// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "codecs/DecodedImageSink.h"
#include "platform/file/ByteReader.h"
#include "platform/file/DecodeError.h"

// Loads a PNG file or a PNG held in memory into an image (the host). True means the input
// carries the PNG signature, whether or not it could be decoded; a failed decode leaves the host
// empty and its reason in LastError. One object serves one load.
class cPNGparser {
  public:
    // Reads stream[start, start + length) in place. False when that range lies outside stream.
    bool LoadStream(std::span<const std::uint8_t> stream, DecodedImageSink& host,
                    std::int64_t start, std::int64_t length);
    // Reads the open file from its start; the handle stays open and the caller's.
    bool LoadFile(int fileHandle, DecodedImageSink& host);
    // The same for a file whose length the caller already has.
    bool LoadFile(int fileHandle, std::int64_t fileLength, DecodedImageSink& host);

    // Bytes of filtered rows that the last accepted image header asks for; 0 when none passed.
    std::int64_t InflatedSize() const { return m_InflatedSize; }
    const std::optional<DecodeError>& LastError() const { return m_LastError; }

  private:
    bool Load(ByteReader& reader, DecodedImageSink& host);

    std::int64_t m_InflatedSize = 0;
    std::optional<DecodeError> m_LastError;
};
