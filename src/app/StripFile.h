// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "image/c32bppDIB.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/UniqueGdiObject.h"

// A bitmap or PNG strip read from a file, before it is cut into cells, and the cell size it
// proposes: the one a PNG strip of ours records, else cells as square as the height allows.
class StripFile {
  public:
    // The keyword of the text chunk in which PNG strips record their cell size, "24x16".
    static constexpr const char* kCellSizeKeyword = "Tilewright-Cell-Size";

    static std::string CellSizeText(int cellWidth, int cellHeight);
    // The width in a cell-size text when the cells fit a strip of this size exactly; 0 for a
    // text that is no size or a size no strip of ours could have.
    static int CellWidthOfText(const std::string& text, int stripWidth, int stripHeight);

    // False when the file is neither a bitmap nor a PNG file that decodes.
    bool Read(const std::string& path);
    gdi::HBITMAP Bitmap() const { return m_Png.Handle() != 0 ? m_Png.Handle() : m_File.Get(); }
    int Width() const { return m_Width; }
    int Height() const { return m_Height; }
    int ProposedCellWidth() const { return m_ProposedCellWidth; }

  private:
    c32bppDIB m_Png;
    gdi::UniqueGdiObject m_File;
    int m_Width = 0;
    int m_Height = 0;
    int m_ProposedCellWidth = 0;
};
