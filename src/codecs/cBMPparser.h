// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "codecs/DecodeOutcome.h"
#include "codecs/DecodedImageSink.h"
#include "platform/gdi/GdiTypes.h"

namespace picture {
class Picture;
}

// Loads a bitmap file, or any stream the platform picture loader knows, into an image (the
// host).
class cBMPparser {
  public:
    // True when the host then holds the picture.
    bool LoadStream(std::span<const std::uint8_t> stream, DecodedImageSink& host,
                    std::int64_t start, std::int64_t length);
    // The same, with the image or why there is none instead of the host.
    static DecodeOutcome Decode(std::span<const std::uint8_t> stream, std::int64_t start,
                                std::int64_t length);
    // Draws a picture, or with no picture a bitmap handle, into the host. bitCount is what the
    // caller read from its source and does not change the result.
    bool ConvertstdPicTo32bpp(const picture::Picture* stdPic, gdi::HBITMAP Handle,
                              DecodedImageSink& cHost, std::uint16_t bitCount);
};
