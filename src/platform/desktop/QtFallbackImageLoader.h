#pragma once

#include "image/FallbackImageLoader.h"

// The fallback loader on Qt's image readers: JPEG, WebP, TIFF, SVG and whatever else the
// installed image plugins read.
class QtFallbackImageLoader : public FallbackImageLoader {
  public:
    bool Load(std::span<const std::uint8_t> bytes, c32bppDIB& host, bool& hasAlpha) const override;
};
