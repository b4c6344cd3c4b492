#pragma once

#include <memory>
#include <string>

#include "app/StripDocument.h"

struct ImageAddress;
class c32bppDIB;
namespace pe {
class PeModule;
}

// Brings the images and strips named on the command line into a strip document through the
// editor's own pipeline: files and downloads are added exactly as "From File" adds a file.
class StripInput {
  public:
    explicit StripInput(std::string temporaryFolder);
    ~StripInput();

    // A new cell at index (-1 appends) from a file, an address, a module icon or bitmap.
    StripDocument::AddResult AddImage(StripDocument& document, const std::string& name, int index,
                                      const StripDocument::AlphaQuestion& askAlpha);
    // The strip becomes the bitmap file, address or module bitmap, cut into cells of cellWidth
    // (0: as square as the height allows). False, with the document untouched, otherwise.
    bool OpenStrip(StripDocument& document, const std::string& name, int cellWidth);

  private:
    const pe::PeModule* Module(const std::string& path);
    bool LoadModuleImage(const ImageAddress& address, const StripDocument& document,
                         c32bppDIB& image);

    std::string m_TemporaryFolder;
    std::string m_ModulePath;
    std::unique_ptr<pe::PeModule> m_Module;
};
