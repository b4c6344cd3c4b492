// SPDX-License-Identifier: MIT
// Executable modules read as data: the resource names of the types the importers use, find and
// read of each, bitmap resources loaded as bitmaps and icon groups with their images.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ScratchFile.h"
#include "import/IconGroup.h"
#include "import/ModuleBitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/pe/PeModule.h"

namespace {

// Enough entries of one type to reach every code path without making an input slow.
constexpr std::size_t kMostNamesRead = 16;

void ReadType(const pe::PeModule& module, std::uint16_t type) {
    const std::vector<pe::ResourceId> names = module.EnumResourceNames(type);
    for (std::size_t i = 0; i < names.size() && i < kMostNamesRead; ++i) {
        const auto location = module.FindResource(names[i], type);
        if (location) {
            module.LoadResource(*location);
        }
        if (type == pe::PeModule::RT_BITMAP) {
            const gdi::HBITMAP bitmap = ModuleBitmap::Load(module, names[i].Listed());
            if (bitmap != 0) {
                gdi::DeleteObject(bitmap);
            }
        }
    }
}

void ReadIconGroups(std::span<const std::uint8_t> bytes, std::size_t groupCount) {
    static ScratchFile file(".dll");
    if (!file.Write(bytes)) {
        return;
    }
    for (std::size_t index = 0; index < groupCount && index < kMostNamesRead; ++index) {
        IconGroup group;
        group.LoadIconFromResource(file.Path(), static_cast<int>(index));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const pe::PeModule module(std::vector<std::uint8_t>(data, data + size));
    if (!module.HasResources()) {
        return 0;
    }
    for (const std::uint16_t type :
         {pe::PeModule::RT_BITMAP, pe::PeModule::RT_ICON, pe::PeModule::RT_GROUP_ICON}) {
        ReadType(module, type);
    }
    module.FindResource(pe::ResourceId::String("BITMAP"), pe::PeModule::RT_BITMAP);
    ReadIconGroups({data, size}, module.EnumResourceNames(pe::PeModule::RT_GROUP_ICON).size() + 1);
    return 0;
}
