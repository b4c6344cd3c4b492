// SPDX-License-Identifier: MIT
#include "platform/gdi/SystemColors.h"

#include <array>

namespace gdi {
namespace {

constexpr COLORREF Rgb(unsigned r, unsigned g, unsigned b) {
    return r | (g << 8) | (b << 16);
}

// Indexed as the Windows COLOR_* constants: scroll bar, desktop, active caption, ...
constexpr std::array<COLORREF, SystemColors::kCount> kClassicScheme{
    Rgb(212, 208, 200), Rgb(58, 110, 165),  Rgb(10, 36, 106),   Rgb(128, 128, 128),
    Rgb(212, 208, 200), Rgb(255, 255, 255), Rgb(0, 0, 0),       Rgb(0, 0, 0),
    Rgb(0, 0, 0),       Rgb(255, 255, 255), Rgb(212, 208, 200), Rgb(212, 208, 200),
    Rgb(128, 128, 128), Rgb(10, 36, 106),   Rgb(255, 255, 255), Rgb(212, 208, 200),
    Rgb(128, 128, 128), Rgb(128, 128, 128), Rgb(0, 0, 0),       Rgb(212, 208, 200),
    Rgb(255, 255, 255), Rgb(64, 64, 64),    Rgb(212, 208, 200), Rgb(0, 0, 0),
    Rgb(255, 255, 225), Rgb(181, 181, 181), Rgb(0, 0, 128),     Rgb(166, 202, 240),
    Rgb(192, 192, 192), Rgb(49, 106, 197),  Rgb(212, 208, 200)};

}  // namespace

COLORREF SystemColors::TranslateColor(COLORREF color) {
    if ((color & kSystemColorFlag) == 0) {
        return color & 0x00FFFFFF;
    }
    const COLORREF index = color & ~kSystemColorFlag;
    return index < kClassicScheme.size() ? kClassicScheme[index] : 0;
}

}  // namespace gdi
