// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "codecs/DecodedImage.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/UniqueGdiObject.h"

// An image's own 32-bit bitmap, selected into a drawing context while the canvas lives, for the
// decoders whose pixels come from a drawing call. Drawing goes straight into the image: a large
// picture needs neither a second bitmap nor a copy. The image has its bitmap back once the canvas
// is gone.
class DrawingCanvas {
  public:
    explicit DrawingCanvas(DecodedImage& image);
    ~DrawingCanvas();
    DrawingCanvas(const DrawingCanvas&) = delete;
    DrawingCanvas& operator=(const DrawingCanvas&) = delete;

    // 0 when the context could not be made.
    gdi::HDC Dc() const { return m_Previous != 0 ? m_Dc.Get() : 0; }
    std::span<std::uint8_t> Pixels() const { return m_Pixels; }

  private:
    DecodedImage& m_Image;
    gdi::HGDIOBJ m_Bitmap = 0;
    gdi::UniqueGdiObject m_Dc;
    gdi::HGDIOBJ m_Previous = 0;
    std::span<std::uint8_t> m_Pixels;
};
