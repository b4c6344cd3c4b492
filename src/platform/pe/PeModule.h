// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/pe/ResourceDirectory.h"
#include "platform/pe/ResourceId.h"

class ByteReader;

namespace pe {

// Where one resource's bytes lie in the file.
struct ResourceLocation {
    std::size_t offset = 0;
    std::uint32_t size = 0;
};

// An executable module read as data: its resource directory (type, name, language) and the
// bytes of each resource. No code of it ever runs. Every offset and size is checked against the
// file; a malformed module is one with no resources.
class PeModule {
  public:
    static constexpr std::uint16_t RT_BITMAP = 2;
    static constexpr std::uint16_t RT_ICON = 3;
    static constexpr std::uint16_t RT_GROUP_ICON = 14;

    explicit PeModule(std::vector<std::uint8_t> file);
    // Null when the file cannot be read at all.
    static std::unique_ptr<PeModule> LoadAsData(const std::string& path);

    bool HasResources() const { return m_ResourceOffset.has_value(); }
    // Named entries first, in directory order, then integer identifiers ascending.
    std::vector<ResourceId> EnumResourceNames(std::uint16_t type) const;
    // The first language of the resource; nothing when it is not there or lies outside the file.
    std::optional<ResourceLocation> FindResource(const ResourceId& name, std::uint16_t type) const;
    std::span<const std::uint8_t> LoadResource(const ResourceLocation& location) const;

  private:
    using Entry = ResourceDirectory::Entry;

    void ReadHeaders();
    std::optional<std::size_t> RvaToOffset(std::uint32_t rva) const;
    // Calls visit(name field, target) for each stored entry until it returns false.
    template <typename Visit>
    void ForEachEntry(std::uint32_t offset, Visit visit) const;
    ResourceDirectory ReadDirectory(std::uint32_t offset) const;
    // The table at offset, read on first use and kept for the module's life.
    std::shared_ptr<const ResourceDirectory> Directory(std::uint32_t offset) const;
    std::optional<Entry> FindEntry(std::uint32_t directory, const ResourceId& id) const;
    // The UTF-16 units of the name at offset, when it lies inside the section and is not overlong.
    std::optional<std::span<const std::uint8_t>> NameUnits(ByteReader& reader,
                                                           std::uint32_t offset) const;
    std::optional<std::string> ReadName(ByteReader& reader, std::uint32_t offset) const;
    std::optional<std::uint32_t> Read32(std::size_t at) const;
    std::optional<std::uint16_t> Read16(std::size_t at) const;

    struct Section {
        std::uint32_t virtualAddress = 0;
        std::uint32_t virtualSize = 0;
        std::uint32_t rawSize = 0;
        std::uint32_t rawOffset = 0;
    };

    std::vector<std::uint8_t> m_File;
    std::vector<Section> m_Sections;
    std::optional<std::size_t> m_ResourceOffset;
    std::size_t m_ResourceSize = 0;

    // Modules are shared between threads; the tables read so far are shared with them.
    mutable std::mutex m_DirectoryLock;
    mutable std::unordered_map<std::uint32_t, std::shared_ptr<const ResourceDirectory>>
        m_Directories;
    mutable std::size_t m_DirectoryBytes = 0;
};

}  // namespace pe
