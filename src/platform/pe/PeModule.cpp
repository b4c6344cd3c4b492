// SPDX-License-Identifier: MIT
#include "platform/pe/PeModule.h"

#include <algorithm>

#include "platform/file/ByteReader.h"
#include "platform/file/RegularFile.h"

namespace pe {

namespace {

constexpr std::uint32_t kSubdirectory = 0x80000000;
constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kEntrySize = 8;
// Larger files are not modules anyone adds icons from; refusing them bounds the memory used.
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{1} << 30;
// A directory's 16-bit counts allow 131,070 entries and a name 65,535 units: a small hostile
// file could name thousands of megabytes. Real modules stay far below these bounds.
constexpr std::size_t kMaxDirectoryEntries = 65536;
constexpr std::size_t kMaxNameUnits = 1024;
constexpr std::size_t kMaxDirectoryNameBytes = std::size_t{16} << 20;
// Tables that overlap can make a small file describe thousands of large tables; past this much
// memory further tables read as empty. Real modules need a few megabytes.
constexpr std::size_t kMaxDirectoryBytes = std::size_t{64} << 20;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Utf16ToUtf8(const std::vector<char16_t>& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::uint32_t LittleEndian32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

template <typename T>
std::optional<T> ValueOf(const Expected<T, Error>& read) {
    return read ? std::optional<T>(*read) : std::nullopt;
}

}  // namespace

PeModule::PeModule(std::vector<std::uint8_t> file) : m_File(std::move(file)) {
    ReadHeaders();
}

std::unique_ptr<PeModule> PeModule::LoadAsData(const std::string& path) {
    auto bytes = RegularFile::Read(path, kMaxFileBytes);
    return bytes ? std::make_unique<PeModule>(std::move(*bytes)) : nullptr;
}

// A reader of its own for each read: modules are shared between threads, and a reader over memory
// costs nothing to make.
std::optional<std::uint16_t> PeModule::Read16(std::size_t at) const {
    return ValueOf(ByteReader(m_File).U16(static_cast<std::int64_t>(at)));
}

std::optional<std::uint32_t> PeModule::Read32(std::size_t at) const {
    return ValueOf(ByteReader(m_File).U32(static_cast<std::int64_t>(at)));
}

void PeModule::ReadHeaders() {
    const auto lfanew = Read32(0x3C);
    if (Read16(0) != 0x5A4D || !lfanew || Read32(*lfanew) != 0x00004550u) {
        return;
    }
    const std::size_t coff = std::size_t{*lfanew} + 4;
    const auto sectionCount = Read16(coff + 2);
    const auto optionalSize = Read16(coff + 16);
    const std::size_t optional = coff + 20;
    const auto magic = Read16(optional);
    if (!sectionCount || !optionalSize || (magic != kPe32 && magic != kPe32Plus)) {
        return;
    }
    const std::size_t directories = optional + (magic == kPe32 ? 96 : 112);
    const auto directoryCount = Read32(directories - 4);
    const auto resourceRva = Read32(directories + 16);
    if (!directoryCount || *directoryCount < 3 || directories + 24 > optional + *optionalSize ||
        !resourceRva || *resourceRva == 0) {
        return;
    }
    for (std::size_t i = 0; i < *sectionCount; ++i) {
        const std::size_t header = optional + *optionalSize + i * kSectionHeaderSize;
        const auto virtualSize = Read32(header + 8), virtualAddress = Read32(header + 12);
        const auto rawSize = Read32(header + 16), rawOffset = Read32(header + 20);
        if (!virtualSize || !virtualAddress || !rawSize || !rawOffset) {
            break;
        }
        m_Sections.push_back({*virtualAddress, *virtualSize, *rawSize, *rawOffset});
    }
    const auto offset = RvaToOffset(*resourceRva);
    if (!offset) {
        return;
    }
    // The directory may run to the end of its section's data, never past the file.
    for (const Section& section : m_Sections) {
        if (*resourceRva >= section.virtualAddress &&
            *resourceRva - section.virtualAddress < section.rawSize) {
            const std::size_t sectionEnd = std::size_t{section.rawOffset} + section.rawSize;
            m_ResourceSize = std::min(sectionEnd, m_File.size()) - *offset;
            m_ResourceOffset = offset;
            return;
        }
    }
}

std::optional<std::size_t> PeModule::RvaToOffset(std::uint32_t rva) const {
    for (const Section& section : m_Sections) {
        if (rva >= section.virtualAddress && rva - section.virtualAddress < section.rawSize) {
            const std::size_t offset =
                std::size_t{section.rawOffset} + (rva - section.virtualAddress);
            if (offset < m_File.size()) {
                return offset;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> PeModule::NameUnits(ByteReader& reader,
                                                                 std::uint32_t offset) const {
    if (offset >= m_ResourceSize || m_ResourceSize - offset < 2) {
        return std::nullopt;
    }
    const auto at = static_cast<std::int64_t>(*m_ResourceOffset + offset);
    const std::uint16_t length = *reader.U16(at);
    if ((m_ResourceSize - offset - 2) / 2 < length || length > kMaxNameUnits) {
        return std::nullopt;
    }
    return ValueOf(reader.Read(at + 2, std::size_t{2} * length));
}

std::optional<std::string> PeModule::ReadName(ByteReader& reader, std::uint32_t offset) const {
    const auto bytes = NameUnits(reader, offset);
    if (!bytes) {
        return std::nullopt;
    }
    std::vector<char16_t> units;
    for (std::size_t i = 0; i < bytes->size(); i += 2) {
        units.push_back(static_cast<char16_t>((*bytes)[i] | ((*bytes)[i + 1] << 8)));
    }
    return Utf16ToUtf8(units);
}

template <typename Visit>
void PeModule::ForEachEntry(std::uint32_t offset, Visit visit) const {
    if (!m_ResourceOffset || offset > m_ResourceSize ||
        m_ResourceSize - offset < kDirectoryHeaderSize) {
        return;
    }
    const std::size_t base = *m_ResourceOffset + offset;
    const std::size_t count = std::size_t{*Read16(base + 12)} + *Read16(base + 14);
    const std::size_t room = (m_ResourceSize - offset - kDirectoryHeaderSize) / kEntrySize;
    const std::size_t read = std::min({count, room, kMaxDirectoryEntries});
    // The table is read at once rather than entry by entry.
    const auto table = ByteReader(m_File).Read(
        static_cast<std::int64_t>(base + kDirectoryHeaderSize), read * kEntrySize);
    if (!table) {
        return;
    }
    for (std::size_t i = 0; i < read; ++i) {
        const std::uint8_t* entry = table->data() + i * kEntrySize;
        const std::uint32_t name = LittleEndian32(entry), target = LittleEndian32(entry + 4);
        // Identifiers are 16 bits; a wider one is damage, not a second name.
        if ((name & kSubdirectory) != 0 || name <= 0xFFFF) {
            if (!visit(name, target)) {
                return;
            }
        }
    }
}

ResourceDirectory PeModule::ReadDirectory(std::uint32_t offset) const {
    std::vector<Entry> named, numbered;
    std::size_t nameBytes = 0;
    ByteReader names(m_File);
    ForEachEntry(offset, [&](std::uint32_t name, std::uint32_t target) {
        if ((name & kSubdirectory) == 0) {
            numbered.push_back({ResourceId::Integer(static_cast<std::uint16_t>(name)), target});
        } else if (const auto text = ReadName(names, name & ~kSubdirectory)) {
            nameBytes += text->size();
            if (nameBytes > kMaxDirectoryNameBytes) {
                return false;
            }
            named.push_back({ResourceId::String(*text), target});
        }
        return true;
    });
    return ResourceDirectory(std::move(named), std::move(numbered));
}

// Every lookup of a listing goes through the same few tables: each is read and its names decoded
// once, not once per lookup.
std::shared_ptr<const ResourceDirectory> PeModule::Directory(std::uint32_t offset) const {
    const std::lock_guard hold(m_DirectoryLock);
    if (const auto known = m_Directories.find(offset); known != m_Directories.end()) {
        return known->second;
    }
    if (m_DirectoryBytes > kMaxDirectoryBytes) {
        return std::make_shared<const ResourceDirectory>();
    }
    auto directory = std::make_shared<const ResourceDirectory>(ReadDirectory(offset));
    m_DirectoryBytes += directory->Footprint();
    m_Directories.emplace(offset, directory);
    return directory;
}

std::optional<PeModule::Entry> PeModule::FindEntry(std::uint32_t directory,
                                                   const ResourceId& id) const {
    const std::shared_ptr<const ResourceDirectory> table = Directory(directory);
    const Entry* found = table->Find(id);
    return found ? std::optional<Entry>(*found) : std::nullopt;
}

std::vector<ResourceId> PeModule::EnumResourceNames(std::uint16_t type) const {
    const auto typeEntry = FindEntry(0, ResourceId::Integer(type));
    if (!typeEntry || (typeEntry->target & kSubdirectory) == 0) {
        return {};
    }
    std::vector<ResourceId> names;
    for (const Entry& entry : Directory(typeEntry->target & ~kSubdirectory)->Entries()) {
        names.push_back(entry.id);
    }
    return names;
}

std::optional<ResourceLocation> PeModule::FindResource(const ResourceId& name,
                                                       std::uint16_t type) const {
    const auto typeEntry = FindEntry(0, ResourceId::Integer(type));
    if (!typeEntry || (typeEntry->target & kSubdirectory) == 0) {
        return std::nullopt;
    }
    const auto nameEntry = FindEntry(typeEntry->target & ~kSubdirectory, name);
    if (!nameEntry || (nameEntry->target & kSubdirectory) == 0) {
        return std::nullopt;
    }
    const std::shared_ptr<const ResourceDirectory> languages =
        Directory(nameEntry->target & ~kSubdirectory);
    if (languages->Entries().empty()) {
        return std::nullopt;
    }
    const std::uint32_t data = languages->Entries().front().target;
    if ((data & kSubdirectory) != 0 || data > m_ResourceSize || m_ResourceSize - data < 8) {
        return std::nullopt;
    }
    const std::uint32_t rva = *Read32(*m_ResourceOffset + data);
    const std::uint32_t size = *Read32(*m_ResourceOffset + data + 4);
    const auto offset = RvaToOffset(rva);
    if (!offset || m_File.size() - *offset < size) {
        return std::nullopt;
    }
    return ResourceLocation{*offset, size};
}

std::span<const std::uint8_t> PeModule::LoadResource(const ResourceLocation& location) const {
    const auto bytes =
        ByteReader(m_File).Read(static_cast<std::int64_t>(location.offset), location.size);
    return bytes ? *bytes : std::span<const std::uint8_t>();
}

}  // namespace pe
