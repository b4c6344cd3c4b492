// SPDX-License-Identifier: MIT
#include "platform/picture/Picture.h"

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"

namespace picture {

Picture::Picture(int type, gdi::HGDIOBJ handle, int pixelWidth, int pixelHeight)
    : m_Type(type), m_Handle(handle), m_PixelWidth(pixelWidth), m_PixelHeight(pixelHeight) {}

std::unique_ptr<Picture> Picture::FromBitmap(gdi::HBITMAP bitmap) {
    gdi::BITMAP description;
    if (!gdi::GetObject(bitmap, description)) {
        return nullptr;
    }
    return std::unique_ptr<Picture>(
        new Picture(kBitmap, bitmap, description.bmWidth, description.bmHeight));
}

std::unique_ptr<Picture> Picture::FromIcon(gdi::HGDIOBJ icon) {
    const auto* object = gdi::HandleTable::FindAs<gdi::Icon>(icon);
    if (object == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<Picture>(new Picture(kIcon, icon, object->Width(), object->Height()));
}

std::int32_t Picture::PixelsToHimetric(int pixels) {
    const std::int64_t himetric =
        (std::int64_t{pixels} * 2540 + kPixelsPerInch / 2) / kPixelsPerInch;
    return static_cast<std::int32_t>(himetric);
}

bool Picture::Render(gdi::HDC dc, int x, int y, int width, int height) const {
    if (m_Type == kIcon) {
        return gdi::DrawIcon(dc, x, y, m_Handle.Get());
    }
    gdi::UniqueGdiObject source(gdi::CreateCompatibleDC());
    const gdi::HGDIOBJ previous = gdi::SelectObject(source.Get(), m_Handle.Get());
    if (previous == 0) {
        return false;
    }
    const bool drawn = gdi::BitBlt(dc, x, y, std::min(width, m_PixelWidth),
                                   std::min(height, m_PixelHeight), source.Get(), 0, 0);
    gdi::SelectObject(source.Get(), previous);
    return drawn;
}

}  // namespace picture
