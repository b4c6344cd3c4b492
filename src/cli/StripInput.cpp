#include "cli/StripInput.h"

#include "app/PreparedCell.h"
#include "cli/ImageAddress.h"
#include "image/c32bppDIB.h"
#include "import/IconGroup.h"
#include "import/MdlInternet.h"
#include "import/ModuleBitmap.h"
#include "import/ResourceFileName.h"
#include "platform/gdi/UniqueGdiObject.h"
#include "platform/pe/PeModule.h"
#include "platform/picture/Picture.h"

namespace {

std::string LastSegment(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

}  // namespace

StripInput::StripInput(std::string temporaryFolder)
    : m_TemporaryFolder(std::move(temporaryFolder)) {}

StripInput::~StripInput() = default;

// Several images often come from one module; it is read once. A worker keeps its copy while
// another worker moves the cache on to the next module.
std::shared_ptr<const pe::PeModule> StripInput::Module(const std::string& path) {
    const std::lock_guard hold(m_ModuleLock);
    if (path != m_ModulePath || !m_Module) {
        m_Module = pe::PeModule::LoadAsData(path);
        m_ModulePath = path;
    }
    return m_Module;
}

std::unique_ptr<PreparedCell> StripInput::PrepareImage(
    const CellFormat& format, const std::string& name,
    const StripDocument::AlphaQuestion& askAlpha) {
    const ImageAddress address = ImageAddress::Parse(name);
    if (address.kind == ImageAddress::Kind::File) {
        return PreparedCell::Make(format, address.path, nullptr, askAlpha);
    }
    auto cell = std::make_unique<PreparedCell>(StripDocument::AddResult::NotDecoded);
    if (address.kind == ImageAddress::Kind::Url) {
        MdlInternet::WithDownloadedFile(
            m_TemporaryFolder, address.path, [&](const std::string& path) {
                cell = PreparedCell::Make(format, path, nullptr, askAlpha);
            });
        return cell;
    }
    c32bppDIB image;
    if (!LoadModuleImage(address, format, image)) {
        return std::make_unique<PreparedCell>(StripDocument::AddResult::NotDecoded,
                                              image.LoadError());
    }
    return PreparedCell::Make(format, "", &image, askAlpha);
}

// An icon group is decoded as an icon file of all its images, so the decoder picks the entry
// that suits the cell as it does for icon files; a bitmap is taken as a pasted bitmap is.
bool StripInput::LoadModuleImage(const ImageAddress& address, const CellFormat& format,
                                 c32bppDIB& image) {
    const std::shared_ptr<const pe::PeModule> module = Module(address.path);
    if (!module) {
        return false;
    }
    if (address.kind == ImageAddress::Kind::ModuleIcon) {
        IconGroup icon;
        return icon.LoadIconFromModule(*module, address.iconPosition) &&
               image.LoadPicture_Stream(icon.IconFile(), format.width, format.height, 0, 0, false,
                                        format.depth);
    }
    gdi::UniqueGdiObject bitmap(ModuleBitmap::Load(*module, address.bitmapName));
    const std::unique_ptr<picture::Picture> picture = picture::Picture::FromBitmap(bitmap.Get());
    if (!picture) {
        return false;
    }
    bitmap.Release();
    return image.LoadPicture_StdPicture(picture.get());
}

bool StripInput::OpenStrip(StripDocument& document, const std::string& name, int cellWidth) {
    const ImageAddress address = ImageAddress::Parse(name);
    switch (address.kind) {
        case ImageAddress::Kind::File:
            return document.OpenStripFile(address.path, cellWidth);
        case ImageAddress::Kind::Url: {
            bool opened = false;
            MdlInternet::WithDownloadedFile(
                m_TemporaryFolder, address.path,
                [&](const std::string& path) { opened = document.OpenStripFile(path, cellWidth); });
            if (opened) {
                document.SetName(
                    "", LastSegment(address.path.substr(0, address.path.find_first_of("?#"))));
            }
            return opened;
        }
        case ImageAddress::Kind::ModuleBitmap: {
            const std::shared_ptr<const pe::PeModule> module = Module(address.path);
            gdi::UniqueGdiObject bitmap(module ? ModuleBitmap::Load(*module, address.bitmapName)
                                               : 0);
            if (!document.OpenBitmap(bitmap.Get(), cellWidth)) {
                return false;
            }
            document.SetName("", ResourceFileName::ForModuleBitmap(LastSegment(address.path),
                                                                   address.bitmapName));
            document.SetSaved(false);
            return true;
        }
        case ImageAddress::Kind::ModuleIcon:
            break;
    }
    return false;
}
