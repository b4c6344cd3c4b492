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

// Lookups walk a directory in place: finding every entry of a large one stays linear per entry.
// Names of 65,535 units shared by thousands of entries would take gigabytes to list; names are
// bounded to 1024 units.
TEST(PeModule, EveryEntryOfALargeDirectoryIsFoundQuicklyButOverlongNamesAreNoResources) {
    const std::string longest(1024, 'K'), overlong(1025, 'L');
    std::vector<Resource> resources = {{PeModule::RT_BITMAP, ResourceId::String(overlong), {3}},
                                       {PeModule::RT_BITMAP, ResourceId::String(longest), {2}}};
    for (int i = 1; i <= 2000; ++i) {
        resources.push_back({PeModule::RT_BITMAP, ResourceId::Integer(i), {1}});
        resources.push_back(
            {PeModule::RT_BITMAP, ResourceId::String("N" + std::to_string(i)), {2}});
    }
    const PeModule module(Module(resources, false));
    const auto started = std::chrono::steady_clock::now();
    const std::vector<ResourceId> names = module.EnumResourceNames(PeModule::RT_BITMAP);
    ASSERT_EQ(names.size(), resources.size() - 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), ResourceId::String(overlong)), 0);
    for (const ResourceId& name : names) {
        const auto location = module.FindResource(name, PeModule::RT_BITMAP);
        ASSERT_TRUE(location) << name.Listed();
        EXPECT_EQ(module.LoadResource(*location)[0], name.isInteger ? 1 : 2) << name.Listed();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8))
        << "a generous bound for loaded sanitizer builds; a walk that decodes every name per "
           "lookup takes far longer";
    EXPECT_FALSE(module.FindResource(ResourceId::String(overlong), PeModule::RT_BITMAP));
}

}  // namespace
