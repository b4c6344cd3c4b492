// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "platform/Installable.h"
#include "platform/file/Error.h"
#include "platform/file/Expected.h"

// A last-resort decoder for formats that no decoder of ours knows (JPEG, WebP, TIFF, SVG). The
// executables install one at start-up; the core works without.
class FallbackDecoder : public Installable<FallbackDecoder> {
  public:
    // Gives room for width x height pixels of 4 bytes, bottom row first, or an empty span with
    // why it cannot.
    using PixelRoom =
        std::function<Expected<std::span<std::uint8_t>, Error>(int width, int height)>;

    virtual ~FallbackDecoder() = default;
    // Decodes bytes into the room as premultiplied B, G, R, A. With a draw size above 0 a
    // scalable picture (SVG) is drawn at that size, its aspect kept and centred, so that its
    // edges stay crisp. Gives whether the picture has an alpha channel.
    virtual Expected<bool, Error> Decode(std::span<const std::uint8_t> bytes, int drawWidth,
                                         int drawHeight, const PixelRoom& room) const = 0;
};
