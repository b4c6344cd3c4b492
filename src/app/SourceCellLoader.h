// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "app/StripDocument.h"
#include "app/StripInput.h"

struct CellFormat;
struct CellSource;
class PreparedCell;

// Makes a cell again from where it came from, through the command line's own input, so that
// the editor and a project build make the same cell.
class SourceCellLoader {
  public:
    explicit SourceCellLoader(std::string temporaryFolder);

    // Not Added, its LoadError saying why where that is known, when the source can no longer be
    // read.
    std::unique_ptr<PreparedCell> Load(const CellFormat& format, const CellSource& source,
                                       const StripDocument::AlphaQuestion& askAlpha);
    // Load, as StripDocument takes it.
    StripDocument::SourceLoader AsLoader();

  private:
    StripInput m_Input;
};
