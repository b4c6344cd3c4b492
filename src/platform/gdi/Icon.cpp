// SPDX-License-Identifier: MIT
#include "platform/gdi/Icon.h"

#include <algorithm>
#include <memory>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"

namespace gdi {
namespace {

// A copy at the same depth, colour table included.
HBITMAP CopyBitmap(HBITMAP handle) {
    const Bitmap* source = BitmapFromHandle(handle);
    if (source == nullptr) {
        return 0;
    }
    std::unique_ptr<Bitmap> copy =
        Bitmap::Create(source->Width(), source->Height(), source->BitCount(), source->ColorTable());
    if (!copy) {
        return 0;
    }
    std::copy_n(source->Bits(), source->ByteCount(), copy->Bits());
    return HandleTable::Insert(std::move(copy));
}

bool MaskBitSet(const Bitmap& mask, int x, int y) {
    return mask.ReadPixel(x, y).Rgb() != 0;
}

// The XOR colour: the colour bitmap's pixel, or the lower half of a monochrome mask.
Bgra InkAt(const Bitmap& mask, const Bitmap* color, int x, int y, int height) {
    if (color == nullptr) {
        return mask.ReadPixel(x, y + height);
    }
    return color->Contains(x, y) ? color->ReadPixel(x, y) : Bgra{};
}

}  // namespace

Icon::Icon(const ICONINFO& parts, UniqueGdiObject mask, UniqueGdiObject color)
    : m_Parts(parts), m_Mask(std::move(mask)), m_Color(std::move(color)) {
    m_Parts.hbmMask = m_Mask.Get();
    m_Parts.hbmColor = m_Color.Get();
}

int Icon::Width() const {
    return BitmapFromHandle(m_Parts.hbmMask)->Width();
}

int Icon::Height() const {
    const int maskHeight = BitmapFromHandle(m_Parts.hbmMask)->Height();
    return m_Parts.hbmColor == 0 ? maskHeight / 2 : maskHeight;
}

void Icon::Draw(Bitmap& target, int x, int y) const {
    const Bitmap& mask = *BitmapFromHandle(m_Parts.hbmMask);
    const Bitmap* color = BitmapFromHandle(m_Parts.hbmColor);
    const int width = Width();
    const int height = Height();
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            if (!target.Contains(x + column, y + row)) {
                continue;
            }
            Bgra pixel =
                MaskBitSet(mask, column, row) ? target.ReadPixel(x + column, y + row) : Bgra{};
            const Bgra ink = InkAt(mask, color, column, row, height);
            pixel = {static_cast<std::uint8_t>(pixel.b ^ ink.b),
                     static_cast<std::uint8_t>(pixel.g ^ ink.g),
                     static_cast<std::uint8_t>(pixel.r ^ ink.r),
                     static_cast<std::uint8_t>(pixel.a ^ ink.a)};
            target.WritePixel(x + column, y + row, pixel);
        }
    }
}

HICON CreateIconIndirect(const ICONINFO& parts) {
    const Bitmap* mask = BitmapFromHandle(parts.hbmMask);
    if (mask == nullptr || (parts.hbmColor == 0 && mask->Height() < 2)) {
        return 0;
    }
    UniqueGdiObject maskCopy(CopyBitmap(parts.hbmMask));
    UniqueGdiObject colorCopy(parts.hbmColor == 0 ? 0 : CopyBitmap(parts.hbmColor));
    if (!maskCopy || (parts.hbmColor != 0 && !colorCopy)) {
        return 0;
    }
    return HandleTable::Insert(
        std::make_unique<Icon>(parts, std::move(maskCopy), std::move(colorCopy)));
}

bool GetIconInfo(HICON handle, ICONINFO& parts) {
    const Icon* icon = HandleTable::FindAs<Icon>(handle);
    if (icon == nullptr) {
        return false;
    }
    parts = icon->Parts();
    parts.hbmMask = CopyBitmap(icon->Parts().hbmMask);
    parts.hbmColor = icon->Parts().hbmColor == 0 ? 0 : CopyBitmap(icon->Parts().hbmColor);
    return true;
}

bool DrawIcon(HDC dc, int x, int y, HICON handle) {
    const Icon* icon = HandleTable::FindAs<Icon>(handle);
    Bitmap* target = BitmapOfDC(dc);
    if (icon == nullptr || target == nullptr) {
        return false;
    }
    icon->Draw(*target, x, y);
    return true;
}

bool DestroyIcon(HICON handle) {
    if (HandleTable::FindAs<Icon>(handle) == nullptr) {
        return false;
    }
    return HandleTable::Remove(handle) != nullptr;
}

}  // namespace gdi
