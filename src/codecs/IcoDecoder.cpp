// SPDX-License-Identifier: MIT
#include "codecs/IcoDecoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "codecs/DrawingCanvas.h"
#include "codecs/PngDecoder.h"
#include "codecs/modParsers.h"
#include "platform/gdi/DibReader.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/UniqueGdiObject.h"

namespace {

constexpr std::size_t kDirectoryHeader = 6;
constexpr std::size_t kDirectoryEntry = 16;
constexpr std::size_t kInfoHeader = 40;
constexpr std::size_t kPngHeadBytes = 26;     // signature, IHDR length and type, sizes, depth, type
constexpr std::uint16_t kPngTagEnd = 0x5244;  // "DR", the end of "IHDR" read little-endian
constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 0x50, 0x4E, 0x47,
                                                       0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::int32_t kDefaultWanted = 32;
constexpr std::int32_t kNoScore = 10000;

// Fields of a span whose length the caller has checked.
std::uint16_t Field16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t Field32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return Field16(bytes, at) | (static_cast<std::uint32_t>(Field16(bytes, at + 2)) << 16);
}

std::uint32_t BigEndianField32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return modParsers::SwapLongBytes(Field32(bytes, at));
}

// 0 stands for 256 in the directory's size bytes.
std::int32_t SizeFromByte(std::uint8_t value) {
    return value == 0 ? 256 : value;
}

bool SizeToByte(std::uint32_t size, std::uint8_t& value) {
    if (size < 1 || size > 256) {
        return false;
    }
    value = static_cast<std::uint8_t>(size == 256 ? 0 : size);
    return true;
}

std::int16_t BitCountFromPngHeader(std::uint8_t depth, std::uint8_t colorType) {
    if (depth == 16) {
        return 32;
    }
    if (depth == 0) {
        return 0;
    }
    if (colorType == 4 || colorType == 6) {
        return 32;
    }
    return colorType == 2 ? 24 : depth;
}

}  // namespace

Expected<DecodedImage, Error> IcoDecoder::Decode(ByteReader& reader, const DecodeRequest& request) {
    IcoDecoder decoder;
    const Status directory = decoder.ReadDirectory(reader);
    if (!directory) {
        return directory.Error();
    }
    const std::int32_t chosen = decoder.ChooseEntry(request);
    if (chosen == 0) {
        return Error::NoImage();
    }
    return decoder.DecodeEntry(chosen, request);
}

const IcoDecoder::IconEntry* IcoDecoder::Entry(std::int32_t Index) const {
    if (Index < 1 || Index > IconCount()) {
        return nullptr;
    }
    return &m_Entries[static_cast<std::size_t>(Index - 1)];
}

std::int32_t IcoDecoder::Width(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    return entry == nullptr ? 0 : SizeFromByte(entry->width);
}

std::int32_t IcoDecoder::Height(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    return entry == nullptr ? 0 : SizeFromByte(entry->height);
}

std::int32_t IcoDecoder::bitDepth(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    return entry == nullptr ? 0 : entry->bitCount;
}

bool IcoDecoder::IsIconPNG(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    return entry != nullptr && entry->planes == kPngPlanes;
}

bool IcoDecoder::EntryInStream(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    return entry != nullptr &&
           modParsers::IsInside(m_Stream, entry->imageOffset, entry->bytesInRes);
}

// Sizes come from the real width and height, so that 256-pixel entries get their true rows.
std::int64_t IcoDecoder::MaskSize(std::int32_t Index) const {
    return std::int64_t{modParsers::RowByteWidth(1, Width(Index))} * Height(Index);
}

std::int32_t IcoDecoder::ColorCount(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    if (entry == nullptr || entry->bitCount > 8) {
        return 0;
    }
    const std::int64_t colorBits = std::int64_t{modParsers::RowByteWidth(
                                       static_cast<std::uint8_t>(entry->bitCount), Width(Index))} *
                                   Height(Index);
    const std::uint8_t headerByte =
        entry->imageOffset < m_Stream.size() ? m_Stream[entry->imageOffset] : 0;
    const std::int64_t tableBytes =
        std::int64_t{entry->bytesInRes} - (colorBits + MaskSize(Index) + headerByte);
    return static_cast<std::int32_t>(std::max<std::int64_t>(tableBytes / 4, 0));
}

std::int32_t IcoDecoder::ColorByteOffset(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    if (entry == nullptr) {
        return 0;
    }
    ByteReader reader(m_Stream);
    const auto headerSize = reader.U32(entry->imageOffset);
    if (!headerSize) {
        return 0;
    }
    std::int64_t offset = std::int64_t{entry->imageOffset} + *headerSize;
    if (entry->bitCount >= 1 && entry->bitCount < 16) {
        offset += (std::int64_t{1} << entry->bitCount) * 4;
    }
    return static_cast<std::int32_t>(std::min<std::int64_t>(offset, INT32_MAX));
}

IcoDecoder::Status IcoDecoder::ReadDirectory(ByteReader& reader) {
    m_Entries.clear();
    const auto bytes = reader.Rest(0);
    if (!bytes) {
        return bytes.Error();
    }
    try {
        m_Stream.assign(bytes->begin(), bytes->end());
    } catch (const std::bad_alloc&) {
        return Error::NoMemory(bytes->size());
    }
    const Status entries = ReadEntries();
    if (!entries) {
        m_Entries.clear();
        return entries;
    }
    bool valid = true;
    for (IconEntry& entry : m_Entries) {
        valid = RepairEntry(entry) && valid;
    }
    if (!valid) {
        return Error::BadHeader("a directory entry has no usable image");
    }
    return {};
}

IcoDecoder::Status IcoDecoder::ReadEntries() {
    ByteReader reader(m_Stream);
    const auto header = reader.Read(0, kDirectoryHeader);
    if (!header) {
        return header.Error();
    }
    m_Type = Field16(*header, 2);
    const auto entries = static_cast<std::int16_t>(Field16(*header, 4));
    if (Field16(*header, 0) != 0 || (m_Type != 1 && m_Type != 2) || entries < 1) {
        return Error::NotThisFormat();
    }
    std::int64_t imageBytes = 0;
    for (std::int16_t i = 0; i < entries; ++i) {
        const auto fields =
            reader.Read(static_cast<std::int64_t>(kDirectoryHeader +
                                                  static_cast<std::size_t>(i) * kDirectoryEntry),
                        kDirectoryEntry);
        if (!fields) {
            return fields.Error();
        }
        IconEntry entry;
        entry.width = (*fields)[0];
        entry.height = (*fields)[1];
        entry.planes = Field16(*fields, 4);
        entry.bitCount = static_cast<std::int16_t>(Field16(*fields, 6));
        entry.bytesInRes = Field32(*fields, 8);
        entry.imageOffset = Field32(*fields, 12);
        imageBytes += entry.bytesInRes;
        m_Entries.push_back(entry);
    }
    const std::int64_t directoryEnd = kDirectoryHeader + std::int64_t{entries} * kDirectoryEntry;
    if (directoryEnd + imageBytes > static_cast<std::int64_t>(m_Stream.size())) {
        return Error::Truncated(static_cast<std::int64_t>(m_Stream.size()));
    }
    return {};
}

// Takes the bit count from the image data where it has one; false when the entry is unusable.
bool IcoDecoder::RepairEntry(IconEntry& entry) {
    entry.planes = 1;
    const std::size_t at = std::size_t{entry.imageOffset} + 14;
    const auto value = ByteReader(m_Stream).U16(static_cast<std::int64_t>(at));
    if (!value) {
        return false;
    }
    if (*value == 0) {
        if (entry.bitCount == 0) {
            return false;
        }
        m_Stream[at] = static_cast<std::uint8_t>(entry.bitCount);
        m_Stream[at + 1] =
            static_cast<std::uint8_t>(static_cast<std::uint16_t>(entry.bitCount) >> 8);
        return true;
    }
    if (*value == kPngTagEnd) {
        return InspectPNG(entry);
    }
    entry.bitCount = static_cast<std::int16_t>(*value);
    return true;
}

bool IcoDecoder::InspectPNG(IconEntry& entry) const {
    entry.planes = kPngPlanes;
    ByteReader reader(m_Stream);
    const auto head = reader.Read(entry.imageOffset, kPngHeadBytes);
    if (!head) {
        entry.bitCount = 0;
        return false;
    }
    if (!std::equal(kPngSignature.begin(), kPngSignature.end(), head->begin()) ||
        std::memcmp(head->data() + 12, "IHDR", 4) != 0) {
        return false;
    }
    if (!SizeToByte(BigEndianField32(*head, 16), entry.width) ||
        !SizeToByte(BigEndianField32(*head, 20), entry.height)) {
        entry.bitCount = 0;
    }
    if (entry.bitCount == 0) {
        entry.bitCount = BitCountFromPngHeader((*head)[24], (*head)[25]);
    }
    return entry.bitCount >= 1;
}

std::int32_t IcoDecoder::ChooseEntry(const DecodeRequest& request) const {
    const std::int32_t width = request.iconWidth < 1 ? kDefaultWanted : request.iconWidth;
    const std::int32_t height = request.iconHeight < 1 ? kDefaultWanted : request.iconHeight;
    const std::int32_t depth = request.iconDepth;
    const std::int32_t count = IconCount();
    if (count < 2) {
        return bitDepth(1) != 0 ? 1 : 0;
    }
    std::vector<std::int64_t> scores(static_cast<std::size_t>(count) + 1, 0);
    std::int64_t best = kNoScore;
    std::int32_t choice = 0;
    for (std::int32_t i = 1; i <= count; ++i) {
        if (bitDepth(i) == 0) {
            continue;
        }
        // 64 bits: a wanted size near the 32-bit limit must not overflow when doubled.
        std::int64_t dx = std::int64_t{Width(i)} - width;
        std::int64_t dy = std::int64_t{Height(i)} - height;
        dx = width > Width(i) ? dx * 2 : dx;
        dy = height > Height(i) ? dy * 2 : dy;
        const std::int64_t score =
            bitDepth(i) > 32 ? -kNoScore : dx + dy + std::llabs(std::int64_t{depth} - bitDepth(i));
        scores[static_cast<std::size_t>(i)] = score;
        if (score == 0) {
            return i;
        }
        if (score > 0 && score < best) {
            best = score;
            choice = i;
        }
    }
    if (choice != 0) {
        return choice;
    }
    for (std::int32_t i = count; i >= 1; --i) {
        const std::int64_t score = std::llabs(scores[static_cast<std::size_t>(i)]) +
                                   std::llabs(32 - std::int64_t{bitDepth(i)});
        if (score < best) {
            best = score;
            choice = i;
        }
    }
    return choice == 0 ? 1 : choice;
}

Expected<DecodedImage, Error> IcoDecoder::DecodeEntry(std::int32_t Index,
                                                      const DecodeRequest& request) {
    return IsIconPNG(Index) ? DecodePngEntry(Index, request) : DecodeBitmapEntry(Index);
}

Expected<DecodedImage, Error> IcoDecoder::DecodePngEntry(std::int32_t Index,
                                                         const DecodeRequest& request) const {
    const IconEntry& entry = *Entry(Index);
    if (!EntryInStream(Index)) {
        return Error::Truncated(static_cast<std::int64_t>(m_Stream.size()));
    }
    ByteReader reader(
        std::span<const std::uint8_t>(m_Stream).subspan(entry.imageOffset, entry.bytesInRes));
    auto image = PngDecoder::Decode(reader, request);
    if (image) {
        image->SetImageType(DecodedImage::Type::IconPng);
    }
    return image;
}

Expected<DecodedImage, Error> IcoDecoder::DecodeBitmapEntry(std::int32_t Index) {
    const auto layout = ReadBitmapLayout(Index);
    if (!layout) {
        return layout.Error();
    }
    auto image = DecodedImage::Allocate(layout->header.biWidth, layout->header.biHeight);
    if (!image) {
        return image;
    }
    Status done = ReadEntryColors(*layout, *image);
    if (done) {
        done = layout->header.biBitCount == 32 ? ApplyAlpha(layout->bitsAt, *image)
                                               : ApplyMask(layout->maskAt, *image);
    }
    if (!done) {
        return done.Error();
    }
    return image;
}

// The entry's own header decides its size, depth and colour table: directories that disagree
// with their images are common, and their sizes would cut the rows at the wrong width. The
// header's height counts the colour rows and the mask rows.
Expected<IcoDecoder::BitmapLayout, Error> IcoDecoder::ReadBitmapLayout(std::int32_t Index) const {
    const IconEntry& entry = *Entry(Index);
    const std::size_t at = entry.imageOffset;
    if (!modParsers::IsInside(m_Stream, static_cast<std::int64_t>(at), kInfoHeader)) {
        return Error::Truncated(static_cast<std::int64_t>(m_Stream.size()));
    }
    const std::span<const std::uint8_t> fields =
        std::span<const std::uint8_t>(m_Stream).subspan(at, kInfoHeader);
    BitmapLayout layout;
    gdi::BITMAPINFOHEADER& header = layout.header;
    header.biSize = Field32(fields, 0);
    header.biWidth = static_cast<std::int32_t>(Field32(fields, 4));
    header.biHeight = static_cast<std::int32_t>(Field32(fields, 8)) / 2;
    header.biPlanes = Field16(fields, 12);
    header.biBitCount = Field16(fields, 14);
    header.biCompression = Field32(fields, 16);
    header.biClrUsed = Field32(fields, 32);
    if (header.biSize < kInfoHeader || header.biWidth < 1 || header.biHeight < 1) {
        return Error::BadHeader("an icon image's size is not a picture's");
    }
    const std::int64_t bitsBytes =
        std::int64_t{modParsers::RowByteWidth(static_cast<std::uint8_t>(header.biBitCount),
                                              header.biWidth)} *
        header.biHeight;
    header.biClrUsed = PaletteEntries(entry, header, bitsBytes);
    layout.paletteAt = std::int64_t{entry.imageOffset} + header.biSize;
    layout.bitsAt = layout.paletteAt + std::int64_t{header.biClrUsed} * 4;
    layout.maskAt = layout.bitsAt + bitsBytes;
    return layout;
}

// The header's count when it names one; otherwise the depth's full table, or the shorter one
// that the entry's bytes leave room for.
std::uint32_t IcoDecoder::PaletteEntries(const IconEntry& entry,
                                         const gdi::BITMAPINFOHEADER& header,
                                         std::int64_t bitsBytes) const {
    if (header.biBitCount > 8) {
        return 0;
    }
    const std::uint32_t full = 1u << header.biBitCount;
    if (header.biClrUsed >= 1 && header.biClrUsed <= full) {
        return header.biClrUsed;
    }
    const std::int64_t maskBytes =
        std::int64_t{modParsers::RowByteWidth(1, header.biWidth)} * header.biHeight;
    const std::int64_t room =
        (std::int64_t{entry.bytesInRes} - header.biSize - bitsBytes - maskBytes) / 4;
    return room >= 1 && room < std::int64_t{full} ? static_cast<std::uint32_t>(room) : full;
}

// The entry's colours into the image, alpha bytes 0, through a device bitmap read back at 32
// bits.
IcoDecoder::Status IcoDecoder::ReadEntryColors(const BitmapLayout& layout, DecodedImage& image) {
    const auto palette = ReadPalette(layout);
    if (!palette) {
        return palette.Error();
    }
    if (!modParsers::IsInside(m_Stream, layout.bitsAt, 0)) {
        return Error::Truncated(static_cast<std::int64_t>(m_Stream.size()));
    }
    gdi::UniqueGdiObject bitmap(gdi::CreateDIBitmap(
        layout.header, *palette,
        std::span<const std::uint8_t>(m_Stream).subspan(static_cast<std::size_t>(layout.bitsAt))));
    if (!bitmap) {
        return Error::UnsupportedDepth(layout.header.biBitCount);
    }
    gdi::BITMAPINFO info{};
    info.bmiHeader.biSize = kInfoHeader;
    info.bmiHeader.biWidth = image.Width();
    info.bmiHeader.biHeight = image.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biSizeImage = static_cast<std::uint32_t>(image.Pixels().size());
    if (gdi::GetDIBits(bitmap.Get(), 0, static_cast<unsigned>(image.Height()), image.Pixels(),
                       info) != image.Height()) {
        return Error::BadData("the entry's colour rows cannot be read");
    }
    return {};
}

// The colour table after the header; none above 8 bits.
Expected<std::vector<gdi::RGBQUAD>, Error> IcoDecoder::ReadPalette(
    const BitmapLayout& layout) const {
    const std::size_t entries = layout.header.biClrUsed;
    if (!modParsers::IsInside(m_Stream, layout.paletteAt, static_cast<std::int64_t>(entries) * 4)) {
        return Error::Truncated(static_cast<std::int64_t>(m_Stream.size()));
    }
    std::vector<gdi::RGBQUAD> palette(entries);
    if (entries > 0) {
        std::memcpy(palette.data(), &m_Stream[static_cast<std::size_t>(layout.paletteAt)],
                    entries * 4);
    }
    return palette;
}

IcoDecoder::Status IcoDecoder::ApplyMask(std::int64_t maskAt, DecodedImage& image) const {
    const std::int64_t rowBytes = modParsers::RowByteWidth(1, image.Width());
    if (!modParsers::IsInside(m_Stream, maskAt, rowBytes * image.Height())) {
        return Error::Truncated(static_cast<std::int64_t>(m_Stream.size()));
    }
    bool transparency = false;
    const std::span<std::uint8_t> pixels = image.Pixels();
    for (int y = 0; y < image.Height(); ++y) {
        const std::uint8_t* mask = &m_Stream[static_cast<std::size_t>(maskAt + y * rowBytes)];
        std::uint8_t* pixel = pixels.data() + static_cast<std::size_t>(y) * image.ScanWidth();
        for (int x = 0; x < image.Width(); ++x, pixel += 4) {
            if ((mask[x / 8] >> (7 - x % 8)) & 1) {
                std::fill_n(pixel, 4, std::uint8_t{0});
                transparency = true;
            } else {
                pixel[3] = 255;
            }
        }
    }
    image.SetImageType(m_Type == 1 ? DecodedImage::Type::IconMasked
                                   : DecodedImage::Type::CursorMasked);
    image.SetAlpha(transparency);
    return {};
}

IcoDecoder::Status IcoDecoder::ApplyAlpha(std::int64_t alphaAt, DecodedImage& image) const {
    const std::span<std::uint8_t> pixels = image.Pixels();
    if (!modParsers::IsInside(m_Stream, alphaAt, static_cast<std::int64_t>(pixels.size()))) {
        return Error::Truncated(static_cast<std::int64_t>(m_Stream.size()));
    }
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        const unsigned alpha = m_Stream[static_cast<std::size_t>(alphaAt) + i + 3];
        if (alpha == 0) {
            std::fill_n(&pixels[i], 4, std::uint8_t{0});
            continue;
        }
        if (alpha != 255) {
            for (std::size_t c = i; c < i + 3; ++c) {
                pixels[c] = static_cast<std::uint8_t>(pixels[c] * alpha / 255);
            }
        }
        pixels[i + 3] = static_cast<std::uint8_t>(alpha);
    }
    image.SetImageType(m_Type == 1 ? DecodedImage::Type::IconAlpha
                                   : DecodedImage::Type::CursorAlpha);
    image.SetAlpha(true);
    return {};
}

Expected<DecodedImage, Error> IcoDecoder::FromIconHandle(gdi::HGDIOBJ handle) {
    gdi::ICONINFO parts;
    if (handle == 0 || !gdi::GetIconInfo(handle, parts)) {
        return Error::NoImage();
    }
    const gdi::UniqueGdiObject mask(parts.hbmMask);
    const gdi::UniqueGdiObject color(parts.hbmColor);
    m_Type = parts.fIcon ? 1 : 0;
    m_Entries.assign(1, IconEntry{});
    m_Entries[0].bitCount = 1;
    Expected<DecodedImage, Error> image = Error::NoImage();
    if (color) {
        image = ReadIconColors(color.Get());
        if (!image) {
            m_Entries.clear();
            return image;
        }
        if (m_Entries[0].bitCount != 1) {
            return image;
        }
    }
    const Status masked = ApplyIconMask(mask.Get(), color ? 0 : handle, image);
    if (!masked) {
        m_Entries.clear();
        return masked.Error();
    }
    return image;
}

// Judged and premultiplied when any pixel carries alpha; then the mask is not needed.
Expected<DecodedImage, Error> IcoDecoder::ReadIconColors(gdi::HBITMAP color) {
    gdi::BITMAP description;
    if (!gdi::GetObject(color, description)) {
        return Error::NoImage();
    }
    auto image = DecodedImage::Allocate(description.bmWidth, description.bmHeight);
    if (!image) {
        return image;
    }
    gdi::BITMAPINFO info{};
    info.bmiHeader.biBitCount = 32;
    gdi::GetDIBits(color, 0, static_cast<unsigned>(image->Height()), image->Pixels(), info);
    const std::span<std::uint8_t> pixels = image->Pixels();
    bool anyAlpha = false;
    for (std::size_t i = 3; i < pixels.size(); i += 4) {
        anyAlpha = anyAlpha || pixels[i] != 0;
    }
    if (anyAlpha) {
        m_Entries[0].bitCount = 32;
        bool hasAlpha = false;
        std::int32_t imageType = 0;
        modParsers::JudgeAlphaChannel(pixels, true, hasAlpha, imageType);
        image->SetImageType(m_Type == 1 ? DecodedImage::Type::IconAlpha
                                        : DecodedImage::Type::CursorAlpha);
        image->SetAlpha(true);
    }
    return image;
}

// The AND mask read as 1-bit rows into the private stream, described as entry 1 at offset 0,
// and applied. A monochrome icon (given as monochromeIcon) is first drawn at half its mask's
// height, the AND half lying on top of the XOR half: only the AND half is read.
IcoDecoder::Status IcoDecoder::ApplyIconMask(gdi::HBITMAP mask, gdi::HGDIOBJ monochromeIcon,
                                             Expected<DecodedImage, Error>& image) {
    gdi::BITMAP description;
    if (!gdi::GetObject(mask, description)) {
        return Error::NoImage();
    }
    if (monochromeIcon != 0) {
        image = DecodedImage::Allocate(description.bmWidth, description.bmHeight / 2);
        if (!image) {
            return image.Error();
        }
        const DrawingCanvas canvas(*image);
        gdi::DrawIcon(canvas.Dc(), 0, 0, monochromeIcon);
    }
    if (!image) {
        return image.Error();
    }
    const int rows = std::min(image->Height(), description.bmHeight);
    if (rows < 1) {
        return Error::NoImage();
    }
    m_Stream.assign(static_cast<std::size_t>(modParsers::RowByteWidth(1, description.bmWidth)) *
                        static_cast<std::size_t>(rows),
                    0);
    gdi::BITMAPINFO info{};
    info.bmiHeader.biBitCount = 1;
    const auto firstScan = static_cast<unsigned>(description.bmHeight - rows);
    if (gdi::GetDIBits(mask, firstScan, static_cast<unsigned>(rows), m_Stream, info) != rows) {
        return Error::BadData("the icon's mask cannot be read");
    }
    IconEntry& entry = m_Entries[0];
    entry.width = static_cast<std::uint8_t>(description.bmWidth);
    entry.height = static_cast<std::uint8_t>(rows);
    entry.bytesInRes = static_cast<std::uint32_t>(m_Stream.size());
    entry.planes = 1;
    return ApplyMask(0, *image);
}
