#include "platform/pe/PeModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using pe::PeModule;
using pe::ResourceId;
using Bytes = std::vector<std::uint8_t>;

struct Resource {
    std::uint16_t type;
    ResourceId name;
    Bytes data;
};

void Put16(Bytes& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(Bytes& out, std::size_t at, std::uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::size_t kSectionFileOffset = 0x200;

// The resource section: type, name and language directories, data entries, names, data.
Bytes ResourceSection(const std::vector<Resource>& resources) {
    std::map<std::uint16_t, std::vector<const Resource*>> types;
    for (const Resource& r : resources) {
        types[r.type].push_back(&r);
    }
    std::size_t size = 16 + 8 * types.size();
    for (const auto& [type, names] : types) {
        size += 16 + 8 * names.size() + names.size() * (16 + 8 + 16);
    }
    Bytes out(size);
    std::size_t next = 16 + 8 * types.size();
    auto directory = [&](std::size_t at, std::size_t named, std::size_t ids) {
        Put16(out, at + 12, static_cast<std::uint32_t>(named));
        Put16(out, at + 14, static_cast<std::uint32_t>(ids));
    };
    directory(0, 0, types.size());
    std::size_t typeSlot = 16;
    for (const auto& [type, names] : types) {
        Put32(out, typeSlot, type);
        Put32(out, typeSlot + 4, 0x80000000u | static_cast<std::uint32_t>(next));
        typeSlot += 8;
        const std::size_t typeDirectory = next;
        std::size_t named = 0;
        for (const Resource* r : names) {
            named += r->name.isInteger ? 0 : 1;
        }
        directory(typeDirectory, named, names.size() - named);
        next += 16 + 8 * names.size();
        for (std::size_t i = 0; i < names.size(); ++i) {
            const Resource& r = *names[i];
            const std::size_t slot = typeDirectory + 16 + 8 * i;
            const std::size_t languageDirectory = next, dataEntry = next + 24;
            next += 40;
            if (r.name.isInteger) {
                Put32(out, slot, r.name.id);
            } else {
                const std::size_t text = out.size();
                out.resize(text + 2 + 2 * r.name.name.size());
                Put16(out, text, static_cast<std::uint32_t>(r.name.name.size()));
                for (std::size_t c = 0; c < r.name.name.size(); ++c) {
                    Put16(out, text + 2 + 2 * c, static_cast<std::uint8_t>(r.name.name[c]));
                }
                Put32(out, slot, 0x80000000u | static_cast<std::uint32_t>(text));
            }
            Put32(out, slot + 4, 0x80000000u | static_cast<std::uint32_t>(languageDirectory));
            directory(languageDirectory, 0, 1);
            Put32(out, languageDirectory + 16, 1033);
            Put32(out, languageDirectory + 20, static_cast<std::uint32_t>(dataEntry));
            const std::size_t data = out.size();
            out.insert(out.end(), r.data.begin(), r.data.end());
            Put32(out, dataEntry, kSectionRva + static_cast<std::uint32_t>(data));
            Put32(out, dataEntry + 4, static_cast<std::uint32_t>(r.data.size()));
        }
    }
    return out;
}

// A module with one section holding the resources: PE32, or PE32+ when wide.
Bytes Module(const std::vector<Resource>& resources, bool wide) {
    const Bytes section = ResourceSection(resources);
    Bytes out(kSectionFileOffset + section.size());
    out[0] = 'M', out[1] = 'Z';
    Put32(out, 0x3C, 0x40);
    Put32(out, 0x40, 0x00004550);
    const std::size_t coff = 0x44, optional = coff + 20;
    const std::uint32_t optionalSize = wide ? 240 : 224;
    Put16(out, coff + 2, 1);
    Put16(out, coff + 16, optionalSize);
    Put16(out, optional, wide ? 0x20B : 0x10B);
    const std::size_t directories = optional + (wide ? 112 : 96);
    Put32(out, directories - 4, 16);
    Put32(out, directories + 16, kSectionRva);
    Put32(out, directories + 20, static_cast<std::uint32_t>(section.size()));
    const std::size_t header = optional + optionalSize;
    Put32(out, header + 8, static_cast<std::uint32_t>(section.size()));
    Put32(out, header + 12, kSectionRva);
    Put32(out, header + 16, static_cast<std::uint32_t>(section.size()));
    Put32(out, header + 20, kSectionFileOffset);
    std::copy(section.begin(), section.end(), out.begin() + kSectionFileOffset);
    return out;
}

const std::vector<Resource> kResources = {
    {PeModule::RT_BITMAP, ResourceId::String("ZEBRA"), {1, 2, 3}},
    {PeModule::RT_BITMAP, ResourceId::Integer(200), {4}},
    {PeModule::RT_BITMAP, ResourceId::String("APPLE"), {5, 6}},
    {PeModule::RT_BITMAP, ResourceId::Integer(133), {7, 8, 9, 10}},
    {PeModule::RT_GROUP_ICON, ResourceId::Integer(1), {11, 12}},
};

class PeResources : public ::testing::TestWithParam<bool> {};

TEST_P(PeResources, EnumeratesNamedFirstThenIdentifiersAscending) {
    const PeModule module(Module(kResources, GetParam()));
    ASSERT_TRUE(module.HasResources());
    EXPECT_EQ(module.EnumResourceNames(PeModule::RT_BITMAP),
              (std::vector{ResourceId::String("ZEBRA"), ResourceId::String("APPLE"),
                           ResourceId::Integer(133), ResourceId::Integer(200)}));
    EXPECT_EQ(module.EnumResourceNames(PeModule::RT_GROUP_ICON),
              std::vector{ResourceId::Integer(1)});
    EXPECT_TRUE(module.EnumResourceNames(PeModule::RT_ICON).empty());
}

TEST_P(PeResources, FindsAndReadsEachResource) {
    const PeModule module(Module(kResources, GetParam()));
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

TEST(PeModule, EveryTruncationIsSafe) {
    const Bytes whole = Module(kResources, false);
    for (std::size_t length = 0; length <= whole.size(); ++length) {
        const PeModule module(Bytes(whole.begin(), whole.begin() + length));
        for (const ResourceId& name : module.EnumResourceNames(PeModule::RT_BITMAP)) {
            if (const auto location = module.FindResource(name, PeModule::RT_BITMAP)) {
                EXPECT_LE(location->offset + location->size, length);
                EXPECT_EQ(module.LoadResource(*location).size(), location->size);
            }
        }
    }
}

TEST(PeModule, DamagedFieldsGiveNoResources) {
    const Bytes whole = Module(kResources, false);
    const std::size_t section = kSectionFileOffset;
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
        Bytes bytes = whole;
        d.width32 ? Put32(bytes, d.at, d.value) : Put16(bytes, d.at, d.value);
        const PeModule module(bytes);
        EXPECT_FALSE(module.HasResources()) << d.what;
        EXPECT_TRUE(module.EnumResourceNames(PeModule::RT_BITMAP).empty()) << d.what;
    }
    // Inside the directory: a huge entry count is bounded by the section, a data entry that
    // points past the file finds nothing, and a name longer than the section is skipped.
    Bytes counts = whole;
    Put16(counts, section + 14, 0xFFFF);
    EXPECT_EQ(PeModule(counts).EnumResourceNames(PeModule::RT_BITMAP).size(), 4u);
    Bytes data = whole;
    const PeModule intact(whole);
    const auto location = intact.FindResource(ResourceId::Integer(133), PeModule::RT_BITMAP);
    ASSERT_TRUE(location);
    for (std::size_t at = section; at + 8 <= whole.size(); at += 4) {
        const std::uint32_t rva = whole[at] | (whole[at + 1] << 8) | (whole[at + 2] << 16) |
                                  (static_cast<std::uint32_t>(whole[at + 3]) << 24);
        if (rva == kSectionRva + (location->offset - section)) {
            Put32(data, at + 4, 0x7FFFFFFF);
        }
    }
    EXPECT_FALSE(PeModule(data).FindResource(ResourceId::Integer(133), PeModule::RT_BITMAP));
    Bytes names = whole;
    const Bytes zebra{5, 0, 'Z', 0, 'E', 0};
    const auto text = std::search(names.begin(), names.end(), zebra.begin(), zebra.end());
    ASSERT_NE(text, names.end());
    Put16(names, static_cast<std::size_t>(text - names.begin()), 0xFFFF);
    EXPECT_EQ(PeModule(names).EnumResourceNames(PeModule::RT_BITMAP).size(), 3u);
}

TEST(PeModule, FilesThatAreNotModules) {
    EXPECT_EQ(PeModule::LoadAsData("/nonexistent/module.dll"), nullptr);
    const auto elf = PeModule::LoadAsData("/bin/sh");
    ASSERT_NE(elf, nullptr);
    EXPECT_FALSE(elf->HasResources());
}

}  // namespace
