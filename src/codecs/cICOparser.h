// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "codecs/DecodeOutcome.h"
#include "codecs/DecodedImageSink.h"
#include "codecs/IcoDecoder.h"
#include "platform/gdi/GdiTypes.h"

// Loads icon and cursor files into an image (the host), choosing the entry that best fits a
// wanted size and depth. Without a host only the directory is read; the properties then
// describe every entry.
class cICOparser {
  public:
    // length 0 means the rest of the stream and is written back. The stream is not changed:
    // repairs go to a private copy. True once the directory is valid; the host is then empty
    // when the chosen entry cannot be read.
    bool LoadStream(std::span<const std::uint8_t> stream, std::int32_t wantedWidth,
                    std::int32_t wantedHeight, DecodedImageSink* host, std::int64_t start,
                    std::int64_t& length, std::int32_t wantedBitDepth, std::int32_t gdiToken);
    // The same with a host, with the image or why there is none instead of it.
    DecodeOutcome Decode(std::span<const std::uint8_t> stream, std::int32_t wantedWidth,
                         std::int32_t wantedHeight, std::int64_t start, std::int64_t& length,
                         std::int32_t wantedBitDepth);
    // An icon or cursor handle into the host.
    bool ConvertstdPicTo32bpp(gdi::HGDIOBJ Handle, DecodedImageSink& cHost);

    // Entries are numbered 1 to IconCount; other numbers read 0 / false.
    std::int32_t IconCount() const { return m_Decoder.IconCount(); }
    std::int32_t Width(std::int32_t Index) const { return m_Decoder.Width(Index); }
    std::int32_t Height(std::int32_t Index) const { return m_Decoder.Height(Index); }
    std::int32_t bitDepth(std::int32_t Index) const { return m_Decoder.bitDepth(Index); }
    bool IsIconPNG(std::int32_t Index) const { return m_Decoder.IsIconPNG(Index); }
    std::int32_t ColorCount(std::int32_t Index) const { return m_Decoder.ColorCount(Index); }
    std::int32_t ColorByteOffset(std::int32_t Index) const {
        return m_Decoder.ColorByteOffset(Index);
    }

  private:
    // Recognised when the directory is valid; then it has no image yet.
    DecodeOutcome ReadDirectory(std::span<const std::uint8_t> stream, std::int64_t start,
                                std::int64_t& length);

    IcoDecoder m_Decoder;
};
