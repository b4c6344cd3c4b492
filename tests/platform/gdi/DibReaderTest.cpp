#include "platform/gdi/DibReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"

namespace gdi {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& name) {
    std::ifstream in(TILEWRIGHT_TEST_SOURCE_DIR "/data/bmp/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// 32-bit little-endian words.
Bytes Words(std::initializer_list<std::uint32_t> words) {
    Bytes out;
    for (std::uint32_t word : words) {
        for (int shift = 0; shift < 32; shift += 8) {
            out.push_back(static_cast<std::uint8_t>(word >> shift));
        }
    }
    return out;
}

struct Header {
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = BI_RGB;
    std::uint32_t clrUsed = 0;
    std::uint32_t size = 40;
    std::uint16_t planes = 1;
};

Bytes InfoHeader(const Header& h) {
    Bytes out =
        Words({h.size, static_cast<std::uint32_t>(h.width), static_cast<std::uint32_t>(h.height),
               h.planes | static_cast<std::uint32_t>(h.bitCount << 16), h.compression, 0, 0, 0,
               h.clrUsed, 0});
    out.resize(h.size, 0);
    return out;
}

// A 52-byte or larger header, which holds its masks at 40.
Bytes HeaderWithMasks(const Header& h, std::initializer_list<std::uint32_t> masks) {
    Bytes header = InfoHeader(h);
    const Bytes words = Words(masks);
    std::copy(words.begin(), words.end(), header.begin() + 40);
    return header;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

Bytes WithFileHeader(const Bytes& packed, std::uint32_t bitsPosition) {
    const auto fileSize = static_cast<std::uint32_t>(packed.size() + 14);
    return Concat({{'B', 'M'}, Words({fileSize, 0, bitsPosition}), packed});
}

// A colour table whose entry i has blue i, so a pixel's blue is its index.
Bytes IndexTable(int entries) {
    Bytes out;
    for (int i = 0; i < entries; ++i) {
        out.insert(out.end(), {static_cast<std::uint8_t>(i), 0, 0, 0});
    }
    return out;
}

std::vector<int> Indices(const Bitmap& bitmap) {
    std::vector<int> out;
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            out.push_back(bitmap.ReadPixel(x, y).b);
        }
    }
    return out;
}

struct FixtureCase {
    const char* name;
    std::uint32_t headerSize;
    int fileBits;
    std::uint32_t compression;
    int bitmapBits;
    int narrow = 0;  // 565 or 4444: channels of fewer than 8 bits
};

// ImageMagick widens narrow channels its own way (repeating the high bits of 5 and 6-bit values,
// shifting 4-bit ones); the reader scales to the nearest byte. The stored level is the top bits
// of ImageMagick's value either way.
std::uint8_t Exact(std::uint8_t widened, int bits) {
    const int max = (1 << bits) - 1;
    const int level = widened >> (8 - bits);
    return static_cast<std::uint8_t>((level * 255 + max / 2) / max);
}

Bgra Expected(const FixtureCase& c, const Bytes& rgb, const Bytes& alpha, std::size_t i) {
    const Bgra stored{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i],
                      alpha.empty() ? std::uint8_t{0} : alpha[i]};
    switch (c.narrow) {
        case 565:
            return {Exact(stored.b, 5), Exact(stored.g, 6), Exact(stored.r, 5), 0};
        case 4444:
            return {Exact(stored.b, 4), Exact(stored.g, 4), Exact(stored.r, 4), Exact(stored.a, 4)};
        default:
            return stored;
    }
}

TEST(DibReader, EveryFixtureMatchesTheIndependentDecoder) {
    const FixtureCase cases[] = {{"d1", 40, 1, 0, 1},
                                 {"d4", 40, 4, 0, 4},
                                 {"d8", 40, 8, 0, 8},
                                 {"d8_short", 40, 8, 0, 8},
                                 {"d16_555", 40, 16, 0, 16},
                                 {"bf16_555_v5", 124, 16, 3, 16},
                                 {"bf16_565_v5", 124, 16, 3, 32, 565},
                                 {"bf16_565_40", 40, 16, 3, 32, 565},
                                 {"bf16_565_52", 52, 16, 3, 32, 565},
                                 {"bf16_4444_v5", 124, 16, 3, 32, 4444},
                                 {"d24", 40, 24, 0, 24},
                                 {"d24_v4", 108, 24, 0, 24},
                                 {"d24_v5", 124, 24, 0, 24},
                                 {"d32", 40, 32, 0, 32},
                                 {"bf32_56", 56, 32, 3, 32},
                                 {"bf32_v4", 108, 32, 3, 32},
                                 {"bf32_v5", 124, 32, 3, 32},
                                 {"rle8", 40, 8, 1, 8},
                                 {"rle4", 40, 4, 2, 4},
                                 {"core4", 12, 4, 0, 4},
                                 {"core24", 12, 24, 0, 24},
                                 {"td24", 40, 24, 0, 24},
                                 {"td8", 40, 8, 0, 8},
                                 {"td32_v5", 124, 32, 3, 32}};
    for (const FixtureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = ReadFile(std::string(c.name) + ".bmp");
        const Bytes rgb = ReadFile(std::string(c.name) + ".rgb");
        const Bytes alpha = ReadFile(std::string(c.name) + ".alpha");
        ASSERT_GT(file.size(), 30u);
        ASSERT_EQ(static_cast<std::uint32_t>(file[14]), c.headerSize);
        ASSERT_EQ(static_cast<int>(file[c.headerSize == 12 ? 24 : 28]), c.fileBits);
        ASSERT_EQ(c.headerSize == 12 ? 0u : file[30], c.compression);
        const auto bitmap = DibReader::ReadBitmapFile(file);
        ASSERT_NE(bitmap, nullptr);
        ASSERT_EQ(bitmap->Width(), 13);
        ASSERT_EQ(bitmap->Height(), 7);
        ASSERT_EQ(bitmap->BitCount(), c.bitmapBits);
        ASSERT_EQ(rgb.size(), 13u * 7 * 3);
        for (std::size_t i = 0; i < 13 * 7; ++i) {
            const Bgra got = bitmap->ReadPixel(static_cast<int>(i % 13), static_cast<int>(i / 13));
            const Bgra want = Expected(c, rgb, alpha, i);
            ASSERT_EQ(got, want) << "pixel " << i;
        }
    }
}

struct RleCase {
    const char* name;
    std::uint32_t compression;
    std::int32_t width;
    Bytes stream;
    std::vector<int> indices;  // top row first; the stream starts at the bottom row
};

TEST(DibReader, RleStreamsDecodeEscapesAndClipAtTheEdges) {
    const RleCase cases[] = {
        {"literal of 3", 1, 4, {2, 5, 0, 0, 0, 3, 7, 8, 9, 0, 0, 1}, {7, 8, 9, 0, 5, 5, 0, 0}},
        {"delta", 1, 4, {1, 1, 0, 2, 2, 1, 1, 3, 0, 1}, {0, 0, 0, 3, 1, 0, 0, 0}},
        {"run past the row", 1, 4, {6, 4, 0, 0, 1, 2, 0, 1}, {2, 0, 0, 0, 4, 4, 4, 4}},
        {"literal past the row", 1, 4, {0, 6, 1, 2, 3, 4, 5, 6, 1, 7}, {0, 0, 0, 0, 1, 2, 3, 4}},
        {"no end of bitmap", 1, 4, {4, 9}, {0, 0, 0, 0, 9, 9, 9, 9}},
        {"rows past the top", 1, 4, {4, 1, 0, 0, 4, 2, 0, 0, 4, 3}, {2, 2, 2, 2, 1, 1, 1, 1}},
        {"literal cut short", 1, 4, {0, 5, 1, 2}, {0, 0, 0, 0, 1, 2, 0, 0}},
        {"delta cut short", 1, 4, {1, 6, 0, 2, 1}, {0, 0, 0, 0, 6, 0, 0, 0}},
        {"rle4 literal of 5",
         2,
         5,
         {0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 3, 0x67, 0, 1},
         {6, 7, 6, 0, 0, 1, 2, 3, 4, 5}},
        {"rle4 delta", 2, 5, {0, 2, 3, 0, 2, 0x9A, 0, 1}, {0, 0, 0, 0, 0, 0, 0, 0, 9, 10}},
        {"rle4 run past the row", 2, 5, {7, 0xBC}, {0, 0, 0, 0, 0, 11, 12, 11, 12, 11}}};
    for (const RleCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint16_t bits = c.compression == 1 ? 8 : 4;
        const Bytes packed =
            Concat({InfoHeader({.width = c.width, .bitCount = bits, .compression = c.compression}),
                    IndexTable(1 << bits), c.stream});
        const auto bitmap = DibReader::ReadPackedDib(packed);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->BitCount(), bits);
        EXPECT_EQ(Indices(*bitmap), c.indices);
    }
}

struct BadCase {
    const char* name;
    Bytes packed;
};

TEST(DibReader, ImpossibleHeadersFail) {
    const Bytes table = IndexTable(256);
    const Bytes pixels(64, 0);
    const auto plain = [&](Header h) { return Concat({InfoHeader(h), table, pixels}); };
    const BadCase cases[] = {
        {"width 0", plain({.width = 0})},
        {"negative width", plain({.width = -2})},
        {"height 0", plain({.height = 0})},
        {"lowest height", plain({.height = INT32_MIN})},
        {"planes 2", plain({.planes = 2})},
        {"header size 64", plain({.size = 64})},
        {"header size 41", plain({.size = 41})},
        {"bit count 2", plain({.bitCount = 2})},
        {"bit count 0", plain({.bitCount = 0})},
        {"jpeg", plain({.compression = 4})},
        {"png", plain({.compression = 5})},
        {"rle8 at 4 bits", plain({.bitCount = 4, .compression = 1})},
        {"rle4 at 8 bits", plain({.compression = 2})},
        {"rle top-down", plain({.height = -2, .compression = 1})},
        {"bit fields at 24 bits", plain({.bitCount = 24, .compression = 3})},
        {"bit fields at 8 bits", plain({.compression = 3})},
        {"257 colours", plain({.clrUsed = 257})},
        {"3 colours at 1 bit", plain({.bitCount = 1, .clrUsed = 3})},
        {"table beyond the data", Concat({InfoHeader({.clrUsed = 200}), IndexTable(10)})},
        {"skipped table beyond the data", plain({.bitCount = 24, .clrUsed = 0xFFFFFFFF})},
        {"non-contiguous red", Concat({InfoHeader({.bitCount = 16, .compression = 3}),
                                       Words({0x0F0F, 0x00F0, 0}), pixels})},
        {"non-contiguous alpha",
         Concat({HeaderWithMasks({.bitCount = 32, .compression = 3, .size = 56},
                                 {0xFF0000, 0xFF00, 0xFF, 0x50000000}),
                 pixels})},
        {"too large", plain({.width = 100000, .height = 100000, .bitCount = 32})}};
    for (const BadCase& c : cases) {
        EXPECT_EQ(DibReader::ReadPackedDib(c.packed), nullptr) << c.name;
        EXPECT_EQ(LoadPackedDib(c.packed), 0u) << c.name;
    }
}

// Every cut of a 2x2 file, from nothing through header, masks and table to the full bits.
TEST(DibReader, ShortDataLoadsOnlyWhenLessThanARowIsMissing) {
    const Bytes rows(8, 0x11);
    const struct {
        Bytes file;
        std::size_t stride;
    } cases[] = {
        {WithFileHeader(Concat({{12, 0, 0, 0, 2, 0, 2, 0, 1, 0, 4, 0}, Bytes(48, 1), rows}), 74),
         4},
        {WithFileHeader(Concat({InfoHeader({.clrUsed = 3}), IndexTable(3), rows}), 66), 4},
        {WithFileHeader(Concat({InfoHeader({.bitCount = 16, .compression = 3}),
                                Words({0xF800, 0x07E0, 0x001F}), rows}),
                        66),
         4},
        {WithFileHeader(Concat({HeaderWithMasks({.bitCount = 32, .compression = 3, .size = 124},
                                                {0xFF0000, 0xFF00, 0xFF, 0xFF000000}),
                                rows, rows}),
                        138),
         8}};
    for (const auto& c : cases) {
        for (std::size_t length = 0; length <= c.file.size(); ++length) {
            const Bytes cut(c.file.begin(), c.file.begin() + static_cast<std::ptrdiff_t>(length));
            const bool loads = length + c.stride > c.file.size();
            EXPECT_EQ(DibReader::ReadBitmapFile(cut) != nullptr, loads)
                << "header " << int{c.file[14]} << ", " << length << " bytes";
        }
    }
}

TEST(DibReader, AMissingLastByteReadsAsZero) {
    Bytes file = WithFileHeader(
        Concat({InfoHeader({.width = 4, .height = 2, .bitCount = 24}), Bytes(24, 0xFF)}), 54);
    file.pop_back();
    const auto bitmap = DibReader::ReadBitmapFile(file);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->ReadPixel(3, 0), (Bgra{255, 255, 0, 0}));
    EXPECT_EQ(bitmap->ReadPixel(3, 1), (Bgra{255, 255, 255, 0}));
}

TEST(DibReader, BitsStartAtThePositionOnlyWhenItLiesPastTheTableAndInsideTheFile) {
    const Bytes packed =
        Concat({InfoHeader({.width = 1, .height = 1, .clrUsed = 2}), IndexTable(2), {1, 0, 0, 0}});
    const Bytes gapped = Concat({InfoHeader({.width = 1, .height = 1, .clrUsed = 2}),
                                 IndexTable(2),
                                 {0, 0, 0, 0, 1, 0, 0, 0}});
    const struct {
        Bytes file;
        int index;
    } cases[] = {
        {WithFileHeader(packed, 0xFFFF), 1},  // outside the file
        {WithFileHeader(packed, 20), 1},      // inside the header
        {WithFileHeader(gapped, 62), 0},      // right after the table
        {WithFileHeader(gapped, 66), 1},      // past a gap
    };
    for (const auto& c : cases) {
        const auto bitmap = DibReader::ReadBitmapFile(c.file);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->ReadPixel(0, 0).b, c.index);
    }
    Bytes notABitmap = WithFileHeader(packed, 62);
    notABitmap[1] = 'N';
    EXPECT_EQ(DibReader::ReadBitmapFile(notABitmap), nullptr);
}

TEST(DibReader, BitFieldsScaleEachChannelToTheNearestByte) {
    const Bytes five65 =
        Concat({InfoHeader({.width = 3, .height = 1, .bitCount = 16, .compression = 3}),
                Words({0xF800, 0x07E0, 0x001F}),
                {0xFF, 0xFF, 0x21, 0x08},
                {0xEF, 0x7B, 0, 0}});
    const auto wide = DibReader::ReadPackedDib(five65);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->BitCount(), 32);
    EXPECT_EQ(wide->ReadPixel(0, 0), (Bgra{255, 255, 255, 0}));
    EXPECT_EQ(wide->ReadPixel(1, 0), (Bgra{8, 4, 8, 0}));
    EXPECT_EQ(wide->ReadPixel(2, 0), (Bgra{123, 125, 123, 0}));

    const Bytes header =
        HeaderWithMasks({.width = 2, .height = 1, .bitCount = 32, .compression = 3, .size = 56},
                        {0x3FF00000, 0x000FFC00, 0, 0xC0000000});
    const auto tenBits = DibReader::ReadPackedDib(
        Concat({header, Words({0xFFFFFFFF, (1u << 30) | (512u << 20) | (1023u << 10)})}));
    ASSERT_NE(tenBits, nullptr);
    EXPECT_EQ(tenBits->ReadPixel(0, 0), (Bgra{0, 255, 255, 255}));
    EXPECT_EQ(tenBits->ReadPixel(1, 0), (Bgra{0, 255, 128, 85}));
}

TEST(DibReader, LoosePartsKeepTheirColoursAndBecomeADeviceBitmapWithoutAlpha) {
    const BITMAPINFOHEADER header{
        .biSize = 40, .biWidth = 2, .biHeight = 2, .biPlanes = 1, .biBitCount = 8, .biClrUsed = 3};
    const RGBQUAD table[] = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}, {1, 2, 3, 0}};
    const Bytes bits = {0, 1, 0, 0, 2, 3, 0, 0};  // bottom row first
    const Bgra want[] = {{70, 80, 90, 0}, {0, 0, 0, 0}, {10, 20, 30, 0}, {40, 50, 60, 0}};

    const auto parts = DibReader::ReadParts(header, table, bits);
    ASSERT_NE(parts, nullptr);
    EXPECT_EQ(parts->BitCount(), 8);
    UniqueGdiObject device(CreateDIBitmap(header, table, bits));
    const Bitmap* screen = BitmapFromHandle(device.Get());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->BitCount(), 32);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(parts->ReadPixel(i % 2, i / 2), want[i]);
        EXPECT_EQ(screen->ReadPixel(i % 2, i / 2), want[i]);
    }
    EXPECT_EQ(CreateDIBitmap(header, table, Bytes(3, 0)), 0u);
}

TEST(DibReader, LoosePartsTakeBitFieldMasksFromTheTableAndDropAlphaOnTheDevice) {
    BITMAPINFOHEADER header{.biWidth = 1, .biHeight = 1, .biBitCount = 32, .biCompression = 3};
    const RGBQUAD masks[] = {{0, 0, 0, 0xFF}, {0, 0, 0xFF, 0}, {0, 0xFF, 0, 0}};
    const Bytes bits = {1, 2, 3, 4};  // red in the top byte, blue in the second
    const auto parts = DibReader::ReadParts(header, masks, bits);
    ASSERT_NE(parts, nullptr);
    EXPECT_EQ(parts->ReadPixel(0, 0), (Bgra{2, 3, 4, 0}));
    EXPECT_EQ(DibReader::ReadParts(header, std::span(masks, 2), bits), nullptr);

    header.biCompression = BI_RGB;
    UniqueGdiObject device(CreateDIBitmap(header, {}, bits));
    ASSERT_NE(BitmapFromHandle(device.Get()), nullptr);
    EXPECT_EQ(BitmapFromHandle(device.Get())->ReadPixel(0, 0), (Bgra{1, 2, 3, 0}));
}

}  // namespace
}  // namespace gdi
