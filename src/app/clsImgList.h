// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/UniqueGdiObject.h"

// The cells of a strip: same-size images in the strip's colour format, each with its mask (and
// its alpha at 32 bits). The strip view draws from the same list through hWnd.
class clsImgList {
  public:
    // The list handle, 0 when the list cannot be created (the old list is gone by then). At 1, 4
    // and 8 bits the cells keep ColorTable's colours; without one, the fixed table of the depth.
    gdi::HIMAGELIST Init(int Width = 16, int Height = 16, int Colors = 32,
                         std::span<const gdi::RGBQUAD> ColorTable = {});
    // Appends the cells cut from the bitmap's left edge; MaskColor CLR_NONE (-1) for none.
    bool AddBitmap(gdi::HBITMAP hBitmap, gdi::COLORREF MaskColor = gdi::CLR_NONE);
    // The cell at the bitmap's left edge as AddBitmap would cut it for a list made by
    // Init(Width, Height, Colors, ColorTable); any thread may cut cells, AddCell appends them.
    static gdi::ImageList::Image CutCell(gdi::HBITMAP hBitmap, int Width, int Height, int Colors,
                                         gdi::COLORREF MaskColor,
                                         std::span<const gdi::RGBQUAD> ColorTable = {});
    static gdi::ImageList::Image CutCell(const gdi::Bitmap& Source, int Width, int Height,
                                         int Colors, gdi::COLORREF MaskColor,
                                         std::span<const gdi::RGBQUAD> ColorTable = {});
    bool AddCell(gdi::ImageList::Image Cell);
    bool Draw(int iIcon, gdi::HDC hDC, int X, int Y) const;
    // The stored cell, null when there is none at iIcon.
    const gdi::ImageList::Image* Cell(int iIcon) const;
    int ImageCount() const;
    void Clear();
    // Keeps only the images at the given ascending indexes, renumbered from 0 in that order.
    void Retain(const std::vector<int>& kept);
    void SetBackColor(gdi::COLORREF Color);

    int IconWidth() const { return m_IconWidth; }
    int IconHeight() const { return m_IconHeight; }
    int Colors() const { return m_Colors; }
    // As given to Init: empty for the fixed table.
    const std::vector<gdi::RGBQUAD>& ColorTable() const { return m_ColorTable; }
    gdi::HIMAGELIST hWnd() const { return m_List.Get(); }

  private:
    static unsigned ListFlags(int Colors);
    static gdi::COLORREF ListMaskColor(gdi::COLORREF MaskColor);

    gdi::UniqueGdiObject m_List;
    int m_IconWidth = 0;
    int m_IconHeight = 0;
    int m_Colors = 0;
    std::vector<gdi::RGBQUAD> m_ColorTable;
};
