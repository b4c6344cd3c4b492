// SPDX-License-Identifier: MIT
#include "app/StripInput.h"

#include "app/FailureReason.h"
#include "app/ImageAddress.h"
#include "app/PreparedCell.h"
#include "image/c32bppDIB.h"
#include "import/IconGroup.h"
#include "import/MdlInternet.h"
#include "import/ModuleBitmap.h"
#include "import/ResourceFileName.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"
#include "platform/net/HttpClient.h"
#include "platform/pe/PeModule.h"
#include "platform/picture/Picture.h"

namespace {

std::string LastSegment(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

std::unique_ptr<PreparedCell> Unavailable(const std::string& why) {
    return std::make_unique<PreparedCell>(StripDocument::AddResult::NotDecoded,
                                          Error::Unavailable(why));
}

std::string BitmapFailure(const pe::PeModule& module, const std::string& name) {
    return module.FindResource(pe::ResourceId::FromListed(name), pe::PeModule::RT_BITMAP)
               ? "the bitmap resource cannot be read"
               : "no bitmap resource of that name";
}

// The cell at position of a strip cut into cells cellWidth wide (0: as square as the height
// allows), as an image of its own.
bool CutCell(const c32bppDIB& strip, int position, int cellWidth, c32bppDIB& cell) {
    const int width =
        cellWidth > 0 ? cellWidth : StripDocument::ProposedCellWidth(strip.Width(), strip.Height());
    if (width < 1 || position >= strip.Width() / width ||
        !cell.InitializeDIB(width, strip.Height())) {
        return false;
    }
    const auto rowBytes = static_cast<std::size_t>(width) * 4;
    const std::size_t left = static_cast<std::size_t>(position) * rowBytes;
    for (int row = 0; row < strip.Height(); ++row) {
        const std::uint8_t* from =
            strip.BitsPointer() +
            static_cast<std::size_t>(row) * static_cast<std::size_t>(strip.scanWidth()) + left;
        std::copy(from, from + rowBytes,
                  cell.BitsPointer() + static_cast<std::size_t>(row) * rowBytes);
    }
    cell.SetAlpha(strip.Alpha());
    cell.SetImageType(strip.ImageType());
    return true;
}

std::string DownloadFailure() {
    const std::string& why = net::HttpClient::LastFailure();
    return why.empty() ? "the download failed" : why;
}

}  // namespace

StripInput::StripInput(std::string temporaryFolder)
    : m_TemporaryFolder(std::move(temporaryFolder)) {}

StripInput::~StripInput() = default;

// Several images often come from one module; it is read once. A worker keeps its copy while
// another worker moves the cache on to the next module.
std::shared_ptr<const pe::PeModule> StripInput::Module(const std::string& path, std::string& why) {
    const std::lock_guard hold(m_ModuleLock);
    if (path != m_ModulePath || !m_Module) {
        m_Module = pe::PeModule::LoadAsData(path);
        m_ModulePath = path;
    }
    if (!m_Module) {
        why = FailureReason::OfFile(path);
        why = why.empty() ? "the module cannot be read" : why;
    } else if (!m_Module->HasResources()) {
        why = "not a module with resources";
    }
    return m_Module && m_Module->HasResources() ? m_Module : nullptr;
}

std::unique_ptr<PreparedCell> StripInput::PrepareImage(
    const CellFormat& format, const std::string& name,
    const StripDocument::AlphaQuestion& askAlpha) {
    const ImageAddress address = ImageAddress::Parse(name);
    if (address.kind == ImageAddress::Kind::File) {
        auto cell = PreparedCell::Make(format, address.path, nullptr, askAlpha);
        // Only a file that gave no picture and no reason is looked at again.
        const bool unexplained =
            cell->Result() == StripDocument::AddResult::NotDecoded && !cell->LoadError();
        const std::string missing = unexplained ? FailureReason::OfFile(address.path) : "";
        return missing.empty() ? std::move(cell) : Unavailable(missing);
    }
    if (address.kind == ImageAddress::Kind::Url) {
        std::unique_ptr<PreparedCell> cell;
        MdlInternet::WithDownloadedFile(
            m_TemporaryFolder, address.path, [&](const std::string& path) {
                cell = PreparedCell::Make(format, path, nullptr, askAlpha);
            });
        return cell ? std::move(cell) : Unavailable(DownloadFailure());
    }
    c32bppDIB image;
    std::string why;
    if (!LoadModuleImage(address, format, image, why)) {
        return image.LoadError() ? std::make_unique<PreparedCell>(
                                       StripDocument::AddResult::NotDecoded, image.LoadError())
                                 : Unavailable(why);
    }
    return PreparedCell::Make(format, "", &image, askAlpha);
}

std::unique_ptr<PreparedCell> StripInput::PrepareProjectCell(
    const CellFormat& format, const StripProject::Cell& cell,
    const StripDocument::AlphaQuestion& askAlpha) {
    if (cell.stripCell) {
        return PrepareStripCell(format, cell, askAlpha);
    }
    if (!cell.source.empty()) {
        return PrepareImage(format, cell.source, askAlpha);
    }
    c32bppDIB image;
    if (!image.LoadPicture_Stream(cell.png, format.width, format.height, 0, 0, false,
                                  format.depth)) {
        return std::make_unique<PreparedCell>(StripDocument::AddResult::NotDecoded,
                                              image.LoadError());
    }
    return PreparedCell::Make(format, "", &image, askAlpha);
}

// The whole strip is loaded as an image and the cell cut from it, so that it is scaled from
// its own pixels to any cell size.
std::unique_ptr<PreparedCell> StripInput::PrepareStripCell(
    const CellFormat& format, const StripProject::Cell& cell,
    const StripDocument::AlphaQuestion& askAlpha) {
    const ImageAddress address = ImageAddress::Parse(cell.source);
    c32bppDIB strip;
    std::string why;
    if (!LoadStripImage(address, format, strip, why)) {
        return strip.LoadError() ? std::make_unique<PreparedCell>(
                                       StripDocument::AddResult::NotDecoded, strip.LoadError())
                                 : Unavailable(why);
    }
    c32bppDIB image;
    if (!CutCell(strip, *cell.stripCell, cell.stripCellWidth, image)) {
        return Unavailable("the strip has no cell " + std::to_string(*cell.stripCell));
    }
    return PreparedCell::Make(format, "", &image, askAlpha);
}

bool StripInput::LoadStripImage(const ImageAddress& address, const CellFormat& format,
                                c32bppDIB& image, std::string& why) {
    if (address.kind == ImageAddress::Kind::ModuleBitmap) {
        return LoadModuleImage(address, format, image, why);
    }
    if (address.kind == ImageAddress::Kind::File &&
        image.LoadPicture_File(address.path, 0, 0, false, 32)) {
        return true;
    }
    why = address.kind == ImageAddress::Kind::File ? FailureReason::OfImage(address.path, image)
                                                   : "only a file or a module bitmap is a strip";
    return false;
}

// An icon group is decoded as an icon file of all its images, so the decoder picks the entry
// that suits the cell as it does for icon files; a bitmap is taken as a pasted bitmap is.
bool StripInput::LoadModuleImage(const ImageAddress& address, const CellFormat& format,
                                 c32bppDIB& image, std::string& why) {
    const std::shared_ptr<const pe::PeModule> module = Module(address.path, why);
    if (!module) {
        return false;
    }
    if (address.kind == ImageAddress::Kind::ModuleIcon) {
        const std::string position = std::to_string(address.iconPosition);
        const std::size_t groups = module->EnumResourceNames(pe::PeModule::RT_GROUP_ICON).size();
        IconGroup icon;
        if (address.iconPosition < 0 || static_cast<std::size_t>(address.iconPosition) >= groups) {
            why = "no icon group at position " + position;
        } else if (!icon.LoadIconFromModule(*module, address.iconPosition)) {
            why = "the icon group at position " + position + " cannot be read";
        }
        return why.empty() && image.LoadPicture_Stream(icon.IconFile(), format.width, format.height,
                                                       0, 0, false, format.depth);
    }
    gdi::UniqueGdiObject bitmap(ModuleBitmap::Load(*module, address.bitmapName));
    const std::unique_ptr<picture::Picture> picture = picture::Picture::FromBitmap(bitmap.Get());
    if (!picture) {
        why = BitmapFailure(*module, address.bitmapName);
        return false;
    }
    bitmap.Release();
    return image.LoadPicture_StdPicture(picture.get());
}

bool StripInput::OpenStrip(StripDocument& document, const std::string& name, int cellWidth,
                           std::string& why) {
    const ImageAddress address = ImageAddress::Parse(name);
    switch (address.kind) {
        case ImageAddress::Kind::File:
            if (document.OpenStripFile(address.path, cellWidth)) {
                return true;
            }
            why = FailureReason::OfStrip(address.path, cellWidth);
            return false;
        case ImageAddress::Kind::Url:
            return OpenDownloadedStrip(document, address, cellWidth, why);
        case ImageAddress::Kind::ModuleBitmap:
            return OpenModuleBitmap(document, address, cellWidth, why);
        case ImageAddress::Kind::ModuleIcon:
            why = "an icon is no strip";
            break;
    }
    return false;
}

bool StripInput::OpenDownloadedStrip(StripDocument& document, const ImageAddress& address,
                                     int cellWidth, std::string& why) {
    bool opened = false;
    const bool downloaded = MdlInternet::WithDownloadedFile(
        m_TemporaryFolder, address.path, [&](const std::string& path) {
            opened = document.OpenStripFile(path, cellWidth);
            why = opened ? "" : FailureReason::OfStrip(path, cellWidth);
        });
    if (!downloaded) {
        why = DownloadFailure();
    }
    if (opened) {
        document.SetName("", LastSegment(address.path.substr(0, address.path.find_first_of("?#"))));
    }
    return opened;
}

bool StripInput::OpenModuleBitmap(StripDocument& document, const ImageAddress& address,
                                  int cellWidth, std::string& why) {
    const std::shared_ptr<const pe::PeModule> module = Module(address.path, why);
    gdi::UniqueGdiObject bitmap(module ? ModuleBitmap::Load(*module, address.bitmapName) : 0);
    if (module && bitmap.Get() == 0) {
        why = BitmapFailure(*module, address.bitmapName);
    }
    if (!document.OpenBitmap(bitmap.Get(), cellWidth)) {
        const gdi::Bitmap* pixels = gdi::BitmapFromHandle(bitmap.Get());
        why = why.empty() && pixels != nullptr
                  ? FailureReason::OfCells(pixels->Width(), pixels->Height(), cellWidth)
                  : why;
        return false;
    }
    document.SetName(
        "", ResourceFileName::ForModuleBitmap(LastSegment(address.path), address.bitmapName));
    document.SetSaved(false);
    return true;
}
