// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"

// A drawing context with a new bitmap of its own selected, for tests that draw and read back.
struct TestSurface {
    static gdi::HBITMAP NewBitmap(int width, int height, int bitCount) {
        gdi::BITMAPINFOHEADER header;
        header.biSize = 40;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = static_cast<std::uint16_t>(bitCount);
        return gdi::CreateDIBSection(header, {}, nullptr);
    }

    TestSurface(int width, int height, int bitCount)
        : bitmap(NewBitmap(width, height, bitCount)), dc(gdi::CreateCompatibleDC()) {
        gdi::SelectObject(dc.Get(), bitmap.Get());
    }
    void Fill(gdi::COLORREF color) {
        gdi::FillRect(dc.Get(), {0, 0, Pixels().Width(), Pixels().Height()}, color);
    }
    gdi::Bitmap& Pixels() const { return *gdi::BitmapFromHandle(bitmap.Get()); }
    gdi::COLORREF At(int x, int y) const { return gdi::GetPixel(dc.Get(), x, y); }

    gdi::UniqueGdiObject bitmap;
    gdi::UniqueGdiObject dc;
};

constexpr gdi::COLORREF Rgb(unsigned r, unsigned g, unsigned b) {
    return r | (g << 8) | (b << 16);
}
