// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "codecs/DecodeRequest.h"
#include "codecs/DecodedImage.h"
#include "platform/file/ByteReader.h"
#include "platform/file/Error.h"
#include "platform/file/Expected.h"
#include "platform/gdi/GdiTypes.h"

// Reads icon and cursor files: validates and repairs the directory, chooses the entry that best
// fits the request's size and depth, and decodes it. After the directory is read the properties
// describe every entry.
class IcoDecoder {
  public:
    using Status = Expected<std::monostate, Error>;

    static Expected<DecodedImage, Error> Decode(ByteReader& reader, const DecodeRequest& request);

    // Repairs go to a private copy of the bytes. NotThisFormat without an icon directory.
    Status ReadDirectory(ByteReader& reader);
    // 0 when no entry has a usable bit count.
    std::int32_t ChooseEntry(const DecodeRequest& request) const;
    // The entry's bytes lie inside the file.
    bool EntryInStream(std::int32_t Index) const;
    Expected<DecodedImage, Error> DecodeEntry(std::int32_t Index, const DecodeRequest& request);
    // An icon or cursor handle; afterwards it is entry 1.
    Expected<DecodedImage, Error> FromIconHandle(gdi::HGDIOBJ handle);

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
    // Where a bitmap entry's parts lie and how large its picture is, as its own header says.
    struct BitmapLayout {
        gdi::BITMAPINFOHEADER header;
        std::int64_t paletteAt = 0;
        std::int64_t bitsAt = 0;
        std::int64_t maskAt = 0;
    };
    static constexpr std::uint16_t kPngPlanes = 255;

    const IconEntry* Entry(std::int32_t Index) const;
    Status ReadEntries();
    bool RepairEntry(IconEntry& entry);
    bool InspectPNG(IconEntry& entry) const;
    std::int64_t MaskSize(std::int32_t Index) const;
    Expected<DecodedImage, Error> DecodePngEntry(std::int32_t Index,
                                                 const DecodeRequest& request) const;
    Expected<DecodedImage, Error> DecodeBitmapEntry(std::int32_t Index);
    Expected<BitmapLayout, Error> ReadBitmapLayout(std::int32_t Index) const;
    std::uint32_t PaletteEntries(const IconEntry& entry, const gdi::BITMAPINFOHEADER& header,
                                 std::int64_t bitsBytes) const;
    Status ReadEntryColors(const BitmapLayout& layout, DecodedImage& image);
    Expected<std::vector<gdi::RGBQUAD>, Error> ReadPalette(const BitmapLayout& layout) const;
    Status ApplyMask(std::int64_t maskAt, DecodedImage& image) const;
    Status ApplyAlpha(std::int64_t bitsAt, DecodedImage& image) const;
    Expected<DecodedImage, Error> ReadIconColors(gdi::HBITMAP color);
    Status ApplyIconMask(gdi::HBITMAP mask, gdi::HGDIOBJ monochromeIcon,
                         Expected<DecodedImage, Error>& image);

    std::vector<std::uint8_t> m_Stream;
    std::uint16_t m_Type = 0;
    std::vector<IconEntry> m_Entries;
};
