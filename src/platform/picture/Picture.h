// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/UniqueGdiObject.h"

namespace picture {

// A picture object: a bitmap or an icon with its size in HIMETRIC (hundredths of a millimetre,
// at the screen's 96 pixels per inch), able to draw itself. It owns its handle.
class Picture {
  public:
    static constexpr int kNone = 0;
    static constexpr int kBitmap = 1;
    static constexpr int kMetafile = 2;
    static constexpr int kIcon = 3;
    static constexpr int kEnhancedMetafile = 4;
    static constexpr int kPixelsPerInch = 96;

    // Null when the handle is not a bitmap, respectively an icon.
    static std::unique_ptr<Picture> FromBitmap(gdi::HBITMAP bitmap);
    static std::unique_ptr<Picture> FromIcon(gdi::HGDIOBJ icon);
    static std::int32_t PixelsToHimetric(int pixels);

    int Type() const { return m_Type; }
    gdi::HGDIOBJ Handle() const { return m_Handle.Get(); }
    std::int32_t Width() const { return PixelsToHimetric(m_PixelWidth); }
    std::int32_t Height() const { return PixelsToHimetric(m_PixelHeight); }
    // Draws the whole picture at its own size with its top-left corner at (x, y), clipped to
    // width x height.
    bool Render(gdi::HDC dc, int x, int y, int width, int height) const;

  private:
    Picture(int type, gdi::HGDIOBJ handle, int pixelWidth, int pixelHeight);

    int m_Type;
    gdi::UniqueGdiObject m_Handle;
    int m_PixelWidth;
    int m_PixelHeight;
};

}  // namespace picture
