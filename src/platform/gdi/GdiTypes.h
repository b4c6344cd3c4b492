// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The small vocabulary of the Windows bitmap services that the rest of the program speaks.
namespace gdi {

// Colour value 0x00BBGGRR; the top bit set names a system colour (0x80000000 + index).
using COLORREF = std::uint32_t;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
// "No colour" where a mask colour is optional; the same bits as -1.
inline constexpr COLORREF CLR_NONE = 0xFFFFFFFF;

using HGDIOBJ = std::uint32_t;
using HBITMAP = HGDIOBJ;
using HDC = HGDIOBJ;
using HIMAGELIST = HGDIOBJ;

struct RGBQUAD {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
    friend bool operator==(const RGBQUAD&, const RGBQUAD&) = default;
};

struct BITMAPINFOHEADER {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[256];
};

struct BITMAP {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0;
    std::uint16_t bmPlanes = 0;
    std::uint16_t bmBitsPixel = 0;
    std::uint8_t* bmBits = nullptr;
};

struct RECT {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// One pixel as read from or written to a bitmap of any depth.
struct Bgra {
    std::uint8_t b = 0;
    std::uint8_t g = 0;
    std::uint8_t r = 0;
    std::uint8_t a = 0;

    constexpr COLORREF Rgb() const {
        return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
               (static_cast<COLORREF>(b) << 16);
    }
    static constexpr Bgra FromColor(COLORREF color, std::uint8_t alpha = 0) {
        return {static_cast<std::uint8_t>(color >> 16), static_cast<std::uint8_t>(color >> 8),
                static_cast<std::uint8_t>(color), alpha};
    }
    friend constexpr bool operator==(const Bgra&, const Bgra&) = default;
};

// Rows of 32-bit pixels are copied to and from bitmap bytes as they are.
static_assert(sizeof(Bgra) == 4);

inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t DIB_RGB_COLORS = 0;

}  // namespace gdi
