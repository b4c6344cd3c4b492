// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/HandleTable.h"
#include "platform/gdi/UniqueGdiObject.h"

namespace gdi {

using HICON = HGDIOBJ;

// The parts of an icon or cursor: the AND mask (1 bit per pixel; for a monochrome icon twice the
// icon's height, AND half on top of the XOR half) and the colour bitmap (none for monochrome).
struct ICONINFO {
    bool fIcon = true;
    std::uint32_t xHotspot = 0;
    std::uint32_t yHotspot = 0;
    HBITMAP hbmMask = 0;
    HBITMAP hbmColor = 0;
};

// An icon or cursor reached through a handle; it owns copies of the bitmaps it was made from.
class Icon : public GdiObject {
  public:
    Icon(const ICONINFO& parts, UniqueGdiObject mask, UniqueGdiObject color);

    const ICONINFO& Parts() const { return m_Parts; }
    int Width() const;
    int Height() const;
    void Draw(Bitmap& target, int x, int y) const;

  private:
    ICONINFO m_Parts;
    UniqueGdiObject m_Mask;
    UniqueGdiObject m_Color;
};

// Copies the given bitmaps; 0 without a mask bitmap.
HICON CreateIconIndirect(const ICONINFO& parts);
// Fresh copies of the icon's bitmaps, which the caller deletes.
bool GetIconInfo(HICON icon, ICONINFO& parts);
// Clears the target where the AND mask is clear, then XORs the colour in.
bool DrawIcon(HDC dc, int x, int y, HICON icon);
bool DestroyIcon(HICON icon);

}  // namespace gdi
