#pragma once

#include "image/FallbackImageLoader.h"

class QImage;

// The fallback loader on Qt's image readers: JPEG, WebP, TIFF, SVG and whatever else the
// installed image plugins read; SVG at a size asked for through Qt's SVG renderer.
class QtFallbackImageLoader : public FallbackImageLoader {
  public:
    bool Load(std::span<const std::uint8_t> bytes, c32bppDIB& host, bool& hasAlpha) const override;
    bool LoadScalable(std::span<const std::uint8_t> bytes, int width, int height,
                      c32bppDIB& host) const override;

  private:
    static bool CopyPixels(QImage image, c32bppDIB& host);
};
