#include "codecs/cICOparser.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "codecs/cPNGparser.h"
#include "codecs/modParsers.h"
#include "image/c32bppDIB.h"
#include "platform/gdi/DibReader.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"

namespace {

constexpr std::size_t kDirectoryHeader = 6;
constexpr std::size_t kDirectoryEntry = 16;
constexpr std::size_t kInfoHeader = 40;
constexpr std::uint16_t kPngTagEnd = 0x5244;  // "DR", the end of "IHDR" read little-endian
constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 0x50, 0x4E, 0x47,
                                                       0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::int32_t kDefaultWanted = 32;
constexpr std::int32_t kNoScore = 10000;

void PutUInt32(std::vector<std::uint8_t>& bytes, std::size_t position, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[position + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

bool ReadBigEndian(std::span<const std::uint8_t> bytes, std::size_t position,
                   std::uint32_t& value) {
    std::uint32_t raw = 0;
    if (!modParsers::ReadUInt32(bytes, position, raw)) {
        return false;
    }
    value = modParsers::SwapLongBytes(raw);
    return true;
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

const cICOparser::IconEntry* cICOparser::Entry(std::int32_t Index) const {
    if (Index < 1 || Index > IconCount()) {
        return nullptr;
    }
    return &m_Entries[static_cast<std::size_t>(Index - 1)];
}

std::int32_t cICOparser::Width(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    return entry == nullptr ? 0 : SizeFromByte(entry->width);
}

std::int32_t cICOparser::Height(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    return entry == nullptr ? 0 : SizeFromByte(entry->height);
}

std::int32_t cICOparser::bitDepth(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    return entry == nullptr ? 0 : entry->bitCount;
}

bool cICOparser::IsIconPNG(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    return entry != nullptr && entry->planes == kPngPlanes;
}

// Sizes come from the real width and height, so that 256-pixel entries get their true rows.
std::int64_t cICOparser::MaskSize(std::int32_t Index) const {
    return std::int64_t{modParsers::RowByteWidth(1, Width(Index))} * Height(Index);
}

std::int32_t cICOparser::ColorCount(std::int32_t Index) const {
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

std::int32_t cICOparser::ColorByteOffset(std::int32_t Index) const {
    const IconEntry* entry = Entry(Index);
    std::uint32_t headerSize = 0;
    if (entry == nullptr || !modParsers::ReadUInt32(m_Stream, entry->imageOffset, headerSize)) {
        return 0;
    }
    std::int64_t offset = std::int64_t{entry->imageOffset} + headerSize;
    if (entry->bitCount >= 1 && entry->bitCount < 16) {
        offset += (std::int64_t{1} << entry->bitCount) * 4;
    }
    return static_cast<std::int32_t>(std::min<std::int64_t>(offset, INT32_MAX));
}

bool cICOparser::LoadStream(std::span<const std::uint8_t> stream, std::int32_t wantedWidth,
                            std::int32_t wantedHeight, c32bppDIB* host, std::int64_t start,
                            std::int64_t& length, std::int32_t wantedBitDepth,
                            std::int32_t /*gdiToken*/) {
    m_Entries.clear();
    start = std::max<std::int64_t>(start, 0);
    if (length == 0) {
        length = static_cast<std::int64_t>(stream.size()) - start;
    }
    std::span<const std::uint8_t> range;
    if (!modParsers::SubRange(stream, start, length, range)) {
        return false;
    }
    m_Stream.assign(range.begin(), range.end());
    if (!ReadDirectory()) {
        m_Entries.clear();
        return false;
    }
    bool valid = true;
    for (IconEntry& entry : m_Entries) {
        valid = RepairEntry(entry) && valid;
    }
    if (!valid) {
        return false;
    }
    if (host == nullptr) {
        return true;
    }
    const std::int32_t chosen =
        ChooseEntry(wantedWidth < 1 ? kDefaultWanted : wantedWidth,
                    wantedHeight < 1 ? kDefaultWanted : wantedHeight, wantedBitDepth);
    if (chosen == 0) {
        return true;
    }
    if (IsIconPNG(chosen)) {
        const IconEntry& entry = *Entry(chosen);
        cPNGparser png;
        const bool result = png.LoadStream(m_Stream, *host, entry.imageOffset, entry.bytesInRes);
        if (host->Handle() != 0) {
            host->SetImageType(11);
        }
        return result;
    }
    if (!DecodeBitmapEntry(chosen, *host)) {
        host->DestroyDIB();
    }
    return true;
}

bool cICOparser::ReadDirectory() {
    std::uint16_t reserved = 1, count = 0;
    if (!modParsers::ReadUInt16(m_Stream, 0, reserved) ||
        !modParsers::ReadUInt16(m_Stream, 2, m_Type) ||
        !modParsers::ReadUInt16(m_Stream, 4, count)) {
        return false;
    }
    const auto entries = static_cast<std::int16_t>(count);
    if (reserved != 0 || (m_Type != 1 && m_Type != 2) || entries < 1) {
        return false;
    }
    const std::int64_t directoryEnd = kDirectoryHeader + std::int64_t{entries} * kDirectoryEntry;
    if (directoryEnd > static_cast<std::int64_t>(m_Stream.size())) {
        return false;
    }
    std::int64_t imageBytes = 0;
    for (std::int16_t i = 0; i < entries; ++i) {
        const std::size_t at = kDirectoryHeader + static_cast<std::size_t>(i) * kDirectoryEntry;
        IconEntry entry;
        std::uint16_t bitCount = 0;
        entry.width = m_Stream[at];
        entry.height = m_Stream[at + 1];
        modParsers::ReadUInt16(m_Stream, at + 4, entry.planes);
        modParsers::ReadUInt16(m_Stream, at + 6, bitCount);
        modParsers::ReadUInt32(m_Stream, at + 8, entry.bytesInRes);
        modParsers::ReadUInt32(m_Stream, at + 12, entry.imageOffset);
        entry.bitCount = static_cast<std::int16_t>(bitCount);
        imageBytes += entry.bytesInRes;
        m_Entries.push_back(entry);
    }
    return directoryEnd + imageBytes <= static_cast<std::int64_t>(m_Stream.size());
}

// Takes the bit count from the image data where it has one; false when the entry is unusable.
bool cICOparser::RepairEntry(IconEntry& entry) {
    entry.planes = 1;
    std::uint16_t value = 0;
    if (!modParsers::ReadUInt16(m_Stream, std::size_t{entry.imageOffset} + 14, value)) {
        return false;
    }
    if (value == 0) {
        if (entry.bitCount == 0) {
            return false;
        }
        const std::size_t at = std::size_t{entry.imageOffset} + 14;
        m_Stream[at] = static_cast<std::uint8_t>(entry.bitCount);
        m_Stream[at + 1] =
            static_cast<std::uint8_t>(static_cast<std::uint16_t>(entry.bitCount) >> 8);
        return true;
    }
    if (value == kPngTagEnd) {
        return InspectPNG(entry);
    }
    entry.bitCount = static_cast<std::int16_t>(value);
    return true;
}

bool cICOparser::InspectPNG(IconEntry& entry) const {
    entry.planes = kPngPlanes;
    const std::size_t at = entry.imageOffset;
    std::uint32_t width = 0, height = 0;
    const bool readable = modParsers::IsInside(m_Stream, at, 26) &&
                          ReadBigEndian(m_Stream, at + 16, width) &&
                          ReadBigEndian(m_Stream, at + 20, height);
    if (!readable) {
        entry.bitCount = 0;
        return false;
    }
    if (!std::equal(kPngSignature.begin(), kPngSignature.end(), m_Stream.begin() + at) ||
        std::memcmp(&m_Stream[at + 12], "IHDR", 4) != 0) {
        return false;
    }
    if (!SizeToByte(width, entry.width) || !SizeToByte(height, entry.height)) {
        entry.bitCount = 0;
    }
    if (entry.bitCount == 0) {
        entry.bitCount = BitCountFromPngHeader(m_Stream[at + 24], m_Stream[at + 25]);
    }
    return entry.bitCount >= 1;
}

std::int32_t cICOparser::ChooseEntry(std::int32_t width, std::int32_t height,
                                     std::int32_t depth) const {
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

bool cICOparser::DecodeBitmapEntry(std::int32_t Index, c32bppDIB& host) {
    if (!host.InitializeDIB(Width(Index), Height(Index)) || !ReadEntryColors(Index, host)) {
        return false;
    }
    return bitDepth(Index) == 32 ? ApplyAlpha(Index, host) : ApplyMask(Index, host);
}

// The entry's colours into the host, alpha bytes 0, through a device bitmap read back at 32 bits.
bool cICOparser::ReadEntryColors(std::int32_t Index, c32bppDIB& host) {
    const IconEntry& entry = *Entry(Index);
    const std::size_t at = entry.imageOffset;
    if (!modParsers::IsInside(m_Stream, at, kInfoHeader)) {
        return false;
    }
    PutUInt32(m_Stream, at + 8, static_cast<std::uint32_t>(Height(Index)));
    PutUInt32(m_Stream, at + 20, 0);
    PutUInt32(m_Stream, at + 24, 0);
    PutUInt32(m_Stream, at + 28, 0);
    PutUInt32(m_Stream, at + 32, static_cast<std::uint32_t>(ColorCount(Index)));
    gdi::BITMAPINFOHEADER header;
    std::uint32_t width = 0, height = 0;
    modParsers::ReadUInt32(m_Stream, at, header.biSize);
    modParsers::ReadUInt32(m_Stream, at + 4, width);
    modParsers::ReadUInt32(m_Stream, at + 8, height);
    modParsers::ReadUInt16(m_Stream, at + 12, header.biPlanes);
    modParsers::ReadUInt16(m_Stream, at + 14, header.biBitCount);
    modParsers::ReadUInt32(m_Stream, at + 16, header.biCompression);
    modParsers::ReadUInt32(m_Stream, at + 32, header.biClrUsed);
    header.biWidth = static_cast<std::int32_t>(width);
    header.biHeight = static_cast<std::int32_t>(height);

    std::vector<gdi::RGBQUAD> palette;
    if (header.biBitCount <= 8) {
        const std::size_t full = std::size_t{1} << header.biBitCount;
        const std::size_t entries =
            header.biClrUsed == 0 ? full : std::min<std::size_t>(header.biClrUsed, full);
        const std::int64_t tableAt = std::int64_t{entry.imageOffset} + header.biSize;
        if (!modParsers::IsInside(m_Stream, tableAt, static_cast<std::int64_t>(entries) * 4)) {
            return false;
        }
        palette.resize(entries);
        std::memcpy(palette.data(), &m_Stream[static_cast<std::size_t>(tableAt)], entries * 4);
    }
    const std::int64_t bitsAt = ColorByteOffset(Index);
    if (!modParsers::IsInside(m_Stream, bitsAt, 0)) {
        return false;
    }
    gdi::UniqueGdiObject bitmap(gdi::CreateDIBitmap(
        header, palette,
        std::span<const std::uint8_t>(m_Stream).subspan(static_cast<std::size_t>(bitsAt))));
    if (!bitmap) {
        return false;
    }
    gdi::BITMAPINFO info{};
    info.bmiHeader.biSize = kInfoHeader;
    info.bmiHeader.biWidth = host.Width();
    info.bmiHeader.biHeight = host.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biSizeImage = static_cast<std::uint32_t>(host.PixelBytes().size());
    return gdi::GetDIBits(bitmap.Get(), 0, static_cast<unsigned>(host.Height()), host.PixelBytes(),
                          info) == host.Height();
}

bool cICOparser::ApplyMask(std::int32_t Index, c32bppDIB& host) const {
    const IconEntry& entry = *Entry(Index);
    const std::int64_t maskAt =
        std::int64_t{entry.imageOffset} + entry.bytesInRes - MaskSize(Index);
    const std::int64_t rowBytes = modParsers::RowByteWidth(1, host.Width());
    if (!modParsers::IsInside(m_Stream, maskAt, rowBytes * host.Height())) {
        return false;
    }
    bool transparency = false;
    const std::span<std::uint8_t> pixels = host.PixelBytes();
    for (int y = 0; y < host.Height(); ++y) {
        const std::uint8_t* mask = &m_Stream[static_cast<std::size_t>(maskAt + y * rowBytes)];
        std::uint8_t* pixel = pixels.data() + static_cast<std::size_t>(y) *
                                                  static_cast<std::size_t>(host.scanWidth());
        for (int x = 0; x < host.Width(); ++x, pixel += 4) {
            if ((mask[x / 8] >> (7 - x % 8)) & 1) {
                std::fill_n(pixel, 4, std::uint8_t{0});
                transparency = true;
            } else {
                pixel[3] = 255;
            }
        }
    }
    host.SetImageType(m_Type == 1 ? 3 : 5);
    host.SetAlpha(transparency);
    return true;
}

bool cICOparser::ApplyAlpha(std::int32_t Index, c32bppDIB& host) const {
    const std::span<std::uint8_t> pixels = host.PixelBytes();
    const std::int64_t alphaAt = ColorByteOffset(Index);
    if (!modParsers::IsInside(m_Stream, alphaAt, static_cast<std::int64_t>(pixels.size()))) {
        return false;
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
    host.SetImageType(m_Type == 1 ? 8 : 12);
    host.SetAlpha(true);
    return true;
}

bool cICOparser::ConvertstdPicTo32bpp(gdi::HGDIOBJ Handle, c32bppDIB& cHost) {
    gdi::ICONINFO parts;
    if (Handle == 0 || !gdi::GetIconInfo(Handle, parts)) {
        return false;
    }
    const gdi::UniqueGdiObject mask(parts.hbmMask);
    const gdi::UniqueGdiObject color(parts.hbmColor);
    m_Type = parts.fIcon ? 1 : 0;
    m_Entries.assign(1, IconEntry{});
    m_Entries[0].bitCount = 1;
    gdi::BITMAP description;
    if (color && gdi::GetObject(color.Get(), description)) {
        cHost.InitializeDIB(description.bmWidth, description.bmHeight);
        gdi::BITMAPINFO info{};
        info.bmiHeader.biBitCount = 32;
        gdi::GetDIBits(color.Get(), 0, static_cast<unsigned>(cHost.Height()), cHost.PixelBytes(),
                       info);
        const std::span<std::uint8_t> pixels = cHost.PixelBytes();
        bool anyAlpha = false;
        for (std::size_t i = 3; i < pixels.size(); i += 4) {
            anyAlpha = anyAlpha || pixels[i] != 0;
        }
        if (anyAlpha) {
            m_Entries[0].bitCount = 32;
            bool hasAlpha = false;
            std::int32_t imageType = 0;
            modParsers::JudgeAlphaChannel(pixels, true, hasAlpha, imageType);
            cHost.SetImageType(m_Type == 1 ? 8 : 12);
            cHost.SetAlpha(true);
        }
    } else if (color) {
        m_Entries.clear();
    }
    if (m_Entries.size() == 1 && m_Entries[0].bitCount == 1 &&
        !ApplyIconMask(mask.Get(), color ? 0 : Handle, cHost)) {
        m_Entries.clear();
    }
    return m_Entries.size() == 1;
}

// The AND mask read as 1-bit rows into the private stream, described as entry 1 at offset 0,
// and applied. A monochrome icon (given as monochromeIcon) is first drawn into the host at half
// its mask's height, the AND half lying on top of the XOR half: only the AND half is read.
bool cICOparser::ApplyIconMask(gdi::HBITMAP mask, gdi::HGDIOBJ monochromeIcon, c32bppDIB& host) {
    gdi::BITMAP description;
    if (!gdi::GetObject(mask, description)) {
        return false;
    }
    if (monochromeIcon != 0) {
        if (!host.InitializeDIB(description.bmWidth, description.bmHeight / 2)) {
            return false;
        }
        gdi::DrawIcon(host.LoadDIBinDC(true), 0, 0, monochromeIcon);
        host.LoadDIBinDC(false);
    }
    const int rows = std::min(host.Height(), description.bmHeight);
    m_Stream.assign(static_cast<std::size_t>(modParsers::RowByteWidth(1, description.bmWidth)) *
                        static_cast<std::size_t>(rows),
                    0);
    gdi::BITMAPINFO info{};
    info.bmiHeader.biBitCount = 1;
    const auto firstScan = static_cast<unsigned>(description.bmHeight - rows);
    if (rows < 1 ||
        gdi::GetDIBits(mask, firstScan, static_cast<unsigned>(rows), m_Stream, info) != rows) {
        return false;
    }
    IconEntry& entry = m_Entries[0];
    entry.width = static_cast<std::uint8_t>(description.bmWidth);
    entry.height = static_cast<std::uint8_t>(rows);
    entry.bytesInRes = static_cast<std::uint32_t>(m_Stream.size());
    entry.planes = 1;
    return ApplyMask(1, host);
}
