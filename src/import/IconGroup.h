// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pe {
class PeModule;
struct ResourceId;
}  // namespace pe

// The images of one icon, taken from an icon file or from an icon group of a module, with the
// icon directory that describes them; any one of them can be rebuilt as an icon file of its own.
class IconGroup {
  public:
    static constexpr std::size_t kHeaderSize = 6;
    static constexpr std::size_t kEntrySize = 16;
    // One image may be named many times: without bounds a small file could ask for gigabytes
    // of copies. Real icons hold a dozen images of at most a few hundred kilobytes.
    static constexpr int kMaxEntries = 256;
    static constexpr std::uint64_t kMaxTotalBytes = std::uint64_t{64} << 20;

    // The 16 bytes of an icon directory entry.
    struct Entry {
        std::array<std::uint8_t, kEntrySize> bytes{};
        int Width() const { return bytes[0]; }
        int Height() const { return bytes[1]; }
        int ColorCount() const { return bytes[2]; }
        int Planes() const { return bytes[4] | (bytes[5] << 8); }
        int BitCount() const { return bytes[6] | (bytes[7] << 8); }
        std::uint32_t BytesInRes() const;
    };

    // False when the name does not end in "ico" (any case), the file cannot be read, or its
    // directory is not an icon's or lies outside the file.
    bool LoadIconFromFile(const std::string& IcoFileName);
    // The icon group at this position of the module's groups, with each image it names.
    bool LoadIconFromResource(const std::string& path, int index);
    bool LoadIconFromModule(const pe::PeModule& module, int index);
    // The icon group of this name: for callers that walk a module's groups and hold their names.
    bool LoadIconFromGroup(const pe::PeModule& module, const pe::ResourceId& name);

    static bool IsPNG(std::span<const std::uint8_t> bytes);
    // The colour depth shown for an entry: its bit count, or one read from its colour count.
    int IconColorDepth(int Index) const;

    int Count() const { return static_cast<int>(m_Entries.size()); }
    const Entry& EntryAt(int index) const { return m_Entries[static_cast<std::size_t>(index)]; }
    std::span<const std::uint8_t> Image(int index) const;
    // Header, the one entry with its image at offset 22, then the image: a file of one icon.
    std::vector<std::uint8_t> SingleIconFile(int index) const;
    // Header, every entry, then the images in entry order: the whole icon as a file.
    std::vector<std::uint8_t> IconFile() const;
    // "Icon 1: 16x16x4Bit", with " (PNG)" for a 256-pixel PNG entry.
    std::string ListText(int index) const;

  private:
    void Discard();
    // False, and nothing added, when the icon would pass kMaxEntries or kMaxTotalBytes.
    bool Add(const Entry& entry, std::span<const std::uint8_t> image);

    std::array<std::uint8_t, kHeaderSize> m_Header{};
    std::vector<Entry> m_Entries;
    std::vector<std::vector<std::uint8_t>> m_Images;
};
