// SPDX-License-Identifier: MIT
#include "import/ModuleBitmap.h"

#include <gtest/gtest.h>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"
#include "support/PeBuilder.h"

namespace {

using pe::PeModule;
using pe::ResourceId;
using testsupport::Bytes;

// A packed 2 x 1 bitmap at 8 bits: header, a two-entry table (red, blue), one padded row of 1, 0.
Bytes PackedDib() {
    Bytes dib(40 + 8 + 4);
    for (const auto& [at, value] : {std::pair{0, 40}, {4, 2}, {8, 1}, {12, 1 | 8 << 16}, {32, 2}}) {
        testsupport::Put32(dib, at, value);
    }
    dib[40 + 2] = 255;  // entry 0 as blue, green, red, 0
    dib[44] = 255;
    dib[48] = 1;
    return dib;
}

TEST(ModuleBitmap, LoadsPackedDibsByListedName) {
    const PeModule module(
        testsupport::Module({{PeModule::RT_BITMAP, ResourceId::Integer(133), PackedDib()},
                             {PeModule::RT_BITMAP, ResourceId::String("TOOLBAR"), PackedDib()},
                             {PeModule::RT_BITMAP, ResourceId::Integer(7), Bytes{1, 2, 3}}},
                            true));
    for (const std::string name : {"#133", "TOOLBAR", "toolbar"}) {
        gdi::UniqueGdiObject bitmap(ModuleBitmap::Load(module, name));
        const gdi::Bitmap* pixels = gdi::BitmapFromHandle(bitmap.Get());
        ASSERT_NE(pixels, nullptr) << name;
        EXPECT_EQ(std::tuple(pixels->BitCount(), pixels->ReadPixel(0, 0).Rgb(),
                             pixels->ReadPixel(1, 0).Rgb()),
                  std::tuple(8, 0xFF0000u, 0x0000FFu))
            << name << ": index 1 is blue, 0 red";
    }
    EXPECT_EQ(ModuleBitmap::Load(module, "#7"), 0u) << "not a bitmap";
    EXPECT_EQ(ModuleBitmap::Load(module, "#134"), 0u);
    // Listed names: "#" and a number of 16 bits is an identifier, anything else a name; both are
    // listed as they were read.
    const std::pair<std::string, ResourceId> cases[] = {
        {"#133", ResourceId::Integer(133)},     {"#0", ResourceId::Integer(0)},
        {"#65535", ResourceId::Integer(65535)}, {"#65536", ResourceId::String("#65536")},
        {"#", ResourceId::String("#")},         {"#1a", ResourceId::String("#1a")},
        {"ICONS", ResourceId::String("ICONS")}};
    for (const auto& [listed, id] : cases) {
        EXPECT_EQ(std::pair(ResourceId::FromListed(listed), id.Listed()), std::pair(id, listed));
    }
}

}  // namespace
