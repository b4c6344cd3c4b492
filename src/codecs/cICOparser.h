#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gdi/GdiTypes.h"

class c32bppDIB;

// Reads icon and cursor files: validates and repairs the directory, chooses the entry that best
// fits a wanted size and depth, and decodes it into a 32-bit premultiplied image (the host).
// Without a host only the directory is read; the properties then describe every entry.
class cICOparser {
  public:
    // length 0 means the rest of the stream and is written back. The stream is not changed:
    // repairs go to a private copy.
    bool LoadStream(std::span<const std::uint8_t> stream, std::int32_t wantedWidth,
                    std::int32_t wantedHeight, c32bppDIB* host, std::int64_t start,
                    std::int64_t& length, std::int32_t wantedBitDepth, std::int32_t gdiToken);
    // An icon or cursor handle into the host.
    bool ConvertstdPicTo32bpp(gdi::HGDIOBJ Handle, c32bppDIB& cHost);

    // Entries are numbered 1 to IconCount; other numbers read 0 / false.
    std::int32_t IconCount() const { return static_cast<std::int32_t>(m_Entries.size()); }
    std::int32_t Width(std::int32_t Index) const;
    std::int32_t Height(std::int32_t Index) const;
    std::int32_t bitDepth(std::int32_t Index) const;
    bool IsIconPNG(std::int32_t Index) const;
    std::int32_t ColorCount(std::int32_t Index) const;
    std::int32_t ColorByteOffset(std::int32_t Index) const;

  private:
    struct IconEntry {
        std::uint8_t width = 0;
        std::uint8_t height = 0;
        std::uint16_t planes = 0;
        std::int16_t bitCount = 0;
        std::uint32_t bytesInRes = 0;
        std::uint32_t imageOffset = 0;
    };
    static constexpr std::uint16_t kPngPlanes = 255;

    const IconEntry* Entry(std::int32_t Index) const;
    bool ReadDirectory();
    bool RepairEntry(IconEntry& entry);
    bool InspectPNG(IconEntry& entry) const;
    std::int32_t ChooseEntry(std::int32_t width, std::int32_t height, std::int32_t depth) const;
    std::int64_t MaskSize(std::int32_t Index) const;
    bool DecodeBitmapEntry(std::int32_t Index, c32bppDIB& host);
    bool ReadEntryColors(std::int32_t Index, c32bppDIB& host);
    bool ApplyMask(std::int32_t Index, c32bppDIB& host) const;
    bool ApplyAlpha(std::int32_t Index, c32bppDIB& host) const;
    bool ApplyIconMask(gdi::HBITMAP mask, gdi::HGDIOBJ monochromeIcon, c32bppDIB& host);

    std::vector<std::uint8_t> m_Stream;
    std::uint16_t m_Type = 0;
    std::vector<IconEntry> m_Entries;
};
