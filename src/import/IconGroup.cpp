// SPDX-License-Identifier: MIT
#include "import/IconGroup.h"

#include <algorithm>
#include <optional>

#include "platform/file/RegularFile.h"
#include "platform/pe/PeModule.h"

namespace {

std::uint32_t Little32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void PutLittle32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

int HeaderCount(const std::array<std::uint8_t, IconGroup::kHeaderSize>& header) {
    return header[4] | (header[5] << 8);
}

bool EndsInIco(const std::string& name) {
    if (name.size() < 3) {
        return false;
    }
    std::string ending = name.substr(name.size() - 3);
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ending == "ico";
}

}  // namespace

std::uint32_t IconGroup::Entry::BytesInRes() const {
    return Little32(bytes.data() + 8);
}

void IconGroup::Discard() {
    m_Header = {};
    m_Entries.clear();
    m_Images.clear();
}

bool IconGroup::Add(const Entry& entry, std::span<const std::uint8_t> image) {
    std::uint64_t total = image.size();
    for (const std::vector<std::uint8_t>& held : m_Images) {
        total += held.size();
    }
    if (Count() >= kMaxEntries || total > kMaxTotalBytes) {
        return false;
    }
    m_Entries.push_back(entry);
    m_Images.emplace_back(image.begin(), image.end());
    return true;
}

bool IconGroup::LoadIconFromFile(const std::string& IcoFileName) {
    if (!EndsInIco(IcoFileName)) {
        return false;
    }
    const auto read = RegularFile::Read(IcoFileName);
    if (!read) {
        return false;
    }
    Discard();
    const std::vector<std::uint8_t>& file = *read;
    if (file.size() < kHeaderSize) {
        return false;
    }
    std::copy_n(file.begin(), kHeaderSize, m_Header.begin());
    const int count = HeaderCount(m_Header);
    if ((m_Header[2] | (m_Header[3] << 8)) != 1 || count < 1 ||
        file.size() < kHeaderSize + kEntrySize * static_cast<std::size_t>(count)) {
        Discard();
        return false;
    }
    for (int i = 0; i < count; ++i) {
        Entry entry;
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + kEntrySize * i),
                    kEntrySize, entry.bytes.begin());
        const std::uint32_t offset = Little32(entry.bytes.data() + 12);
        if (offset > file.size() || file.size() - offset < entry.BytesInRes() ||
            !Add(entry, std::span(file).subspan(offset, entry.BytesInRes()))) {
            Discard();
            return false;
        }
    }
    return true;
}

bool IconGroup::LoadIconFromResource(const std::string& path, int index) {
    Discard();
    const auto module = pe::PeModule::LoadAsData(path);
    return module && LoadIconFromModule(*module, index);
}

bool IconGroup::LoadIconFromModule(const pe::PeModule& module, int index) {
    Discard();
    if (index < 0) {
        return false;
    }
    const std::vector<pe::ResourceId> groups =
        module.EnumResourceNames(pe::PeModule::RT_GROUP_ICON);
    return static_cast<std::size_t>(index) < groups.size() &&
           LoadIconFromGroup(module, groups[static_cast<std::size_t>(index)]);
}

bool IconGroup::LoadIconFromGroup(const pe::PeModule& module, const pe::ResourceId& name) {
    Discard();
    const auto group = module.FindResource(name, pe::PeModule::RT_GROUP_ICON);
    const std::span<const std::uint8_t> bytes =
        group ? module.LoadResource(*group) : std::span<const std::uint8_t>{};
    if (bytes.size() < kHeaderSize) {
        return false;
    }
    std::copy_n(bytes.begin(), kHeaderSize, m_Header.begin());
    const int count = HeaderCount(m_Header);
    constexpr std::size_t kGroupEntrySize = 14;
    if (count < 1 ||
        bytes.size() < kHeaderSize + kGroupEntrySize * static_cast<std::size_t>(count)) {
        Discard();
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* source = bytes.data() + kHeaderSize + kGroupEntrySize * i;
        Entry entry;
        std::copy_n(source, 12, entry.bytes.begin());
        const auto id = static_cast<std::uint16_t>(source[12] | (source[13] << 8));
        const auto image = module.FindResource(pe::ResourceId::Integer(id), pe::PeModule::RT_ICON);
        if (!image || image->size == 0 || image->size != entry.BytesInRes() ||
            !Add(entry, module.LoadResource(*image))) {
            Discard();
            return false;
        }
    }
    return true;
}

bool IconGroup::IsPNG(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t kSignature[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    return bytes.size() >= 8 && std::equal(bytes.begin(), bytes.begin() + 8, kSignature);
}

int IconGroup::IconColorDepth(int Index) const {
    const Entry& entry = EntryAt(Index);
    if (entry.Planes() == 1) {
        return entry.BitCount();
    }
    switch (entry.ColorCount()) {
        case 2:
            return 1;
        case 16:
            return 4;
        default:
            return 8;
    }
}

std::span<const std::uint8_t> IconGroup::Image(int index) const {
    return m_Images[static_cast<std::size_t>(index)];
}

std::vector<std::uint8_t> IconGroup::SingleIconFile(int index) const {
    std::vector<std::uint8_t> file(m_Header.begin(), m_Header.end());
    file[4] = 1;
    file[5] = 0;
    Entry entry = EntryAt(index);
    PutLittle32(entry.bytes.data() + 12, kHeaderSize + kEntrySize);
    file.insert(file.end(), entry.bytes.begin(), entry.bytes.end());
    const std::span<const std::uint8_t> image = Image(index);
    file.insert(file.end(), image.begin(), image.end());
    return file;
}

std::vector<std::uint8_t> IconGroup::IconFile() const {
    std::vector<std::uint8_t> file(m_Header.begin(), m_Header.end());
    std::size_t offset = kHeaderSize + kEntrySize * m_Entries.size();
    for (std::size_t i = 0; i < m_Entries.size(); ++i) {
        Entry entry = m_Entries[i];
        PutLittle32(entry.bytes.data() + 12, static_cast<std::uint32_t>(offset));
        file.insert(file.end(), entry.bytes.begin(), entry.bytes.end());
        offset += m_Images[i].size();
    }
    for (const std::vector<std::uint8_t>& image : m_Images) {
        file.insert(file.end(), image.begin(), image.end());
    }
    return file;
}

std::string IconGroup::ListText(int index) const {
    const Entry& entry = EntryAt(index);
    const bool large = entry.Width() == 0 && entry.Height() == 0;
    const int width = large ? 256 : entry.Width(), height = large ? 256 : entry.Height();
    return "Icon " + std::to_string(index + 1) + ": " + std::to_string(width) + "x" +
           std::to_string(height) + "x" + std::to_string(IconColorDepth(index)) + "Bit" +
           (large && IsPNG(Image(index)) ? " (PNG)" : "");
}
