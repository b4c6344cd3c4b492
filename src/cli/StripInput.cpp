#include "cli/StripInput.h"

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

// Several images often come from one module; it is read once.
const pe::PeModule* StripInput::Module(const std::string& path) {
    if (path != m_ModulePath || !m_Module) {
        m_Module = pe::PeModule::LoadAsData(path);
        m_ModulePath = path;
    }
    return m_Module.get();
}

StripDocument::AddResult StripInput::AddImage(StripDocument& document, const std::string& name,
                                              int index,
                                              const StripDocument::AlphaQuestion& askAlpha) {
    const ImageAddress address = ImageAddress::Parse(name);
    if (address.kind == ImageAddress::Kind::File) {
        return document.AddImage(address.path, index, nullptr, askAlpha);
    }
    if (address.kind == ImageAddress::Kind::Url) {
        auto result = StripDocument::AddResult::NotDecoded;
        MdlInternet::WithDownloadedFile(
            m_TemporaryFolder, address.path, [&](const std::string& path) {
                result = document.AddImage(path, index, nullptr, askAlpha);
            });
        return result;
    }
    c32bppDIB image;
    if (!LoadModuleImage(address, document, image)) {
        return StripDocument::AddResult::NotDecoded;
    }
    return document.AddImage("", index, &image, askAlpha);
}

// An icon group is decoded as an icon file of all its images, so the decoder picks the entry
// that suits the cell as it does for icon files; a bitmap is taken as a pasted bitmap is.
bool StripInput::LoadModuleImage(const ImageAddress& address, const StripDocument& document,
                                 c32bppDIB& image) {
    const pe::PeModule* module = Module(address.path);
    if (module == nullptr) {
        return false;
    }
    if (address.kind == ImageAddress::Kind::ModuleIcon) {
        IconGroup icon;
        const clsImgList& cells = document.CellStore();
        return icon.LoadIconFromModule(*module, address.iconPosition) &&
               image.LoadPicture_Stream(icon.IconFile(), cells.IconWidth(), cells.IconHeight(), 0,
                                        0, false, cells.Colors());
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
            const pe::PeModule* module = Module(address.path);
            gdi::UniqueGdiObject bitmap(
                module != nullptr ? ModuleBitmap::Load(*module, address.bitmapName) : 0);
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
