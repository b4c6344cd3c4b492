#include "import/ModuleBitmap.h"

#include "platform/gdi/DibReader.h"
#include "platform/pe/PeModule.h"

gdi::HBITMAP ModuleBitmap::Load(const pe::PeModule& module, const std::string& ResID) {
    const auto location =
        module.FindResource(pe::ResourceId::FromListed(ResID), pe::PeModule::RT_BITMAP);
    if (!location) {
        return 0;
    }
    return gdi::LoadPackedDib(module.LoadResource(*location));
}
