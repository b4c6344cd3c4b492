// SPDX-License-Identifier: MIT
#include "platform/gdi/ColorTables.h"

#include <array>
#include <limits>

namespace gdi {
namespace {

constexpr RGBQUAD Entry(int r, int g, int b) {
    return {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
            static_cast<std::uint8_t>(r), 0};
}

constexpr std::array<RGBQUAD, 2> kTwoColors{Entry(0, 0, 0), Entry(255, 255, 255)};

constexpr std::array<RGBQUAD, 16> kSixteenColors{
    Entry(0, 0, 0),       Entry(128, 0, 0),   Entry(0, 128, 0),   Entry(128, 128, 0),
    Entry(0, 0, 128),     Entry(128, 0, 128), Entry(0, 128, 128), Entry(192, 192, 192),
    Entry(128, 128, 128), Entry(255, 0, 0),   Entry(0, 255, 0),   Entry(255, 255, 0),
    Entry(0, 0, 255),     Entry(255, 0, 255), Entry(0, 255, 255), Entry(255, 255, 255)};

// The 16 standard colours, the 6 x 6 x 6 cube of 0, 51, ..., 255, then 24 greys between the
// cube's steps.
constexpr std::array<RGBQUAD, 256> BuildTwoHundredFiftySix() {
    std::array<RGBQUAD, 256> table{};
    std::size_t next = 0;
    for (const RGBQUAD& entry : kSixteenColors) {
        table[next++] = entry;
    }
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                table[next++] = Entry(r * 51, g * 51, b * 51);
            }
        }
    }
    for (int grey = 0; grey < 24; ++grey) {
        const int level = 5 + grey * 10;
        table[next++] = Entry(level, level, level);
    }
    return table;
}

constexpr std::array<RGBQUAD, 256> kTwoHundredFiftySixColors = BuildTwoHundredFiftySix();

int SquaredDistance(const RGBQUAD& entry, COLORREF color) {
    const int dr = static_cast<int>(color & 0xFF) - entry.rgbRed;
    const int dg = static_cast<int>((color >> 8) & 0xFF) - entry.rgbGreen;
    const int db = static_cast<int>((color >> 16) & 0xFF) - entry.rgbBlue;
    return dr * dr + dg * dg + db * db;
}

}  // namespace

std::span<const RGBQUAD> ColorTables::ForBitCount(int bitCount) {
    switch (bitCount) {
        case 1:
            return kTwoColors;
        case 4:
            return kSixteenColors;
        case 8:
            return kTwoHundredFiftySixColors;
        default:
            return {};
    }
}

std::uint8_t ColorTables::NearestIndex(std::span<const RGBQUAD> table, COLORREF color) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < table.size() && bestDistance > 0; ++i) {
        const int distance = SquaredDistance(table[i], color);
        if (distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return static_cast<std::uint8_t>(best);
}

}  // namespace gdi
