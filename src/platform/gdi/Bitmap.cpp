#include "platform/gdi/Bitmap.h"

#include <algorithm>

#include "platform/gdi/ColorTables.h"

namespace gdi {
namespace {

std::uint8_t Expand5(unsigned value) {
    return static_cast<std::uint8_t>((value << 3) | (value >> 2));
}

std::uint16_t Pack555(Bgra pixel) {
    return static_cast<std::uint16_t>(((pixel.r >> 3) << 10) | ((pixel.g >> 3) << 5) |
                                      (pixel.b >> 3));
}

Bgra Unpack555(unsigned word) {
    return {Expand5(word & 0x1F), Expand5((word >> 5) & 0x1F), Expand5((word >> 10) & 0x1F), 0};
}

}  // namespace

bool Bitmap::IsSupportedBitCount(int bitCount) {
    switch (bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            return true;
        default:
            return false;
    }
}

std::size_t Bitmap::RowBytes(int width, int bitCount) {
    const std::size_t bits = static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount);
    return ((bits + 31) / 32) * 4;
}

std::unique_ptr<Bitmap> Bitmap::Create(int width, int height, int bitCount,
                                       std::span<const RGBQUAD> colorTable) {
    if (width < 1 || height < 1 || !IsSupportedBitCount(bitCount)) {
        return nullptr;
    }
    // A row never takes more than 4 bytes a pixel, so this also bounds the memory at any depth.
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (pixels > kMaxPixelBytes / 4) {
        return nullptr;
    }
    const std::size_t stride = RowBytes(width, bitCount);
    std::unique_ptr<Bitmap> bitmap(new Bitmap(width, height, bitCount, stride));
    if (bitCount <= 8) {
        const std::size_t entries = std::size_t{1} << bitCount;
        const std::span<const RGBQUAD> source =
            colorTable.empty() ? ColorTables::ForBitCount(bitCount) : colorTable;
        bitmap->m_ColorTable.assign(entries, RGBQUAD{});
        std::copy_n(source.begin(), std::min(entries, source.size()), bitmap->m_ColorTable.begin());
    }
    return bitmap;
}

Bitmap::Bitmap(int width, int height, int bitCount, std::size_t stride)
    : m_Width(width),
      m_Height(height),
      m_BitCount(bitCount),
      m_Stride(stride),
      m_Bits(stride * static_cast<std::size_t>(height), 0) {}

int Bitmap::ReadIndex(int x, int y) const {
    const std::uint8_t* row = Row(y);
    switch (m_BitCount) {
        case 1:
            return (row[x / 8] >> (7 - x % 8)) & 0x01;
        case 4:
            return (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
        default:
            return row[x];
    }
}

void Bitmap::WriteIndex(int x, int y, int index) {
    std::uint8_t* row = Row(y);
    switch (m_BitCount) {
        case 1: {
            const int shift = 7 - x % 8;
            row[x / 8] =
                static_cast<std::uint8_t>((row[x / 8] & ~(1 << shift)) | ((index & 0x01) << shift));
            break;
        }
        case 4: {
            const int shift = x % 2 == 0 ? 4 : 0;
            row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & ~(0x0F << shift)) |
                                                   ((index & 0x0F) << shift));
            break;
        }
        default:
            row[x] = static_cast<std::uint8_t>(index);
    }
}

std::uint8_t Bitmap::NearestIndex(COLORREF color) const {
    if (color != m_LastColor) {
        m_LastIndex = ColorTables::NearestIndex(m_ColorTable, color);
        m_LastColor = color;
    }
    return m_LastIndex;
}

// 16 bits and the palette depths.
Bgra Bitmap::ReadPackedPixel(int x, int y) const {
    if (m_BitCount == 16) {
        const std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 2;
        return Unpack555(static_cast<unsigned>(p[0] | (p[1] << 8)));
    }
    const RGBQUAD& entry = m_ColorTable[static_cast<std::size_t>(ReadIndex(x, y))];
    return {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 0};
}

void Bitmap::WritePackedPixel(int x, int y, Bgra pixel) {
    if (m_BitCount == 16) {
        std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 2;
        const std::uint16_t word = Pack555(pixel);
        p[0] = static_cast<std::uint8_t>(word);
        p[1] = static_cast<std::uint8_t>(word >> 8);
        return;
    }
    WriteIndex(x, y, NearestIndex(pixel.Rgb()));
}

COLORREF Bitmap::MapColor(COLORREF color) const {
    const Bgra pixel = Bgra::FromColor(color);
    switch (m_BitCount) {
        case 32:
        case 24:
            return pixel.Rgb();
        case 16:
            return Unpack555(Pack555(pixel)).Rgb();
        default: {
            const RGBQUAD& entry = m_ColorTable[NearestIndex(pixel.Rgb())];
            return Bgra{entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 0}.Rgb();
        }
    }
}

}  // namespace gdi
