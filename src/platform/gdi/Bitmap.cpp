// SPDX-License-Identifier: MIT
#include "platform/gdi/Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

#include "platform/gdi/CellSlabs.h"
#include "platform/gdi/ColorTables.h"
#include "platform/gdi/PixelBudget.h"

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

constexpr std::uintptr_t kHugePage = CellSlabs::kHugePage;

// Large pixel blocks ask for huge pages: a picture of hundreds of megabytes then costs a few
// hundred page faults instead of tens of thousands. The block is still untouched here.
void PreferHugePages(std::uint8_t* bits, std::size_t bytes) {
    const auto first = reinterpret_cast<std::uintptr_t>(bits);
    const std::uintptr_t start = (first + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (first + bytes) & ~(kHugePage - 1);
    if (bits != nullptr && end > start) {
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    }
}

std::shared_ptr<std::uint8_t[]> OwnBlock(std::size_t bytes) {
    auto* bits = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
    if (bits == nullptr) {
        return nullptr;
    }
    PreferHugePages(bits, bytes);
    return std::shared_ptr<std::uint8_t[]>(bits, std::free);
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
    return Make(width, height, bitCount, colorTable, false);
}

std::unique_ptr<Bitmap> Bitmap::CreateInSlabs(int width, int height, int bitCount,
                                              std::span<const RGBQUAD> colorTable) {
    return Make(width, height, bitCount, colorTable, true);
}

std::unique_ptr<Bitmap> Bitmap::Make(int width, int height, int bitCount,
                                     std::span<const RGBQUAD> colorTable, bool inSlabs) {
    if (width < 1 || height < 1 || !IsSupportedBitCount(bitCount)) {
        return nullptr;
    }
    // A row never takes more than 4 bytes a pixel, so this also bounds the memory at any depth.
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (pixels > kMaxPixelBytes / 4) {
        return nullptr;
    }
    const std::size_t stride = RowBytes(width, bitCount);
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    PixelBudget::Charge(bytes);
    std::shared_ptr<std::uint8_t[]> bits =
        inSlabs ? CellSlabs::Shared().Allocate(bytes) : OwnBlock(bytes);
    if (!bits) {
        return nullptr;
    }
    std::unique_ptr<Bitmap> bitmap(new Bitmap(width, height, bitCount, stride, std::move(bits)));
    if (bitCount <= 8) {
        const std::size_t entries = std::size_t{1} << bitCount;
        const std::span<const RGBQUAD> source =
            colorTable.empty() ? ColorTables::ForBitCount(bitCount) : colorTable;
        bitmap->m_ColorTable.assign(entries, RGBQUAD{});
        std::copy_n(source.begin(), std::min(entries, source.size()), bitmap->m_ColorTable.begin());
        for (const RGBQUAD& entry : bitmap->m_ColorTable) {
            bitmap->m_Palette.push_back({entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 0});
        }
    }
    return bitmap;
}

Bitmap::Bitmap(int width, int height, int bitCount, std::size_t stride,
               std::shared_ptr<std::uint8_t[]> bits)
    : m_Width(width),
      m_Height(height),
      m_BitCount(bitCount),
      m_Stride(stride),
      m_Bits(std::move(bits)),
      m_ByteCount(stride * static_cast<std::size_t>(height)) {}

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

std::uint8_t Bitmap::FindNearestIndex(COLORREF color) const {
    return ColorTables::NearestIndex(m_ColorTable, color);
}

// 16 bits and the palette depths.
Bgra Bitmap::ReadPackedPixel(int x, int y) const {
    if (m_BitCount == 16) {
        const std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 2;
        return Unpack555(static_cast<unsigned>(p[0] | (p[1] << 8)));
    }
    return m_Palette[static_cast<std::size_t>(ReadIndex(x, y))];
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

void Bitmap::ReadRow(int x, int y, std::span<Bgra> pixels) const {
    if (pixels.empty()) {
        return;
    }
    const std::uint8_t* p = Row(y);
    switch (m_BitCount) {
        case 32:
            std::memcpy(pixels.data(), p + static_cast<std::size_t>(x) * 4, pixels.size_bytes());
            return;
        case 24:
            p += static_cast<std::size_t>(x) * 3;
            for (Bgra& pixel : pixels) {
                pixel = {p[0], p[1], p[2], 0};
                p += 3;
            }
            return;
        case 16:
            p += static_cast<std::size_t>(x) * 2;
            for (Bgra& pixel : pixels) {
                pixel = Unpack555(static_cast<unsigned>(p[0] | (p[1] << 8)));
                p += 2;
            }
            return;
        case 8:
            ReadIndexedRow<8>(x, y, pixels);
            return;
        case 4:
            ReadIndexedRow<4>(x, y, pixels);
            return;
        default:
            ReadIndexedRow<1>(x, y, pixels);
    }
}

// Whole bytes go at once; only a run's ragged ends go pixel by pixel.
template <int Bits>
void Bitmap::ReadIndexedRow(int x, int y, std::span<Bgra> pixels) const {
    constexpr std::size_t kPerByte = 8 / Bits;
    constexpr unsigned kMask = (1u << Bits) - 1;
    const std::uint8_t* row = Row(y);
    const Bgra* palette = m_Palette.data();
    const auto color = [palette](unsigned index) { return palette[index]; };
    const auto shiftOf = [](std::size_t column) {
        return static_cast<unsigned>((kPerByte - 1 - column % kPerByte) * Bits);
    };
    Bgra* out = pixels.data();
    Bgra* const end = out + pixels.size();
    std::size_t column = static_cast<std::size_t>(x);
    for (; out != end && column % kPerByte != 0; ++out, ++column) {
        *out = color((row[column / kPerByte] >> shiftOf(column)) & kMask);
    }
    for (; static_cast<std::size_t>(end - out) >= kPerByte; out += kPerByte, column += kPerByte) {
        const unsigned byte = row[column / kPerByte];
        for (std::size_t i = 0; i < kPerByte; ++i) {
            out[i] = color((byte >> shiftOf(i)) & kMask);
        }
    }
    for (; out != end; ++out, ++column) {
        *out = color((row[column / kPerByte] >> shiftOf(column)) & kMask);
    }
}

void Bitmap::WriteRow(int x, int y, std::span<const Bgra> pixels) {
    if (pixels.empty()) {
        return;
    }
    std::uint8_t* p = Row(y);
    switch (m_BitCount) {
        case 32:
            std::memcpy(p + static_cast<std::size_t>(x) * 4, pixels.data(), pixels.size_bytes());
            return;
        case 24:
            p += static_cast<std::size_t>(x) * 3;
            for (const Bgra& pixel : pixels) {
                p[0] = pixel.b;
                p[1] = pixel.g;
                p[2] = pixel.r;
                p += 3;
            }
            return;
        case 16:
            p += static_cast<std::size_t>(x) * 2;
            for (const Bgra& pixel : pixels) {
                const std::uint16_t word = Pack555(pixel);
                p[0] = static_cast<std::uint8_t>(word);
                p[1] = static_cast<std::uint8_t>(word >> 8);
                p += 2;
            }
            return;
        case 8:
            WriteIndexedRow<8>(x, y, pixels);
            return;
        case 4:
            WriteIndexedRow<4>(x, y, pixels);
            return;
        default:
            WriteIndexedRow<1>(x, y, pixels);
    }
}

template <int Bits>
void Bitmap::WriteIndexedRow(int x, int y, std::span<const Bgra> pixels) {
    constexpr std::size_t kPerByte = 8 / Bits;
    constexpr unsigned kMask = (1u << Bits) - 1;
    std::uint8_t* row = Row(y);
    std::size_t column = static_cast<std::size_t>(x);
    COLORREF color = pixels.front().Rgb();
    unsigned index = NearestIndex(color);
    for (const Bgra& pixel : pixels) {
        if (pixel.Rgb() != color) {
            color = pixel.Rgb();
            index = NearestIndex(color);
        }
        const unsigned shift = static_cast<unsigned>((kPerByte - 1 - column % kPerByte) * Bits);
        std::uint8_t& byte = row[column / kPerByte];
        byte = static_cast<std::uint8_t>((byte & ~(kMask << shift)) | (index << shift));
        ++column;
    }
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
            return m_Palette[NearestIndex(pixel.Rgb())].Rgb();
        }
    }
}

}  // namespace gdi
