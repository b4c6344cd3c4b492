// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ClsDIB.h"
#include "app/StripDocument.h"
#include "image/c32bppDIB.h"
#include "platform/gdi/ImageList.h"

// The cell size and depth of a strip, the background its cells are flattened onto and, at 1, 4
// and 8 bits, the colours they are mapped to (empty: the fixed table of the depth).
struct CellFormat {
    int width = 16;
    int height = 16;
    int depth = 32;
    gdi::COLORREF backColor = StripDocument::kDesignBackColor;
    std::vector<gdi::RGBQUAD> colorTable;
    // A picture of another shape is fitted whole and centred instead of stretched.
    bool keepAspectRatio = false;
};

// One image made into a cell of a strip's format, ready for the cell store: decoded, stretched
// to the cell and, below 32 bits, flattened. Making one reads no document, so worker threads
// make them while the main thread adds the finished ones to the store.
class PreparedCell {
  public:
    // From the file at path or, when image is given, from a copy of that image.
    static std::unique_ptr<PreparedCell> Make(const CellFormat& format, const std::string& path,
                                              const c32bppDIB* image,
                                              const StripDocument::AlphaQuestion& askAlpha);
    // What the cell can no longer be: Added when it is ready for the store. loadError says why
    // an image was not decoded, when the decoder knows.
    explicit PreparedCell(StripDocument::AddResult result,
                          std::optional<Error> loadError = std::nullopt)
        : m_Result(result), m_LoadError(std::move(loadError)) {}

    StripDocument::AddResult Result() const { return m_Result; }
    const std::optional<Error>& LoadError() const { return m_LoadError; }
    // The cell cut for the store; taken once.
    gdi::ImageList::Image TakeCell() { return std::move(m_Cell); }

  private:
    void Flatten(const CellFormat& format, const StripDocument::AlphaQuestion& askAlpha);
    void FlattenTo24Bits(int w, int h);
    void Cut(const CellFormat& format);
    gdi::HBITMAP Bitmap() const;

    StripDocument::AddResult m_Result;
    std::optional<Error> m_LoadError;
    c32bppDIB m_Image;
    ClsDIB m_Flat;
    // At 24 bits the flattened cell, in the worker's own bitmap until it is cut.
    const gdi::Bitmap* m_Flat24 = nullptr;
    gdi::COLORREF m_MaskColor = gdi::CLR_NONE;
    gdi::ImageList::Image m_Cell;
};
