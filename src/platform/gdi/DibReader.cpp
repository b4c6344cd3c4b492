// SPDX-License-Identifier: MIT
#include "platform/gdi/DibReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <limits>
#include <optional>
#include <vector>

#include "platform/gdi/RowChunks.h"

namespace gdi {
namespace {

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint16_t kFileMagic = 0x4D42;  // "BM"
constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kCoreHeaderBytes = 12;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kMaskBytes = 12;
constexpr std::array<std::uint32_t, 3> kMasks555 = {0x7C00, 0x03E0, 0x001F};

using Bytes = std::span<const std::uint8_t>;

// Everything the header, masks and colour table say about the pixels that follow them.
struct DibLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows stored top-down
    int bitCount = 0;
    std::uint32_t compression = BI_RGB;
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
    std::vector<RGBQUAD> colors;
    std::size_t bitsOffset = 0;  // first byte after header, masks and colour table
};

std::optional<std::uint32_t> ReadLe(Bytes bytes, std::size_t offset, std::size_t count) {
    if (offset > bytes.size() || bytes.size() - offset < count) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

std::uint32_t U32(Bytes bytes, std::size_t offset) {
    return ReadLe(bytes, offset, 4).value_or(0);
}
std::uint16_t U16(Bytes bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(ReadLe(bytes, offset, 2).value_or(0));
}
std::int32_t I32(Bytes bytes, std::size_t offset) {
    return static_cast<std::int32_t>(U32(bytes, offset));
}

std::int64_t AbsHeight(const DibLayout& layout) {
    return std::abs(layout.height);
}
bool IsTopDown(const DibLayout& layout) {
    return layout.height < 0;
}
int OutputHeight(const DibLayout& layout) {
    return static_cast<int>(AbsHeight(layout));
}
int OutputWidth(const DibLayout& layout) {
    return static_cast<int>(layout.width);
}

bool IsContiguous(std::uint32_t mask) {
    const std::uint32_t run = mask >> std::countr_zero(mask | 0x80000000u);
    return (run & (run + 1)) == 0;
}

bool CompressionFits(const DibLayout& layout) {
    switch (layout.compression) {
        case BI_RGB:
            return true;
        case kRle8:
            return layout.bitCount == 8 && !IsTopDown(layout);
        case kRle4:
            return layout.bitCount == 4 && !IsTopDown(layout);
        case kBitFields:
            return (layout.bitCount == 16 || layout.bitCount == 32) &&
                   std::all_of(layout.masks.begin(), layout.masks.end(), IsContiguous);
        default:
            return false;
    }
}

bool IsValid(const DibLayout& layout) {
    return layout.width >= 1 && layout.width <= std::numeric_limits<std::int32_t>::max() &&
           layout.height != 0 && AbsHeight(layout) <= std::numeric_limits<std::int32_t>::max() &&
           Bitmap::IsSupportedBitCount(layout.bitCount) && CompressionFits(layout);
}

std::size_t PaletteSize(int bitCount) {
    return bitCount <= 8 ? std::size_t{1} << bitCount : 0;
}

// Reads `count` entries of `entryBytes` (3: B G R triples, 4: RGBQUADs) and pads the table with
// black to the depth's full size, so that no default table slips in.
bool ReadColors(Bytes dib, std::size_t offset, std::size_t count, std::size_t entryBytes,
                DibLayout& layout) {
    if (offset > dib.size() || (dib.size() - offset) / entryBytes < count) {
        return false;
    }
    layout.colors.assign(PaletteSize(layout.bitCount), RGBQUAD{});
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = dib.data() + offset + i * entryBytes;
        layout.colors[i] = {entry[0], entry[1], entry[2], 0};
    }
    layout.bitsOffset = offset + count * entryBytes;
    return true;
}

// The core header has no colour count: bits that start inside the full-size table mean that
// the table is shorter, and holds as many triples as fit before them.
std::size_t CoreTableEntries(int bitCount, std::optional<std::size_t> bitsAt) {
    const std::size_t full = PaletteSize(bitCount);
    if (!bitsAt || *bitsAt < kCoreHeaderBytes || *bitsAt >= kCoreHeaderBytes + 3 * full) {
        return full;
    }
    return (*bitsAt - kCoreHeaderBytes) / 3;
}

std::optional<DibLayout> ParseCoreHeader(Bytes dib, std::optional<std::size_t> bitsAt) {
    if (dib.size() < kCoreHeaderBytes || U16(dib, 8) != 1) {
        return std::nullopt;
    }
    DibLayout layout;
    layout.width = U16(dib, 4);
    layout.height = U16(dib, 6);
    layout.bitCount = U16(dib, 10);
    if (!IsValid(layout) ||
        !ReadColors(dib, kCoreHeaderBytes, CoreTableEntries(layout.bitCount, bitsAt), 3, layout)) {
        return std::nullopt;
    }
    return layout;
}

// Where the masks of a bit-field bitmap end: after the header, or after the 12 bytes that follow
// a 40-byte header. Zero when they do not fit.
std::size_t ReadMasks(Bytes dib, std::size_t headerBytes, DibLayout& layout) {
    const std::size_t end =
        headerBytes == kInfoHeaderBytes ? kInfoHeaderBytes + kMaskBytes : headerBytes;
    if (dib.size() < end) {
        return 0;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        layout.masks[i] = U32(dib, kInfoHeaderBytes + 4 * i);
    }
    layout.masks[3] = headerBytes >= 56 ? U32(dib, 52) : 0;
    return end;
}

std::optional<DibLayout> ParseInfoHeader(Bytes dib, std::size_t headerBytes) {
    if (dib.size() < headerBytes || U16(dib, 12) != 1) {
        return std::nullopt;
    }
    DibLayout layout;
    layout.width = I32(dib, 4);
    layout.height = I32(dib, 8);
    layout.bitCount = U16(dib, 14);
    layout.compression = U32(dib, 16);
    const std::uint64_t used = U32(dib, 32);
    std::size_t tableStart = headerBytes;
    if (layout.compression == kBitFields) {
        tableStart = ReadMasks(dib, headerBytes, layout);
    }
    if (tableStart == 0 || !IsValid(layout)) {
        return std::nullopt;
    }
    const std::size_t palette = PaletteSize(layout.bitCount);
    if (palette == 0) {
        // Deeper bitmaps may still carry a table for palette devices; it is skipped.
        if (used * 4 > dib.size() - tableStart) {
            return std::nullopt;
        }
        layout.bitsOffset = tableStart + static_cast<std::size_t>(used) * 4;
        return layout;
    }
    if (used > palette || !ReadColors(dib, tableStart, used == 0 ? palette : used, 4, layout)) {
        return std::nullopt;
    }
    return layout;
}

// `bitsAt`: where the file header says the bits start, counted from the start of the header.
std::optional<DibLayout> ParseHeader(Bytes dib, std::optional<std::size_t> bitsAt = std::nullopt) {
    const std::uint32_t headerBytes = U32(dib, 0);
    switch (headerBytes) {
        case kCoreHeaderBytes:
            return ParseCoreHeader(dib, bitsAt);
        case 40:
        case 52:
        case 56:
        case 108:
        case 124:
            return ParseInfoHeader(dib, headerBytes);
        default:
            return std::nullopt;
    }
}

// The bits may end early by less than one row: the missing bytes read as 0.
bool BitsAreLongEnough(const DibLayout& layout, std::size_t available) {
    const std::uint64_t stride = Bitmap::RowBytes(OutputWidth(layout), layout.bitCount);
    const std::uint64_t rows = static_cast<std::uint64_t>(AbsHeight(layout));
    if (stride > Bitmap::kMaxPixelBytes / rows) {
        return false;
    }
    return available + stride > stride * rows;
}

// Row `row` of the stored bits (in storage order); a row cut short is completed with zeros.
Bytes StoredRow(Bytes bits, std::size_t stride, std::size_t row,
                std::vector<std::uint8_t>& scratch) {
    const std::size_t start = row * stride;
    if (start <= bits.size() && bits.size() - start >= stride) {
        return bits.subspan(start, stride);
    }
    scratch.assign(stride, 0);
    if (start < bits.size()) {
        std::copy(bits.begin() + static_cast<std::ptrdiff_t>(start), bits.end(), scratch.begin());
    }
    return scratch;
}

// Picture row (0 = top) of the storage row `row`.
int PictureRow(const DibLayout& layout, std::size_t row) {
    const int index = static_cast<int>(row);
    return IsTopDown(layout) ? index : OutputHeight(layout) - 1 - index;
}

std::unique_ptr<Bitmap> CopyRows(const DibLayout& layout, Bytes bits) {
    auto bitmap =
        Bitmap::Create(OutputWidth(layout), OutputHeight(layout), layout.bitCount, layout.colors);
    if (!bitmap) {
        return nullptr;
    }
    const std::size_t stride = bitmap->Stride();
    // New pixels are zero, so of a row cut short only the bytes present are copied, and rows past
    // the data are left as they are.
    for (std::size_t row = 0; row < static_cast<std::size_t>(bitmap->Height()); ++row) {
        const std::size_t start = row * stride;
        if (start >= bits.size()) {
            break;
        }
        const std::size_t fromBottom =
            static_cast<std::size_t>(bitmap->Height() - 1 - PictureRow(layout, row));
        std::copy_n(bits.begin() + static_cast<std::ptrdiff_t>(start),
                    std::min(stride, bits.size() - start), bitmap->Bits() + fromBottom * stride);
    }
    return bitmap;
}

std::uint8_t ScaleChannel(std::uint32_t word, std::uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const std::uint64_t max = mask >> shift;
    const std::uint64_t value = (word & mask) >> shift;
    return static_cast<std::uint8_t>((value * 255 + max / 2) / max);
}

Bgra ExtractPixel(std::uint32_t word, const std::array<std::uint32_t, 4>& masks) {
    return {ScaleChannel(word, masks[2]), ScaleChannel(word, masks[1]),
            ScaleChannel(word, masks[0]), ScaleChannel(word, masks[3])};
}

std::unique_ptr<Bitmap> ExpandBitFields(const DibLayout& layout, Bytes bits) {
    auto bitmap = Bitmap::Create(OutputWidth(layout), OutputHeight(layout), 32);
    if (!bitmap) {
        return nullptr;
    }
    const std::size_t pixelBytes = static_cast<std::size_t>(layout.bitCount) / 8;
    const std::size_t stride = Bitmap::RowBytes(bitmap->Width(), layout.bitCount);
    std::vector<std::uint8_t> scratch;
    std::vector<Bgra> buffer(RowChunkBufferSize(bitmap->Width()));
    // A missing word expands to a zero pixel, which new pixels already are.
    for (std::size_t row = 0;
         row < static_cast<std::size_t>(bitmap->Height()) && row * stride < bits.size(); ++row) {
        const Bytes source = StoredRow(bits, stride, row, scratch);
        ForEachRowChunk(bitmap->Width(), [&](int first, int count) {
            for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
                const std::size_t x = static_cast<std::size_t>(first) + i;
                const std::uint32_t word = ReadLe(source, x * pixelBytes, pixelBytes).value_or(0);
                buffer[i] = ExtractPixel(word, layout.masks);
            }
            bitmap->WriteRow(first, PictureRow(layout, row),
                             std::span(buffer).first(static_cast<std::size_t>(count)));
        });
    }
    return bitmap;
}

// Decoding state of an RLE8 or RLE4 stream; y counts rows from the bottom, as the stream does.
struct RleCursor {
    Bitmap& bitmap;
    Bytes input;
    std::size_t pos = 0;
    std::int64_t x = 0;
    std::int64_t y = 0;
};

void PutIndex(RleCursor& cursor, unsigned index) {
    Bitmap& bitmap = cursor.bitmap;
    if (cursor.x < bitmap.Width() && cursor.y < bitmap.Height()) {
        const std::size_t x = static_cast<std::size_t>(cursor.x);
        std::uint8_t* row = bitmap.Bits() + static_cast<std::size_t>(cursor.y) * bitmap.Stride();
        if (bitmap.BitCount() == 8) {
            row[x] = static_cast<std::uint8_t>(index);
        } else {
            const int shift = x % 2 == 0 ? 4 : 0;
            row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & ~(0x0F << shift)) |
                                                   ((index & 0x0F) << shift));
        }
    }
    ++cursor.x;
}

// Pixel `i` of a run whose bytes are `value`: RLE4 packs two pixels, high nibble first.
unsigned RunPixel(const Bitmap& bitmap, std::uint8_t value, std::size_t i) {
    if (bitmap.BitCount() == 8) {
        return value;
    }
    return i % 2 == 0 ? value >> 4 : value & 0x0Fu;
}

void EncodedRun(RleCursor& cursor, std::size_t count, std::uint8_t value) {
    // Pixels past the row's end are dropped, so there is no need to walk them.
    const std::int64_t room = std::max<std::int64_t>(cursor.bitmap.Width() - cursor.x, 0);
    const std::size_t written = std::min(count, static_cast<std::size_t>(room));
    for (std::size_t i = 0; i < written; ++i) {
        PutIndex(cursor, RunPixel(cursor.bitmap, value, i));
    }
    cursor.x += static_cast<std::int64_t>(count - written);
}

void AbsoluteRun(RleCursor& cursor, std::size_t count) {
    const bool fourBit = cursor.bitmap.BitCount() == 4;
    const std::size_t bytes = fourBit ? (count + 1) / 2 : count;
    const std::size_t available = std::min(bytes, cursor.input.size() - cursor.pos);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t byte = fourBit ? i / 2 : i;
        if (byte >= available) {
            break;
        }
        PutIndex(cursor, RunPixel(cursor.bitmap, cursor.input[cursor.pos + byte], i));
    }
    // Absolute runs are padded to a 16-bit boundary.
    cursor.pos = std::min(cursor.pos + bytes + bytes % 2, cursor.input.size());
}

void Delta(RleCursor& cursor) {
    if (cursor.input.size() - cursor.pos < 2) {
        cursor.pos = cursor.input.size();
        return;
    }
    cursor.x += cursor.input[cursor.pos];
    cursor.y += cursor.input[cursor.pos + 1];
    cursor.pos += 2;
}

// One escape other than end of bitmap: end of line, delta or an absolute run.
void Escape(RleCursor& cursor, std::uint8_t code) {
    switch (code) {
        case 0:
            cursor.x = 0;
            ++cursor.y;
            break;
        case 2:
            Delta(cursor);
            break;
        default:
            AbsoluteRun(cursor, code);
    }
}

std::unique_ptr<Bitmap> DecodeRle(const DibLayout& layout, Bytes bits) {
    auto bitmap =
        Bitmap::Create(OutputWidth(layout), OutputHeight(layout), layout.bitCount, layout.colors);
    if (!bitmap) {
        return nullptr;
    }
    RleCursor cursor{*bitmap, bits};
    constexpr std::uint8_t kEndOfBitmap = 1;
    while (cursor.y < bitmap->Height() && cursor.input.size() - cursor.pos >= 2) {
        const std::uint8_t count = bits[cursor.pos];
        const std::uint8_t value = bits[cursor.pos + 1];
        cursor.pos += 2;
        if (count != 0) {
            EncodedRun(cursor, count, value);
        } else if (value == kEndOfBitmap) {
            break;
        } else {
            Escape(cursor, value);
        }
    }
    return bitmap;
}

bool Is555(const DibLayout& layout) {
    return layout.bitCount == 16 &&
           std::equal(kMasks555.begin(), kMasks555.end(), layout.masks.begin());
}

std::unique_ptr<Bitmap> Decode(const DibLayout& layout, Bytes bits) {
    if (layout.compression == kRle8 || layout.compression == kRle4) {
        return DecodeRle(layout, bits);
    }
    if (!BitsAreLongEnough(layout, bits.size())) {
        return nullptr;
    }
    if (layout.compression == kBitFields && !Is555(layout)) {
        return ExpandBitFields(layout, bits);
    }
    return CopyRows(layout, bits);
}

std::uint32_t MaskFromEntry(const RGBQUAD& entry) {
    return static_cast<std::uint32_t>(entry.rgbBlue) |
           (static_cast<std::uint32_t>(entry.rgbGreen) << 8) |
           (static_cast<std::uint32_t>(entry.rgbRed) << 16) |
           (static_cast<std::uint32_t>(entry.rgbReserved) << 24);
}

// The masks of loose parts travel as the first three colour-table entries.
bool TakeMasksFromTable(std::span<const RGBQUAD> colorTable, DibLayout& layout) {
    if (colorTable.size() < 3) {
        return false;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        layout.masks[i] = MaskFromEntry(colorTable[i]);
    }
    return true;
}

void TakeColorsFromTable(const BITMAPINFOHEADER& header, std::span<const RGBQUAD> colorTable,
                         DibLayout& layout) {
    const std::size_t palette = PaletteSize(layout.bitCount);
    const std::size_t claimed = header.biClrUsed == 0 ? palette : header.biClrUsed;
    const std::size_t count = std::min({colorTable.size(), claimed, palette});
    layout.colors.assign(palette, RGBQUAD{});
    std::copy_n(colorTable.begin(), count, layout.colors.begin());
}

}  // namespace

std::unique_ptr<Bitmap> DibReader::ReadBitmapFile(std::span<const std::uint8_t> file) {
    if (file.size() < kFileHeaderBytes || U16(file, 0) != kFileMagic) {
        return nullptr;
    }
    const std::size_t position = U32(file, 10);
    const std::optional<DibLayout> layout = ParseHeader(
        file.subspan(kFileHeaderBytes),
        position >= kFileHeaderBytes ? std::optional(position - kFileHeaderBytes) : std::nullopt);
    if (!layout) {
        return nullptr;
    }
    const std::size_t tableEnd = kFileHeaderBytes + layout->bitsOffset;
    const std::size_t start = position < file.size() && position >= tableEnd ? position : tableEnd;
    return Decode(*layout, file.subspan(start));
}

std::unique_ptr<Bitmap> DibReader::ReadPackedDib(std::span<const std::uint8_t> packed) {
    const std::optional<DibLayout> layout = ParseHeader(packed);
    if (!layout) {
        return nullptr;
    }
    return Decode(*layout, packed.subspan(layout->bitsOffset));
}

std::unique_ptr<Bitmap> DibReader::ReadParts(const BITMAPINFOHEADER& header,
                                             std::span<const RGBQUAD> colorTable,
                                             std::span<const std::uint8_t> bits) {
    DibLayout layout;
    layout.width = header.biWidth;
    layout.height = header.biHeight;
    layout.bitCount = header.biBitCount;
    layout.compression = header.biCompression;
    if (layout.compression == kBitFields && !TakeMasksFromTable(colorTable, layout)) {
        return nullptr;
    }
    if ((layout.compression != BI_RGB && layout.compression != kBitFields) || !IsValid(layout)) {
        return nullptr;
    }
    TakeColorsFromTable(header, colorTable, layout);
    return Decode(layout, bits);
}

HBITMAP LoadBitmapFile(std::span<const std::uint8_t> file) {
    return HandleTable::Insert(DibReader::ReadBitmapFile(file));
}

HBITMAP LoadPackedDib(std::span<const std::uint8_t> packed) {
    return HandleTable::Insert(DibReader::ReadPackedDib(packed));
}

HBITMAP CreateDIBitmap(const BITMAPINFOHEADER& header, std::span<const RGBQUAD> colorTable,
                       std::span<const std::uint8_t> bits) {
    const std::unique_ptr<Bitmap> source = DibReader::ReadParts(header, colorTable, bits);
    if (!source) {
        return 0;
    }
    auto device = Bitmap::Create(source->Width(), source->Height(), 32);
    if (!device) {
        return 0;
    }
    std::vector<Bgra> buffer(RowChunkBufferSize(source->Width()));
    for (int y = 0; y < source->Height(); ++y) {
        ForEachRowChunk(source->Width(), [&](int x, int count) {
            const std::span<Bgra> pixels = std::span(buffer).first(static_cast<std::size_t>(count));
            source->ReadRow(x, y, pixels);
            for (Bgra& pixel : pixels) {
                pixel.a = 0;
            }
            device->WriteRow(x, y, pixels);
        });
    }
    return HandleTable::Insert(std::move(device));
}

}  // namespace gdi
