// SPDX-License-Identifier: MIT
#include "import/IconGroup.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "image/c32bppDIB.h"
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
    EXPECT_EQ(std::tuple(icons.ListText(0), icons.ListText(1)),
              std::tuple("Icon 1: 32x32x8Bit", "Icon 2: 256x256x32Bit (PNG)"));
    EXPECT_EQ(Bytes(icons.Image(1).begin(), icons.Image(1).end()), kPngImage);
    ASSERT_TRUE(icons.LoadIconFromResource(module, 1));
    EXPECT_EQ(std::tuple(icons.Count(), icons.ListText(0)), std::tuple(1, "Icon 1: 16x16x4Bit"));
    EXPECT_EQ((std::pair{icons.LoadIconFromResource(module, 2), icons.Count()}),
              std::pair(false, 0));
    EXPECT_FALSE(icons.LoadIconFromResource("/nonexistent.dll", 0));
}

// A group loads whole or not at all: a bad image, an empty group or one past the bounds load
// nothing. One image named many times is bounded in entries and in the bytes of all the copies.
TEST(IconGroup, AGroupWithABadImageOrBeyondTheBoundsLoadsNothing) {
    const Entry small{16, 16, 16, 0, 0, kDibImage.size(), 1};
    const std::pair<std::vector<Entry>, int> groups[] = {
        {{{32, 32, 0, 1, 8, 6, 1}, {16, 16, 0, 1, 8, 99, 2}}, 0},  // the second of the wrong size
        {{{32, 32, 0, 1, 8, 6, 7}}, 0},                            // no such image
        {{}, 0},
        {std::vector(IconGroup::kMaxEntries, small), IconGroup::kMaxEntries},
        {std::vector(IconGroup::kMaxEntries + 1, small), 0}};
    for (const auto& [group, count] : groups) {
        IconGroup icons;
        EXPECT_EQ(icons.LoadIconFromResource(WriteModule(group), 0), count > 0) << group.size();
        EXPECT_EQ(icons.Count(), count) << group.size();
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
    // One entry of 256 pixels at 32 bits, 11 bytes at 22.
    Bytes want = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0, 11, 0, 0, 0, 22, 0, 0, 0};
    want.insert(want.end(), kPngImage.begin(), kPngImage.end());
    EXPECT_EQ(file, want);

    IconGroup fromFile;
    ASSERT_TRUE(fromFile.LoadIconFromFile(WriteFile("one.ICO", file)));
    ASSERT_EQ(fromFile.Count(), 1);
    EXPECT_EQ(fromFile.ListText(0), "Icon 1: 256x256x32Bit (PNG)");
    // Not named .ico, a cursor, an image offset past the end, cut short.
    Bytes cursor = file, outside = file;
    cursor[2] = 2;
    outside[18] = 200;
    for (const auto& [name, bytes] : {std::pair{"one.png", file},
                                      {"cursor.ico", cursor},
                                      {"outside.ico", outside},
                                      {"short.ico", Bytes(file.begin(), file.begin() + 12)}}) {
        EXPECT_FALSE(fromFile.LoadIconFromFile(WriteFile(name, bytes))) << name;
    }
    EXPECT_EQ(fromFile.Count(), 0);
}

TEST(IconGroup, DepthShownAndPngSignature) {
    // Colours, planes, bits per pixel of the entry, the depth shown.
    for (const auto& [colors, planes, bits, depth] :
         {std::array{0, 1, 24, 24}, {2, 0, 0, 1}, {16, 0, 0, 4}, {0, 0, 0, 8}, {16, 2, 4, 4}}) {
        IconGroup icons;
        ASSERT_TRUE(
            icons.LoadIconFromResource(WriteModule({{16, 16, colors, planes, bits, 6, 1}}), 0));
        EXPECT_EQ(icons.IconColorDepth(0), depth) << colors << "/" << planes << "/" << bits;
    }
    EXPECT_TRUE(IconGroup::IsPNG(kPngImage));
    EXPECT_FALSE(IconGroup::IsPNG(Bytes(kPngImage.begin(), kPngImage.begin() + 7)));
    EXPECT_FALSE(IconGroup::IsPNG(kDibImage));
}

// The module the MinGW toolchain built from tests/data/pe/resources.rc.
TEST(RealModule, IconGroupsKeepEveryImageWithThePngOne) {
    for (int position : {0, 1}) {
        IconGroup icons;
        ASSERT_TRUE(icons.LoadIconFromResource(TILEWRIGHT_TEST_MODULE, position));
        ASSERT_EQ(icons.Count(), 4);
        EXPECT_EQ(icons.ListText(0), "Icon 1: 16x16x32Bit");
        EXPECT_EQ(icons.ListText(3), "Icon 4: 256x256x32Bit (PNG)");
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
