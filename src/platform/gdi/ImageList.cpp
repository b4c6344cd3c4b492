#include "platform/gdi/ImageList.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"

namespace gdi {
namespace {

int BitCountOfFlags(unsigned flags) {
    switch (flags & ~ImageList::ILC_MASK) {
        case ImageList::ILC_COLOR:
            return 4;
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            return static_cast<int>(flags & ~ImageList::ILC_MASK);
        default:
            return 0;
    }
}

// A 32-bit bitmap whose alpha bytes are all 0 but whose colours are not carries no alpha channel
// at all (an ordinary 32-bit bitmap file): it is opaque, not invisible.
bool HasNoAlphaChannel(const Bitmap& bitmap) {
    if (bitmap.BitCount() != 32) {
        return true;
    }
    bool anyColor = false;
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            const Bgra pixel = bitmap.ReadPixel(x, y);
            if (pixel.a != 0) {
                return false;
            }
            anyColor = anyColor || pixel.Rgb() != 0;
        }
    }
    return anyColor;
}

std::uint8_t Over(unsigned source, unsigned target, unsigned alpha) {
    // A pixel that breaks premultiplication (colour above alpha) saturates instead of wrapping.
    return static_cast<std::uint8_t>(std::min(255u, source + target * (255 - alpha) / 255));
}

}  // namespace

HIMAGELIST ImageList::Create(int width, int height, unsigned flags) {
    const int bitCount = BitCountOfFlags(flags);
    if (width < 1 || height < 1 || bitCount == 0 || !Bitmap::Create(width, height, bitCount)) {
        return 0;
    }
    return HandleTable::Insert(std::unique_ptr<GdiObject>(new ImageList(width, height, bitCount)));
}

ImageList* ImageList::FromHandle(HIMAGELIST list) {
    return HandleTable::FindAs<ImageList>(list);
}

bool ImageList::SetImageCount(int count) {
    if (count < 0 || count > ImageCount()) {
        return false;
    }
    m_Images.resize(static_cast<std::size_t>(count));
    return true;
}

int ImageList::Add(HBITMAP bitmap, COLORREF maskColor) {
    const Bitmap* source = BitmapFromHandle(bitmap);
    if (source == nullptr || source->Height() < m_Height) {
        return -1;
    }
    const int first = ImageCount();
    const bool opaqueAlpha = HasNoAlphaChannel(*source);
    for (int left = 0; left + m_Width <= source->Width(); left += m_Width) {
        m_Images.push_back(CutImage(*source, left, maskColor, opaqueAlpha));
        if (!m_Images.back().colors) {
            m_Images.resize(static_cast<std::size_t>(first));
            return -1;
        }
    }
    return first;
}

ImageList::Image ImageList::CutImage(const Bitmap& source, int left, COLORREF maskColor,
                                     bool opaqueAlpha) const {
    Image image{Bitmap::Create(m_Width, m_Height, m_BitCount),
                std::vector<bool>(static_cast<std::size_t>(m_Width) * m_Height, false)};
    if (!image.colors) {
        return image;
    }
    const bool masked = maskColor != CLR_NONE;
    const COLORREF heldMask = masked ? source.MapColor(maskColor) : CLR_NONE;
    for (int y = 0; y < m_Height; ++y) {
        for (int x = 0; x < m_Width; ++x) {
            Bgra pixel = source.ReadPixel(left + x, y);
            if (masked && pixel.Rgb() == heldMask) {
                image.transparent[static_cast<std::size_t>(y) * m_Width + x] = true;
                pixel = Bgra{};
            } else if (opaqueAlpha) {
                pixel.a = 255;
            }
            image.colors->WritePixel(x, y, pixel);
        }
    }
    return image;
}

bool ImageList::Draw(int index, HDC dc, int x, int y) const {
    Bitmap* target = BitmapOfDC(dc);
    if (target == nullptr || index < 0 || index >= ImageCount()) {
        return false;
    }
    const Image& image = m_Images[static_cast<std::size_t>(index)];
    if (m_BitCount == 32) {
        DrawBlended(image, *target, x, y);
    } else {
        DrawMasked(image, *target, x, y);
    }
    return true;
}

void ImageList::DrawMasked(const Image& image, Bitmap& target, int x, int y) const {
    for (int row = 0; row < m_Height; ++row) {
        for (int column = 0; column < m_Width; ++column) {
            if (!target.Contains(x + column, y + row) ||
                image.transparent[static_cast<std::size_t>(row) * m_Width + column]) {
                continue;
            }
            Bgra pixel = image.colors->ReadPixel(column, row);
            pixel.a = 255;
            target.WritePixel(x + column, y + row, pixel);
        }
    }
}

void ImageList::DrawBlended(const Image& image, Bitmap& target, int x, int y) const {
    for (int row = 0; row < m_Height; ++row) {
        for (int column = 0; column < m_Width; ++column) {
            if (!target.Contains(x + column, y + row) ||
                image.transparent[static_cast<std::size_t>(row) * m_Width + column]) {
                continue;
            }
            const Bgra cell = image.colors->ReadPixel(column, row);
            const Bgra under = target.ReadPixel(x + column, y + row);
            // Over nothing the cell comes through as it is, as on a fresh strip surface.
            const bool bare = under.b == 0 && under.g == 0 && under.r == 0 && under.a == 0;
            target.WritePixel(
                x + column, y + row,
                bare ? cell
                     : Bgra{Over(cell.b, under.b, cell.a), Over(cell.g, under.g, cell.a),
                            Over(cell.r, under.r, cell.a), Over(cell.a, under.a, cell.a)});
        }
    }
}

}  // namespace gdi
