// SPDX-License-Identifier: MIT
#include "cli/ModuleListing.h"

#include <ostream>

#include "app/JsonText.h"
#include "import/IconGroup.h"
#include "import/ModuleBitmap.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"
#include "platform/pe/PeModule.h"

namespace {

// Icon directories write 256 as 0.
int IconSide(int side) {
    return side == 0 ? 256 : side;
}

}  // namespace

void ModuleListing::Write(const pe::PeModule& module, std::ostream& out) {
    WriteBitmaps(module, out);
    WriteIconGroups(module, out);
}

// Sizes and depth as the bitmap decodes; a bitmap that does not decode shows zeros.
void ModuleListing::WriteBitmaps(const pe::PeModule& module, std::ostream& out) {
    for (const pe::ResourceId& id : module.EnumResourceNames(pe::PeModule::RT_BITMAP)) {
        const auto location = module.FindResource(id, pe::PeModule::RT_BITMAP);
        gdi::UniqueGdiObject handle(ModuleBitmap::Load(module, id.Listed()));
        const gdi::Bitmap* bitmap = gdi::BitmapFromHandle(handle.Get());
        out << "{\"type\": \"bitmap\", \"name\": " << JsonString(id.Listed())
            << ", \"size\": " << (location ? location->size : 0)
            << ", \"width\": " << (bitmap ? bitmap->Width() : 0)
            << ", \"height\": " << (bitmap ? bitmap->Height() : 0)
            << ", \"bpp\": " << (bitmap ? bitmap->BitCount() : 0) << "}\n";
    }
}

// A group whose images cannot all be read lists no images.
void ModuleListing::WriteIconGroups(const pe::PeModule& module, std::ostream& out) {
    const auto groups = module.EnumResourceNames(pe::PeModule::RT_GROUP_ICON);
    for (std::size_t position = 0; position < groups.size(); ++position) {
        IconGroup icon;
        icon.LoadIconFromGroup(module, groups[position]);
        out << "{\"type\": \"icon-group\", \"position\": " << position
            << ", \"name\": " << JsonString(groups[position].Listed()) << ", \"images\": [";
        for (int i = 0; i < icon.Count(); ++i) {
            const IconGroup::Entry& entry = icon.EntryAt(i);
            out << (i > 0 ? ", " : "") << "{\"width\": " << IconSide(entry.Width())
                << ", \"height\": " << IconSide(entry.Height())
                << ", \"bpp\": " << icon.IconColorDepth(i)
                << ", \"png\": " << (IconGroup::IsPNG(icon.Image(i)) ? "true" : "false") << "}";
        }
        out << "]}\n";
    }
}
