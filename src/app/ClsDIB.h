// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/file/Error.h"
#include "platform/file/Expected.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/UniqueGdiObject.h"

// A drawing surface on a bitmap of a given size and bit count, and the writer of strip bitmap
// files.
class ClsDIB {
  public:
    ClsDIB() = default;
    ~ClsDIB() { Destroy(); }
    ClsDIB(const ClsDIB&) = delete;
    ClsDIB& operator=(const ClsDIB&) = delete;

    // Replaces any previous surface; the bitmap handle, 0 on failure. A surface of 1, 4 or 8 bits
    // holds ColorTable's colours, or the fixed table of its depth when it is empty.
    gdi::HBITMAP Create(int Width, int Height, int Colors = 32,
                        std::span<const gdi::RGBQUAD> ColorTable = {});
    void Fill(gdi::COLORREF Color = 0);
    // Takes the bitmap out of the drawing context, so that another owner can use it.
    void RestoreDC();
    void Destroy();
    // Writes the surface as a bitmap file of Colors bits per pixel (1, 4, 8, 16, 24, 32) and
    // returns the length of the file, 0 on failure. An existing file is replaced only by a
    // complete new one. At 1, 4 and 8 bits each pixel takes its nearest
    // entry of ColorTable, or of the fixed table of that depth when it is empty.
    std::int32_t SaveToFile(const std::string& FileName, int Colors,
                            std::span<const gdi::RGBQUAD> ColorTable = {});
    // Draws the rows [top, top + Height()) of a picture height rows high onto the surface.
    using DrawBand = std::function<bool(int top)>;
    // The same for a picture of the surface's width and any height, drawn onto the surface a band
    // of Height() rows at a time, so that the whole picture is never held at once. A failure
    // shows as "Error: " with the failure's number, a line break and its description.
    Expected<std::int32_t, Error> SaveBandsToFile(const std::string& FileName, int Colors,
                                                  int height, const DrawBand& drawBand,
                                                  std::span<const gdi::RGBQUAD> ColorTable = {});

    gdi::HDC hDC() const { return m_DC.Get(); }
    gdi::HBITMAP hDib() const { return m_Dib.Get(); }
    std::uint8_t* lpBits() const { return m_Bits; }
    int Width() const { return m_Header.biWidth; }
    int Height() const { return m_Header.biHeight; }

  private:
    gdi::BITMAPINFOHEADER m_Header;
    gdi::UniqueGdiObject m_DC;
    gdi::UniqueGdiObject m_Dib;
    gdi::HBITMAP m_PreviousBitmap = 0;
    std::uint8_t* m_Bits = nullptr;
    int m_Colors = 0;
};
