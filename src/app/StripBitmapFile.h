// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/clsImgList.h"
#include "platform/file/Error.h"
#include "platform/file/Expected.h"
#include "platform/gdi/GdiTypes.h"

// Writes a strip of 24- or 32-bit cells as a 24- or 32-bit bitmap file straight from the cells:
// each pixel of each cell is converted once, into its place in a band of the file's rows, with no
// drawing surface between. The bytes are those of drawing the cells side by side on a 32-bit
// surface (masked over the background below 32 bits, blended over transparent black at 32) and
// converting it to the file's depth. The band is reused from band to band, so that a strip of any
// length costs one band of memory.
class StripBitmapFile {
  public:
    static constexpr std::int64_t kBandBytes = std::int64_t{4} << 20;

    // True for the depths this writer serves; others take the drawing surface.
    static bool Serves(int cellDepth, int fileDepth);

    // cells: store indexes in strip order; backColor may name a system colour.
    StripBitmapFile(const clsImgList& store, std::span<const int> cells, gdi::COLORREF backColor);

    // The length of the file written, or why none was. An existing file is replaced only by a
    // complete new one.
    Expected<std::int32_t, Error> Save(const std::string& path, int depth);

  private:
    // The picture rows [top, top + rows) of the strip, as the file holds them: bottom row first.
    bool ResolveCells();
    void ConvertBand(int top, int rows, int depth, std::span<std::uint8_t> band,
                     std::size_t stride) const;
    // A cell's pixels and mask as the row loops read them, with no objects between: each band
    // reads a row of every cell, and a long strip's cells do not stay in the cache from band to
    // band.
    struct ResolvedCell {
        const std::uint8_t* topRow;
        std::size_t stride;
        const std::uint8_t* hidden;  // null: nothing hidden
        bool cells32;
    };
    void ConvertCellRow(const ResolvedCell& cell, int row, int depth, std::uint8_t* out) const;

    const clsImgList& m_Store;
    std::span<const int> m_Cells;
    std::vector<ResolvedCell> m_Resolved;
    gdi::Bgra m_Back;
    // What the background adds under a cell pixel of each alpha, per channel (blue, green, red).
    std::vector<std::uint8_t> m_BackUnder;
};
