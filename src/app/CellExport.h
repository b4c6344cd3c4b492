// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "platform/file/Status.h"

class StripDocument;

// Writes cells of a strip as files of their own, one per cell, named after the strip and the
// cell's position: NAME_000.png. The editor's Export Cells and the command line's split share it.
class CellExport {
  public:
    enum class Format { Png, Bmp, Ico };

    // "png", "bmp", "ico".
    static std::string Extension(Format format);
    // The strip's name without its extension, "_", the position in three digits or more, ".",
    // the extension.
    static std::string FileName(const std::string& stripName, int position, Format format);
    // PNG and ICO cells show transparency where the mask colour was; a bitmap cell keeps the
    // strip's depth and pixels. Why not, when it cannot be written.
    static Status WriteCell(const StripDocument& document, int position, const std::string& path,
                            Format format);
    // The cells at these positions into the folder, made when missing, synced together at the
    // end. Stops at the first that fails, with its path in failedPath (the folder when making
    // or syncing it failed).
    static Status WriteCells(const StripDocument& document, const std::vector<int>& positions,
                             const std::string& folder, Format format, std::string& failedPath);
};
