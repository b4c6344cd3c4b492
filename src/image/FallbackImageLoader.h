#pragma once

#include <cstdint>
#include <span>

#include "platform/Installable.h"

class c32bppDIB;

// A last-resort decoder for formats that no decoder of ours knows (JPEG, WebP, ...). The
// executables install one at start-up; the core works without.
class FallbackImageLoader : public Installable<FallbackImageLoader> {
  public:
    virtual ~FallbackImageLoader() = default;
    // Decodes bytes into host as 32-bit premultiplied pixels, bottom row first; hasAlpha tells
    // whether the source format carries an alpha channel.
    virtual bool Load(std::span<const std::uint8_t> bytes, c32bppDIB& host,
                      bool& hasAlpha) const = 0;
    // Draws a scalable image (SVG) straight at width x height, its aspect kept, centred and
    // transparent around, so that its edges stay crisp. False for anything else.
    virtual bool LoadScalable(std::span<const std::uint8_t> bytes, int width, int height,
                              c32bppDIB& host) const = 0;
};
