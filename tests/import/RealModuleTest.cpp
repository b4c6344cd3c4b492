#include <gtest/gtest.h>

#include "image/c32bppDIB.h"
#include "import/IconGroup.h"
#include "import/ModuleBitmap.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DibReader.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"
#include "platform/pe/PeModule.h"
#include "support/HostPixel.h"

// The module the MinGW toolchain built from tests/data/pe/resources.rc.
namespace {

using pe::PeModule;
using pe::ResourceId;

constexpr std::uint16_t RT_GROUP_CURSOR = 12;

std::unique_ptr<PeModule> TestModule() {
    return PeModule::LoadAsData(TILEWRIGHT_TEST_MODULE);
}

TEST(RealModule, ListsItsResourcesInThePlatformsOrder) {
    const auto module = TestModule();
    ASSERT_NE(module, nullptr);
    std::vector<std::string> bitmaps;
    for (const ResourceId& id : module->EnumResourceNames(PeModule::RT_BITMAP)) {
        bitmaps.push_back(id.Listed());
    }
    EXPECT_EQ(bitmaps, (std::vector<std::string>{"STRIPALPHA", "STRIPTRUE", "#101", "#102"}));
    std::vector<std::string> groups;
    for (const ResourceId& id : module->EnumResourceNames(PeModule::RT_GROUP_ICON)) {
        groups.push_back(id.Listed());
    }
    EXPECT_EQ(groups, (std::vector<std::string>{"MAINICON", "#1"}));
    EXPECT_EQ(module->EnumResourceNames(RT_GROUP_CURSOR).size(), 1u);
}

TEST(RealModule, BitmapsLoadAtTheirDepthWithTheFilesPixels) {
    const auto module = TestModule();
    ASSERT_NE(module, nullptr);
    const struct {
        const char* name;
        const char* file;
        int depth;
    } cases[] = {{"#101", "strip4.bmp", 4},
                 {"#102", "strip8.bmp", 8},
                 {"STRIPTRUE", "strip24.bmp", 24},
                 {"STRIPALPHA", "strip32.bmp", 32}};
    for (const auto& c : cases) {
        gdi::UniqueGdiObject loaded(ModuleBitmap::Load(*module, c.name));
        const gdi::Bitmap* bitmap = gdi::BitmapFromHandle(loaded.Get());
        ASSERT_NE(bitmap, nullptr) << c.name;
        EXPECT_EQ(bitmap->BitCount(), c.depth) << c.name;
        const auto file = gdi::DibReader::ReadBitmapFile(testsupport::ReadFileBytes(
            std::string(TILEWRIGHT_TEST_SOURCE_DIR "/data/pe/") + c.file));
        ASSERT_NE(file, nullptr) << c.file;
        ASSERT_EQ(bitmap->Width(), file->Width());
        for (int y = 0; y < bitmap->Height(); ++y) {
            for (int x = 0; x < bitmap->Width(); ++x) {
                ASSERT_EQ(bitmap->ReadPixel(x, y), file->ReadPixel(x, y))
                    << c.name << " at " << x << "," << y;
            }
        }
    }
}

TEST(RealModule, IconGroupsKeepEveryImageWithThePngOne) {
    for (int position : {0, 1}) {
        IconGroup icons;
        ASSERT_TRUE(icons.LoadIconFromResource(TILEWRIGHT_TEST_MODULE, position));
        ASSERT_EQ(icons.Count(), 4);
        std::vector<std::string> texts;
        for (int i = 0; i < icons.Count(); ++i) {
            texts.push_back(icons.ListText(i));
        }
        EXPECT_EQ(texts.back(), "Icon 4: 256x256x32Bit (PNG)");
        EXPECT_EQ(texts.front(), "Icon 1: 16x16x32Bit");
        EXPECT_TRUE(IconGroup::IsPNG(icons.Image(3)));
        for (int entry : {0, 3}) {
            c32bppDIB image;
            ASSERT_TRUE(
                image.LoadPicture_Stream(icons.SingleIconFile(entry), 0, 0, 0, 0, false, 32));
            const int centre = image.Width() / 2;
            EXPECT_EQ(testsupport::PixelAt(image, centre, centre),
                      (std::array<int, 4>{0, 165, 255, 255}))
                << "orange at the centre of entry " << entry;
        }
    }
    IconGroup cursor;
    EXPECT_FALSE(cursor.LoadIconFromFile(TILEWRIGHT_TEST_SOURCE_DIR "/data/pe/arrow.cur"));
}

}  // namespace
