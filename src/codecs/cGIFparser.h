// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "codecs/DecodedImageSink.h"
#include "platform/file/Error.h"

// Loads the first image of a GIF into an image (the host).
class cGIFparser {
  public:
    // False when the stream is no GIF or has no usable first image; True once the format is
    // recognised, with an empty host when the image cannot be read. LastError tells why.
    bool LoadStream(std::span<const std::uint8_t> stream, DecodedImageSink& host,
                    std::int64_t start, std::int64_t length);
    const std::optional<Error>& LastError() const { return m_LastError; }

  private:
    std::optional<Error> m_LastError;
};
