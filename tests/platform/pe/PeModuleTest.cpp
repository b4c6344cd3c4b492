// SPDX-License-Identifier: MIT
#include "platform/pe/PeModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "support/PeBuilder.h"

namespace {

using namespace testsupport;
using pe::PeModule;
using pe::ResourceId;

const std::vector<Resource> kResources = {
    {PeModule::RT_BITMAP, ResourceId::String("ZEBRA"), {1, 2, 3}},
    {PeModule::RT_BITMAP, ResourceId::Integer(200), {4}},
    {PeModule::RT_BITMAP, ResourceId::String("APPLE"), {5, 6}},
    {PeModule::RT_BITMAP, ResourceId::Integer(133), {7, 8, 9, 10}},
    {PeModule::RT_GROUP_ICON, ResourceId::Integer(1), {11, 12}},
};

class PeResources : public ::testing::TestWithParam<bool> {};

TEST_P(PeResources, EnumeratesNamedFirstThenIdentifiersAscendingAndReadsEach) {
    const PeModule module(Module(kResources, GetParam()));
    ASSERT_TRUE(module.HasResources());
    EXPECT_EQ(module.EnumResourceNames(PeModule::RT_BITMAP),
              (std::vector{ResourceId::String("ZEBRA"), ResourceId::String("APPLE"),
                           ResourceId::Integer(133), ResourceId::Integer(200)}));
    EXPECT_EQ(module.EnumResourceNames(PeModule::RT_GROUP_ICON),
              std::vector{ResourceId::Integer(1)});
    EXPECT_TRUE(module.EnumResourceNames(PeModule::RT_ICON).empty());
    for (const Resource& r : kResources) {
        const auto location = module.FindResource(r.name, r.type);
        ASSERT_TRUE(location) << r.name.name << r.name.id;
        EXPECT_EQ(location->size, r.data.size());
        const auto bytes = module.LoadResource(*location);
        EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), r.data);
    }
    EXPECT_TRUE(module.FindResource(ResourceId::String("zebra"), PeModule::RT_BITMAP))
        << "names compare without case";
    EXPECT_FALSE(module.FindResource(ResourceId::Integer(134), PeModule::RT_BITMAP));
    EXPECT_FALSE(module.FindResource(ResourceId::Integer(1), PeModule::RT_BITMAP));
    EXPECT_FALSE(module.FindResource(ResourceId::String("ZEBRAS"), PeModule::RT_BITMAP));
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeResources, ::testing::Bool());

TEST(PeModule, TruncationsAndDamagedFieldsAreSafeAndFilesThatAreNotModulesHaveNoResources) {
    const Bytes whole = Module(kResources, false);
    EXPECT_EQ(PeModule::LoadAsData("/nonexistent/module.dll"), nullptr);
    const auto elf = PeModule::LoadAsData("/bin/sh");
    ASSERT_NE(elf, nullptr);
    EXPECT_FALSE(elf->HasResources());
    for (std::size_t length = 0; length <= whole.size(); ++length) {
        const PeModule module(Bytes(whole.begin(), whole.begin() + length));
        for (const ResourceId& name : module.EnumResourceNames(PeModule::RT_BITMAP)) {
            if (const auto location = module.FindResource(name, PeModule::RT_BITMAP)) {
                EXPECT_LE(location->offset + location->size, length);
                EXPECT_EQ(module.LoadResource(*location).size(), location->size);
            }
        }
    }
    const std::size_t section = kSectionFileOffset;
    const auto damaged = [&whole](std::size_t at, std::uint32_t value, bool width32 = false) {
        Bytes bytes = whole;
        width32 ? Put32(bytes, at, value) : Put16(bytes, at, value);
        return bytes;
    };
    const struct {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        bool width32;
    } damage[] = {
        {"no MZ", 0, 0, false},
        {"PE header outside", 0x3C, 0xFFFFFFF0u, true},
        {"unknown optional magic", 0x58, 0x1234, false},
        {"resource RVA unmapped", 0x58 + 96 + 16, 0x9000, true},
        {"section data outside the file", 0x58 + 224 + 20, 0x7FFFFFFF, true},
    };
    for (const auto& d : damage) {
        const PeModule module(damaged(d.at, d.value, d.width32));
        EXPECT_FALSE(module.HasResources()) << d.what;
        EXPECT_TRUE(module.EnumResourceNames(PeModule::RT_BITMAP).empty()) << d.what;
    }
    // Inside the directory: a huge entry count is bounded by the section, a data entry that
    // points past the file finds nothing, and a name longer than the section is skipped.
    EXPECT_EQ(PeModule(damaged(section + 14, 0xFFFF)).EnumResourceNames(PeModule::RT_BITMAP).size(),
              4u);
    const auto location =
        PeModule(whole).FindResource(ResourceId::Integer(133), PeModule::RT_BITMAP);
    ASSERT_TRUE(location);
    Bytes rva(4);
    Put32(rva, 0, kSectionRva + (location->offset - section));
    const auto entry = std::search(whole.begin() + section, whole.end(), rva.begin(), rva.end());
    ASSERT_NE(entry, whole.end());
    const PeModule pastTheFile(
        damaged(static_cast<std::size_t>(entry - whole.begin()) + 4, 0x7FFFFFFF, true));
    EXPECT_FALSE(pastTheFile.FindResource(ResourceId::Integer(133), PeModule::RT_BITMAP));
    const Bytes zebra{5, 0, 'Z', 0, 'E', 0};
    const auto text = std::search(whole.begin(), whole.end(), zebra.begin(), zebra.end());
    ASSERT_NE(text, whole.end());
    const PeModule unnamed(damaged(static_cast<std::size_t>(text - whole.begin()), 0xFFFF));
    EXPECT_EQ(unnamed.EnumResourceNames(PeModule::RT_BITMAP).size(), 3u);
    const std::uint32_t typeDirectory = (whole[section + 20] | (whole[section + 21] << 8));
    // Identifiers are 16 bits: a wider one (here 200 + 0x10000) is no resource.
    const PeModule widened(damaged(section + typeDirectory + 16 + 8 + 2, 1));
    EXPECT_EQ(widened.EnumResourceNames(PeModule::RT_BITMAP).size(), 3u);
    EXPECT_FALSE(widened.FindResource(ResourceId::Integer(200), PeModule::RT_BITMAP));
    // A name entry whose subdirectory is the root again: the walk has a fixed depth.
    const PeModule looped(damaged(section + typeDirectory + 16 + 4, 0x80000000u, true));
    EXPECT_FALSE(looped.FindResource(looped.EnumResourceNames(PeModule::RT_BITMAP).front(),
                                     PeModule::RT_BITMAP));
}

// Names of 65,535 units shared by thousands of entries would take gigabytes to list; names are
// bounded to 1024 units.
TEST(PeModule, OverlongNamesAreNoResources) {
    const std::string longest(1024, 'K'), overlong(1025, 'L');
    const PeModule module(Module({{PeModule::RT_BITMAP, ResourceId::String(overlong), {3}},
                                  {PeModule::RT_BITMAP, ResourceId::String(longest), {2}}},
                                 false));
    EXPECT_EQ(module.EnumResourceNames(PeModule::RT_BITMAP),
              std::vector{ResourceId::String(longest)});
    EXPECT_TRUE(module.FindResource(ResourceId::String(longest), PeModule::RT_BITMAP));
    EXPECT_FALSE(module.FindResource(ResourceId::String(overlong), PeModule::RT_BITMAP));
}

// `count` types, `count` named bitmaps and `count` languages shared by all of them, every name
// looked up as a listing does; returns how long enumerating and looking up took.
std::chrono::duration<double> ListEveryLevel(std::size_t count) {
    const std::size_t table = 16 + 8 * count, names = table + 16, languages = names + table,
                      data = languages + table;
    Bytes section(data + 16);
    Put16(section, 14, count);
    Put16(section, names + 12, count);
    Put16(section, languages + 14, count);
    Put32(section, data, kSectionRva + data + 8);
    Put32(section, data + 4, 4);
    for (std::size_t i = 0; i < count; ++i) {
        Put32(section, 16 + 8 * i, i + 1);
        Put32(section, 20 + 8 * i, 0x80000000u | (i + 1 == PeModule::RT_BITMAP ? names : table));
        Put32(section, languages + 16 + 8 * i, i + 1);
        Put32(section, languages + 20 + 8 * i, data);
        const std::string name = "r" + std::to_string(i);
        Put32(section, names + 16 + 8 * i, 0x80000000u | section.size());
        Put32(section, names + 20 + 8 * i, 0x80000000u | languages);
        section.insert(section.end(), {static_cast<std::uint8_t>(name.size()), 0});
        for (const char c : name) {
            section.insert(section.end(), {static_cast<std::uint8_t>(c), 0});
        }
    }
    const PeModule module(ModuleAround(section, true));
    const auto started = std::chrono::steady_clock::now();
    const std::vector<ResourceId> listed = module.EnumResourceNames(PeModule::RT_BITMAP);
    EXPECT_EQ(listed.size(), count);
    std::size_t found = 0;
    for (const ResourceId& name : listed) {
        const auto location = module.FindResource(name, PeModule::RT_BITMAP);
        found += location && location->offset == kSectionFileOffset + data + 8 ? 1 : 0;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(found, count);
    EXPECT_EQ(listed.back(), ResourceId::String("r" + std::to_string(count - 1)));
    EXPECT_TRUE(module.FindResource(ResourceId::String("R0"), PeModule::RT_BITMAP));
    return took;
}

// Each table is read once per module, not once per lookup: 16 times the entries take about 16
// times as long (a walk per lookup takes 256 times). Optimised (Optimised.PeModule.*), the small
// run is too short to compare with, and the largest is held to two seconds instead.
TEST(PeModule, ListingEveryLevelOf65535EntriesIsLinear) {
    const auto small = ListEveryLevel(4096), large = ListEveryLevel(65535);
#ifdef NDEBUG
    EXPECT_LT(large.count(), 2.0);
#else
    EXPECT_LT(large, small * 48) << small.count() << " s, " << large.count() << " s";
#endif
}

}  // namespace
