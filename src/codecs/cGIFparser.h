// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "codecs/DecodeOutcome.h"
#include "codecs/DecodedImageSink.h"

// Loads the first image of a GIF into an image (the host).
class cGIFparser {
  public:
    // False when the stream is no GIF or has no usable first image; True once the format is
    // recognised, with an empty host when the image cannot be read.
    bool LoadStream(std::span<const std::uint8_t> stream, DecodedImageSink& host,
                    std::int64_t start, std::int64_t length);
    // The same, with the image or why there is none instead of the host.
    static DecodeOutcome Decode(std::span<const std::uint8_t> stream, std::int64_t start,
                                std::int64_t length);
};
