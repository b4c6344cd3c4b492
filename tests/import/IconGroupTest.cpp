#include "import/IconGroup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/PeBuilder.h"

namespace {

using pe::PeModule;
using pe::ResourceId;
using testsupport::Bytes;

const Bytes kPngImage = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 1, 2, 3};
const Bytes kDibImage = {40, 0, 0, 0, 9, 9};

// A group directory entry: width, height, colour count, planes, bit count, size, image id.
Bytes GroupEntry(int w, int h, int colors, int planes, int bits, std::size_t size, int id) {
    return {static_cast<std::uint8_t>(w),
            static_cast<std::uint8_t>(h),
            static_cast<std::uint8_t>(colors),
            0,
            static_cast<std::uint8_t>(planes),
            0,
            static_cast<std::uint8_t>(bits),
            0,
            static_cast<std::uint8_t>(size),
            0,
            0,
            0,
            static_cast<std::uint8_t>(id),
            0};
}

Bytes Group(std::initializer_list<Bytes> entries) {
    Bytes group{0, 0, 1, 0, static_cast<std::uint8_t>(entries.size()), 0};
    for (const Bytes& entry : entries) {
        group.insert(group.end(), entry.begin(), entry.end());
    }
    return group;
}

std::string WriteFile(const std::string& name, const Bytes& bytes) {
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

std::string WriteModule(const Bytes& mainGroup) {
    return WriteFile(
        "icons.dll",
        testsupport::Module({{PeModule::RT_GROUP_ICON, ResourceId::Integer(1),
                              Group({GroupEntry(16, 16, 16, 0, 0, kDibImage.size(), 1)})},
                             {PeModule::RT_GROUP_ICON, ResourceId::String("MAIN"), mainGroup},
                             {PeModule::RT_ICON, ResourceId::Integer(1), kDibImage},
                             {PeModule::RT_ICON, ResourceId::Integer(2), kPngImage}},
                            false));
}

TEST(IconGroup, GroupsOfAModuleByPosition) {
    const std::string module =
        WriteModule(Group({GroupEntry(32, 32, 0, 1, 8, 6, 1), GroupEntry(0, 0, 0, 1, 32, 11, 2)}));
    IconGroup icons;
    ASSERT_TRUE(icons.LoadIconFromResource(module, 0)) << "named groups come first";
    ASSERT_EQ(icons.Count(), 2);
    EXPECT_EQ(icons.ListText(0), "Icon 1: 32x32x8Bit");
    EXPECT_EQ(icons.ListText(1), "Icon 2: 256x256x32Bit (PNG)");
    EXPECT_EQ(Bytes(icons.Image(1).begin(), icons.Image(1).end()), kPngImage);
    ASSERT_TRUE(icons.LoadIconFromResource(module, 1));
    ASSERT_EQ(icons.Count(), 1);
    EXPECT_EQ(icons.ListText(0), "Icon 1: 16x16x4Bit");
    EXPECT_FALSE(icons.LoadIconFromResource(module, 2));
    EXPECT_EQ(icons.Count(), 0);
    EXPECT_FALSE(icons.LoadIconFromResource("/nonexistent.dll", 0));
}

TEST(IconGroup, AGroupWithABadImageLoadsNothing) {
    const Bytes wrongSize =
        Group({GroupEntry(32, 32, 0, 1, 8, 6, 1), GroupEntry(16, 16, 0, 1, 8, 99, 2)});
    const Bytes missing = Group({GroupEntry(32, 32, 0, 1, 8, 6, 7)});
    const Bytes empty = Group({});
    for (const Bytes& group : {wrongSize, missing, empty}) {
        IconGroup icons;
        EXPECT_FALSE(icons.LoadIconFromResource(WriteModule(group), 0));
        EXPECT_EQ(icons.Count(), 0);
    }
}

TEST(IconGroup, OneEntryRebuiltAsAnIconFileAndReadBack) {
    IconGroup icons;
    ASSERT_TRUE(icons.LoadIconFromResource(
        WriteModule(Group({GroupEntry(32, 32, 0, 1, 8, 6, 1), GroupEntry(0, 0, 0, 1, 32, 11, 2)})),
        0));
    const Bytes file = icons.SingleIconFile(1);
    ASSERT_EQ(file.size(), 22 + kPngImage.size());
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 6), (Bytes{0, 0, 1, 0, 1, 0}));
    EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 22), (Bytes{22, 0, 0, 0}));
    EXPECT_EQ(Bytes(file.begin() + 22, file.end()), kPngImage);

    IconGroup fromFile;
    ASSERT_TRUE(fromFile.LoadIconFromFile(WriteFile("one.ICO", file)));
    ASSERT_EQ(fromFile.Count(), 1);
    EXPECT_EQ(fromFile.ListText(0), "Icon 1: 256x256x32Bit (PNG)");
    EXPECT_FALSE(fromFile.LoadIconFromFile(WriteFile("one.png", file))) << "not named .ico";
    Bytes cursor = file;
    cursor[2] = 2;
    EXPECT_FALSE(fromFile.LoadIconFromFile(WriteFile("cursor.ico", cursor)));
    Bytes outside = file;
    outside[18] = 200;
    EXPECT_FALSE(fromFile.LoadIconFromFile(WriteFile("outside.ico", outside)));
    EXPECT_FALSE(
        fromFile.LoadIconFromFile(WriteFile("short.ico", Bytes(file.begin(), file.begin() + 12))));
    EXPECT_EQ(fromFile.Count(), 0);
}

TEST(IconGroup, DepthShownAndPngSignature) {
    const struct {
        int colors, planes, bits, depth;
    } cases[] = {{0, 1, 24, 24}, {2, 0, 0, 1}, {16, 0, 0, 4}, {0, 0, 0, 8}, {16, 2, 4, 4}};
    for (const auto& c : cases) {
        const Bytes group = Group({GroupEntry(16, 16, c.colors, c.planes, c.bits, 6, 1)});
        IconGroup icons;
        ASSERT_TRUE(icons.LoadIconFromResource(WriteModule(group), 0));
        EXPECT_EQ(icons.IconColorDepth(0), c.depth) << c.colors << "/" << c.planes << "/" << c.bits;
    }
    EXPECT_TRUE(IconGroup::IsPNG(kPngImage));
    EXPECT_FALSE(IconGroup::IsPNG(Bytes(kPngImage.begin(), kPngImage.begin() + 7)));
    EXPECT_FALSE(IconGroup::IsPNG(kDibImage));
}

}  // namespace
