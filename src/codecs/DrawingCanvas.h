#pragma once

#include <cstdint>
#include <span>

#include "codecs/DecodedImage.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/UniqueGdiObject.h"

// A 32-bit bitmap of an image's size selected into a drawing context, for the decoders whose
// pixels come from a drawing call. Its pixels start at zero and use the image's layout.
class DrawingCanvas {
  public:
    explicit DrawingCanvas(const DecodedImage& image);
    ~DrawingCanvas();
    DrawingCanvas(const DrawingCanvas&) = delete;
    DrawingCanvas& operator=(const DrawingCanvas&) = delete;

    // 0 when the bitmap or the context could not be made.
    gdi::HDC Dc() const { return m_Previous != 0 ? m_Dc.Get() : 0; }
    std::span<std::uint8_t> Pixels() const { return m_Pixels; }
    void CopyTo(DecodedImage& image) const;

  private:
    gdi::UniqueGdiObject m_Bitmap;
    gdi::UniqueGdiObject m_Dc;
    gdi::HGDIOBJ m_Previous = 0;
    std::span<std::uint8_t> m_Pixels;
};
