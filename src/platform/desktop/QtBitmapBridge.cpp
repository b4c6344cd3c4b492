// SPDX-License-Identifier: MIT
#include "platform/desktop/QtBitmapBridge.h"

#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemColors.h"

namespace desktop {

QColor QtBitmapBridge::ToQColor(gdi::COLORREF color) {
    const gdi::COLORREF rgb = gdi::SystemColors::TranslateColor(color);
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>((rgb >> 16) & 0xFF));
}

gdi::COLORREF QtBitmapBridge::FromQColor(const QColor& color) {
    return static_cast<gdi::COLORREF>(color.red()) |
           (static_cast<gdi::COLORREF>(color.green()) << 8) |
           (static_cast<gdi::COLORREF>(color.blue()) << 16);
}

QImage QtBitmapBridge::ToQImage(const gdi::Bitmap& bitmap, Alpha alpha) {
    const bool premultiplied = alpha == Alpha::Premultiplied && bitmap.BitCount() == 32;
    QImage image(bitmap.Width(), bitmap.Height(),
                 premultiplied ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) {
        return image;
    }
    for (int y = 0; y < bitmap.Height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bitmap.Width(); ++x) {
            const gdi::Bgra pixel = bitmap.ReadPixel(x, y);
            line[x] = qRgba(pixel.r, pixel.g, pixel.b, premultiplied ? pixel.a : 255);
        }
    }
    return image;
}

gdi::HBITMAP QtBitmapBridge::FromQImage(const QImage& image) {
    if (image.isNull()) {
        return 0;
    }
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const gdi::HBITMAP handle = gdi::CreateCompatibleBitmap(source.width(), source.height());
    gdi::Bitmap* bitmap = gdi::BitmapFromHandle(handle);
    if (bitmap == nullptr) {
        return 0;
    }
    for (int y = 0; y < source.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const QRgb rgba = line[x];
            bitmap->WritePixel(
                x, y,
                {static_cast<std::uint8_t>(qBlue(rgba)), static_cast<std::uint8_t>(qGreen(rgba)),
                 static_cast<std::uint8_t>(qRed(rgba)), static_cast<std::uint8_t>(qAlpha(rgba))});
        }
    }
    return handle;
}

}  // namespace desktop
