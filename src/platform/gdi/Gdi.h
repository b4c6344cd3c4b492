// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/GdiTypes.h"

// The bitmap and drawing calls the program makes, with the behaviour of their Windows namesakes
// where the program relies on it. Every call accepts any handle value: an unknown one fails.
namespace gdi {

HDC CreateCompatibleDC();
bool DeleteDC(HDC dc);

// Bottom-up bitmap of the header's width, height (> 0) and bit count; *bits receives the pixel
// memory. Returns 0 when the header asks for something impossible.
HBITMAP CreateDIBSection(const BITMAPINFOHEADER& header, std::span<const RGBQUAD> colors,
                         std::uint8_t** bits);
// A device-dependent bitmap: the screen format, 32 bits per pixel.
HBITMAP CreateCompatibleBitmap(int width, int height);
// Deletes a bitmap, a drawing context or an image list. A bitmap still selected somewhere is
// taken out of its context first. The stock bitmap cannot be deleted.
bool DeleteObject(HGDIOBJ object);
HBITMAP StockBitmap();

// Selects a bitmap into a context and returns the one it replaces; 0 when the handle is not a
// bitmap or the bitmap is selected into another context.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ bitmap);
HBITMAP GetCurrentBitmap(HDC dc);
Bitmap* BitmapFromHandle(HBITMAP bitmap);
Bitmap* BitmapOfDC(HDC dc);
bool GetObject(HBITMAP bitmap, BITMAP& description);

bool FillRect(HDC dc, const RECT& rect, COLORREF color);
// Plain copy of a w x h block, converted to the target's depth; both ends are clipped.
bool BitBlt(HDC target, int x, int y, int w, int h, HDC source, int sourceX, int sourceY);
// The same copy, skipping every source pixel whose colour equals `transparent` (as the source
// holds it).
bool TransparentBlt(HDC target, int x, int y, int w, int h, HDC source, int sourceX, int sourceY,
                    COLORREF transparent);
COLORREF GetPixel(HDC dc, int x, int y);

// Rows startScan.. of the bitmap (scan 0 = bottom row) converted to info's bit count. Without
// bits, fills in biSizeImage and returns 1. With bits, converts into them, fills the colour table
// of the palette depths and returns the number of rows written; 0 when bits is too small. The
// palette depths map each pixel to its nearest entry of colorTable, or of the fixed table of that
// depth when colorTable is empty.
int GetDIBits(HBITMAP bitmap, unsigned startScan, unsigned scanLines, std::span<std::uint8_t> bits,
              BITMAPINFO& info, std::span<const RGBQUAD> colorTable = {});

}  // namespace gdi
