// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/GdiTypes.h"

namespace desktop {

// Crossing between the core's colour values and bitmaps and Qt's colours and images.
class QtBitmapBridge {
  public:
    // System colours (0x80000000 + index) are translated first.
    static QColor ToQColor(gdi::COLORREF color);
    static gdi::COLORREF FromQColor(const QColor& color);
    // A bitmap of any depth as Qt sees it. Opaque ignores the alpha bytes, as the screen does for
    // device bitmaps; otherwise 32-bit pixels are taken as premultiplied alpha.
    enum class Alpha { Opaque, Premultiplied };
    static QImage ToQImage(const gdi::Bitmap& bitmap, Alpha alpha);
    // A new 32-bit bitmap with premultiplied alpha; 0 when the image is empty or too large.
    static gdi::HBITMAP FromQImage(const QImage& image);
};

}  // namespace desktop
