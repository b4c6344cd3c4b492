#include "import/IconGroup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/PeBuilder.h"

namespace {

using pe::PeModule;
using pe::ResourceId;
using testsupport::Bytes;

const Bytes kPngImage = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 1, 2, 3};
const Bytes kDibImage = {40, 0, 0, 0, 9, 9};

using Entry = testsupport::GroupEntry;

std::string WriteFile(const std::string& name, const Bytes& bytes) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    testsupport::WriteFileBytes(path, bytes);
    return path;
}

// Group 0 is "MAIN" (named groups come first), group 1 is #1 of a single 16-colour entry.
std::string WriteModule(const std::vector<Entry>& mainGroup) {
    return testsupport::WriteModule(
        "icons.dll", {{PeModule::RT_GROUP_ICON, ResourceId::Integer(1),
                       testsupport::IconGroupDirectory({{16, 16, 16, 0, 0, kDibImage.size(), 1}})},
                      {PeModule::RT_GROUP_ICON, ResourceId::String("MAIN"),
                       testsupport::IconGroupDirectory(mainGroup)},
                      {PeModule::RT_ICON, ResourceId::Integer(1), kDibImage},
                      {PeModule::RT_ICON, ResourceId::Integer(2), kPngImage}});
}

const std::vector<Entry> kDibAndPng = {{32, 32, 0, 1, 8, 6, 1}, {0, 0, 0, 1, 32, 11, 2}};

TEST(IconGroup, GroupsOfAModuleByPosition) {
    const std::string module = WriteModule(kDibAndPng);
    IconGroup icons;
    ASSERT_TRUE(icons.LoadIconFromResource(module, 0));
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
    const std::vector<Entry> wrongSize = {{32, 32, 0, 1, 8, 6, 1}, {16, 16, 0, 1, 8, 99, 2}},
                             missing = {{32, 32, 0, 1, 8, 6, 7}}, empty;
    for (const auto& group : {wrongSize, missing, empty}) {
        IconGroup icons;
        EXPECT_FALSE(icons.LoadIconFromResource(WriteModule(group), 0));
        EXPECT_EQ(icons.Count(), 0);
    }
}

// One image named many times: bounded in entries and in the bytes of all the copies.
TEST(IconGroup, GroupsBeyondTheBoundsAreRefused) {
    const Entry small{16, 16, 16, 0, 0, kDibImage.size(), 1};
    for (const int count : {IconGroup::kMaxEntries, IconGroup::kMaxEntries + 1}) {
        IconGroup icons;
        EXPECT_EQ(icons.LoadIconFromResource(WriteModule(std::vector(count, small)), 0),
                  count == IconGroup::kMaxEntries)
            << count;
    }
    const Bytes large((IconGroup::kMaxTotalBytes / 2) + 1, 7);
    for (const int count : {1, 2}) {
        const std::string module = testsupport::WriteModule(
            "large-icons.dll", {{PeModule::RT_GROUP_ICON, ResourceId::Integer(1),
                                 testsupport::IconGroupDirectory(
                                     std::vector(count, Entry{0, 0, 0, 1, 32, large.size(), 1}))},
                                {PeModule::RT_ICON, ResourceId::Integer(1), large}});
        IconGroup icons;
        EXPECT_EQ(icons.LoadIconFromResource(module, 0), count == 1) << count;
    }
}

TEST(IconGroup, OneEntryRebuiltAsAnIconFileAndReadBack) {
    IconGroup icons;
    ASSERT_TRUE(icons.LoadIconFromResource(WriteModule(kDibAndPng), 0));
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
        IconGroup icons;
        ASSERT_TRUE(icons.LoadIconFromResource(
            WriteModule({{16, 16, c.colors, c.planes, c.bits, 6, 1}}), 0));
        EXPECT_EQ(icons.IconColorDepth(0), c.depth) << c.colors << "/" << c.planes << "/" << c.bits;
    }
    EXPECT_TRUE(IconGroup::IsPNG(kPngImage));
    EXPECT_FALSE(IconGroup::IsPNG(Bytes(kPngImage.begin(), kPngImage.begin() + 7)));
    EXPECT_FALSE(IconGroup::IsPNG(kDibImage));
}

}  // namespace
