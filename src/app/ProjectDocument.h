// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "app/StripDocument.h"
#include "app/StripProject.h"

// The editor's strip as a project file holds it, and back. A cell with an address keeps it; a
// cell without one is kept as its pixels, a PNG at the size it has.
class ProjectDocument {
  public:
    // The document's cells and settings over `settings`, whose other cell sizes, export sizes,
    // output and unknown fields are kept. Empty PNG bytes where a cell cannot be encoded.
    static StripProject FromDocument(const StripDocument& document, StripProject settings);
    // The document becomes a new strip of the project's first cell size, depth and background
    // colour with its cells. A cell whose source cannot be read stands as a transparent cell
    // that keeps its source, and is listed in `unread`. askAlpha is asked for a cell whose
    // answer the project does not hold. False, with the document left new and empty, when no
    // strip of that format can be made.
    static bool ToDocument(const StripProject& project, StripDocument& document,
                           const StripDocument::SourceLoader& load,
                           const StripDocument::AlphaQuestion& askAlpha,
                           std::vector<StripDocument::UnreadSource>& unread);

    static CellSource SourceOf(const StripProject::Cell& cell);
    static StripProject::Cell CellOf(const CellSource& source);
};
