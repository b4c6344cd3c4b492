// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "app/CellSize.h"
#include "app/StripDocument.h"

// Writes one strip of the editor's cells for each cell size, every cell made at that size from
// its own source (never from the cells of another size), at the strip's depth, and the manifest
// that tilewright-cli build writes.
class StripSetExporter {
  public:
    struct Unread {
        std::string source;
        CellSize size;
        std::optional<Error> why;
    };
    struct Outcome {
        std::vector<std::string> written;
        std::vector<Unread> unread;
        // Why the set stopped, naming the file; empty when every file was written.
        std::string failure;
    };

    // The pattern with {w} and {h} replaced by the cell size, as the command line names strips.
    static std::string OutputName(const std::string& pattern, const CellSize& size);

    StripSetExporter(const StripDocument& document, StripDocument::SourceLoader load,
                     StripDocument::AlphaQuestion askAlpha);
    // No manifest when manifestPath is empty. Stops at the first file that cannot be written.
    Outcome Export(const std::vector<CellSize>& sizes, const std::string& pattern,
                   const std::string& manifestPath);

  private:
    bool BuildStrip(const CellSize& size, StripDocument& strip, Outcome& outcome);

    const StripDocument& m_Document;
    StripDocument::SourceLoader m_Load;
    StripDocument::AlphaQuestion m_AskAlpha;
};
