// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "app/StripDocument.h"
#include "app/StripProject.h"

struct CellFormat;
struct ImageAddress;
class PreparedCell;
class c32bppDIB;
namespace pe {
class PeModule;
}

// Brings the images and strips that addresses name into a strip document through the
// editor's own pipeline: files and downloads are added exactly as "From File" adds a file.
// Cells may be prepared on several threads at once.
class StripInput {
  public:
    explicit StripInput(std::string temporaryFolder);
    ~StripInput();

    // A cell in the format from a file, an address, a module icon or bitmap, for
    // StripDocument::AddPreparedCell.
    std::unique_ptr<PreparedCell> PrepareImage(const CellFormat& format, const std::string& name,
                                               const StripDocument::AlphaQuestion& askAlpha);
    // A cell of a project in the format: from its source, the strip cell of its source, or the
    // PNG it holds.
    std::unique_ptr<PreparedCell> PrepareProjectCell(const CellFormat& format,
                                                     const StripProject::Cell& cell,
                                                     const StripDocument::AlphaQuestion& askAlpha);
    // The strip becomes the bitmap file, address or module bitmap, cut into cells of cellWidth
    // (0: as square as the height allows). False, with the document untouched and why set,
    // otherwise.
    bool OpenStrip(StripDocument& document, const std::string& name, int cellWidth,
                   std::string& why);

  private:
    std::shared_ptr<const pe::PeModule> Module(const std::string& path, std::string& why);
    bool LoadModuleImage(const ImageAddress& address, const CellFormat& format, c32bppDIB& image,
                         std::string& why);
    bool LoadStripImage(const ImageAddress& address, const CellFormat& format, c32bppDIB& image,
                        std::string& why);
    std::unique_ptr<PreparedCell> PrepareStripCell(const CellFormat& format,
                                                   const StripProject::Cell& cell,
                                                   const StripDocument::AlphaQuestion& askAlpha);
    bool OpenDownloadedStrip(StripDocument& document, const ImageAddress& address, int cellWidth,
                             std::string& why);
    bool OpenModuleBitmap(StripDocument& document, const ImageAddress& address, int cellWidth,
                          std::string& why);

    std::string m_TemporaryFolder;
    std::mutex m_ModuleLock;
    std::string m_ModulePath;
    std::shared_ptr<const pe::PeModule> m_Module;
};
