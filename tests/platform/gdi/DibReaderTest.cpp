// SPDX-License-Identifier: MIT
#include "platform/gdi/DibReader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"
#include "support/HostPixel.h"

namespace gdi {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Fixture(const std::string& name) {
    return testsupport::ReadFileBytes(TILEWRIGHT_TEST_SOURCE_DIR "/data/bmp/" + name);
}

// 32-bit words, little-endian in files as on the hosts we build for.
Bytes Words(std::initializer_list<std::uint32_t> words) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(words.begin());
    return Bytes(bytes, bytes + words.size() * 4);
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Header {
    std::int32_t width = 2, height = 2;
    std::uint32_t bitCount = 8, compression = BI_RGB, clrUsed = 0, size = 40, planes = 1;
};

// Headers of 52 bytes or more hold their masks at 40.
Bytes InfoHeader(const Header& h, std::initializer_list<std::uint32_t> masks = {}) {
    Bytes out =
        Words({h.size, static_cast<std::uint32_t>(h.width), static_cast<std::uint32_t>(h.height),
               h.planes | (h.bitCount << 16), h.compression, 0, 0, 0, h.clrUsed, 0});
    out = out + Words(masks);
    out.resize(std::max<std::size_t>(h.size, out.size()), 0);
    return out;
}

Bytes WithFileHeader(const Bytes& packed, std::uint32_t bitsPosition, std::uint8_t m = 'M') {
    return Bytes{'B', m} +
           Words({static_cast<std::uint32_t>(packed.size() + 14), 0, bitsPosition}) + packed;
}

// Entry i has blue i, so a pixel's blue is its index.
Bytes IndexTable(int entries) {
    Bytes out;
    for (int i = 0; i < entries; ++i) {
        out.insert(out.end(), {static_cast<std::uint8_t>(i), 0, 0, 0});
    }
    return out;
}

// ImageMagick, which made the fixtures, widens narrow channels its own way; the reader scales to
// the nearest byte. The stored level is the top bits of ImageMagick's value either way.
std::uint8_t Exact(std::uint8_t widened, int bits) {
    const int max = (1 << bits) - 1;
    return static_cast<std::uint8_t>(((widened >> (8 - bits)) * 255 + max / 2) / max);
}

// Every pixel, top row first.
std::vector<Bgra> Pixels(const Bitmap& bitmap) {
    std::vector<Bgra> out;
    for (int i = 0; i < bitmap.Width() * bitmap.Height(); ++i) {
        out.push_back(bitmap.ReadPixel(i % bitmap.Width(), i / bitmap.Width()));
    }
    return out;
}

TEST(DibReader, EveryFixtureMatchesTheIndependentDecoder) {
    // Each name with the bit count it reads as; 565 and 4444 read as 32 bits of narrow channels.
    std::istringstream cases(
        "d1 1 d4 4 d8 8 d8_short 8 d16_555 16 bf16_555_v5 16 bf16_565_v5 565 bf16_565_40 565 "
        "bf16_565_52 565 bf16_4444_v5 4444 d24 24 d24_v4 24 d24_v5 24 d32 32 bf32_56 32 bf32_v4 32 "
        "bf32_v5 32 rle8 8 rle4 4 core4 4 core24 24 td24 24 td8 8 td32_v5 32");
    std::string name;
    for (int bits = 0; cases >> name >> bits;) {
        SCOPED_TRACE(name);
        const int narrow = bits > 32 ? bits : 0;
        const Bytes rgb = Fixture(name + ".rgb"), alpha = Fixture(name + ".alpha");
        const auto bitmap = DibReader::ReadBitmapFile(Fixture(name + ".bmp"));
        ASSERT_NE(bitmap, nullptr);
        ASSERT_EQ(rgb.size(), 13u * 7 * 3);
        ASSERT_EQ((std::array{bitmap->Width(), bitmap->Height(), bitmap->BitCount()}),
                  (std::array{13, 7, narrow != 0 ? 32 : bits}));
        for (std::size_t i = 0; i < 13 * 7; ++i) {
            Bgra want{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i],
                      alpha.empty() ? std::uint8_t{0} : alpha[i]};
            if (narrow != 0) {
                const int rb = narrow == 565 ? 5 : 4;
                want = {Exact(want.b, rb), Exact(want.g, narrow == 565 ? 6 : 4), Exact(want.r, rb),
                        narrow == 565 ? std::uint8_t{0} : Exact(want.a, 4)};
            }
            ASSERT_EQ(bitmap->ReadPixel(static_cast<int>(i % 13), static_cast<int>(i / 13)), want)
                << "pixel " << i;
        }
    }
}

TEST(DibReader, RleStreamsDecodeEscapesAndClipAtTheEdgesAndImpossibleHeadersFail) {
    // 8-bit streams are 4 wide, 4-bit ones 5 wide; indices are top row first, the stream starts
    // at the bottom row.
    const std::tuple<std::uint16_t, Bytes, std::vector<int>> cases[] = {
        {8, {2, 5, 0, 0, 0, 3, 7, 8, 9, 0, 0, 1}, {7, 8, 9, 0, 5, 5, 0, 0}},  // literal of 3
        {8, {1, 1, 0, 2, 2, 1, 1, 3, 0, 1}, {0, 0, 0, 3, 1, 0, 0, 0}},        // delta
        {8, {6, 4, 0, 0, 1, 2, 0, 1}, {2, 0, 0, 0, 4, 4, 4, 4}},              // run past the row
        {8, {0, 6, 1, 2, 3, 4, 5, 6, 1, 7}, {0, 0, 0, 0, 1, 2, 3, 4}},  // literal past the row
        {8, {4, 9}, {0, 0, 0, 0, 9, 9, 9, 9}},                          // no end of bitmap
        {8, {4, 1, 0, 0, 4, 2, 0, 0, 4, 3}, {2, 2, 2, 2, 1, 1, 1, 1}},  // rows past the top
        {8, {0, 5, 1, 2}, {0, 0, 0, 0, 1, 2, 0, 0}},                    // literal cut short
        {8, {1, 6, 0, 2, 1}, {0, 0, 0, 0, 6, 0, 0, 0}},                 // delta cut short
        {4, {0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 3, 0x67, 0, 1}, {6, 7, 6, 0, 0, 1, 2, 3, 4, 5}},
        {4, {0, 2, 3, 0, 2, 0x9A, 0, 1}, {0, 0, 0, 0, 0, 0, 0, 0, 9, 10}},  // delta
        {4, {7, 0xBC}, {0, 0, 0, 0, 0, 11, 12, 11, 12, 11}}};               // run past the row
    for (const auto& [bits, stream, want] : cases) {
        const Header h{bits == 8 ? 4 : 5, 2, bits, bits == 8 ? 1u : 2u};
        const auto bitmap =
            DibReader::ReadPackedDib(InfoHeader(h) + IndexTable(1 << bits) + stream);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->BitCount(), bits);
        std::vector<int> indices;
        for (const Bgra& pixel : Pixels(*bitmap)) {
            indices.push_back(pixel.b);
        }
        EXPECT_EQ(indices, want) << "stream of " << stream.size() << " bytes";
    }
    // Impossible headers fail.
    const Bytes table = IndexTable(256), pixels(64, 0);
    ASSERT_NE(DibReader::ReadPackedDib(InfoHeader({}) + table + pixels), nullptr) << "the base";
    // Width, height, bit count, compression, colours used, header size, planes.
    const Header headers[] = {
        {0, 2, 8, 0, 0, 40, 1},           {-2, 2, 8, 0, 0, 40, 1},          {2, 0, 8, 0, 0, 40, 1},
        {2, INT32_MIN, 8, 0, 0, 40, 1},   {2, 2, 8, 0, 0, 40, 2},           {2, 2, 8, 0, 0, 64, 1},
        {2, 2, 8, 0, 0, 41, 1},           {2, 2, 2, 0, 0, 40, 1},           {2, 2, 0, 0, 0, 40, 1},
        {2, 2, 8, 4, 0, 40, 1},           {2, 2, 8, 5, 0, 40, 1},           {2, 2, 4, 1, 0, 40, 1},
        {2, 2, 8, 2, 0, 40, 1},           {2, -2, 8, 1, 0, 40, 1},          {2, 2, 24, 3, 0, 40, 1},
        {2, 2, 8, 3, 0, 40, 1},           {2, 2, 8, 0, 257, 40, 1},         {2, 2, 1, 0, 3, 40, 1},
        {2, 2, 24, 0, 0xFFFFFFFF, 40, 1}, {100000, 100000, 32, 0, 0, 40, 1}};
    std::vector<Bytes> impossible = {
        InfoHeader({2, 2, 8, 0, 200}) + IndexTable(10),         // table beyond the data
        InfoHeader({2, 2, 16, 3}, {0x0F0F, 0xF0, 0}) + pixels,  // non-contiguous masks
        InfoHeader({2, 2, 32, 3, 0, 56}, {0xFF0000, 0xFF00, 0xFF, 0x50000000}) + pixels};
    for (const Header& h : headers) {
        impossible.push_back(InfoHeader(h) + table + pixels);
    }
    for (std::size_t i = 0; i < std::size(impossible); ++i) {
        EXPECT_EQ(DibReader::ReadPackedDib(impossible[i]), nullptr) << "case " << i;
        EXPECT_EQ(LoadPackedDib(impossible[i]), 0u) << "case " << i;
    }
}

// Every cut of a 2x2 file, from nothing through header, masks and table to the full bits.
TEST(DibReader, ShortDataLoadsOnlyWhenLessThanARowIsMissingAndTheRestReadsAsZero) {
    const Bytes rows(8, 0x11);
    // Each file with its row length.
    const std::pair<Bytes, std::size_t> cases[] = {
        {WithFileHeader(Bytes{12, 0, 0, 0, 2, 0, 2, 0, 1, 0, 4, 0} + Bytes(48, 1) + rows, 74), 4},
        {WithFileHeader(InfoHeader({2, 2, 8, 0, 3}) + IndexTable(3) + rows, 66), 4},
        {WithFileHeader(InfoHeader({2, 2, 16, 3}, {0xF800, 0x07E0, 0x1F}) + rows, 66), 4},
        {WithFileHeader(
             InfoHeader({2, 2, 32, 3, 0, 124}, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}) + rows + rows,
             138),
         8}};
    for (const auto& [file, stride] : cases) {
        for (std::size_t length = 0; length <= file.size(); ++length) {
            const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_EQ(DibReader::ReadBitmapFile(cut) != nullptr, length + stride > file.size())
                << "header " << int{file[14]} << ", " << length << " bytes";
        }
    }
    // A missing last byte reads as zero.
    Bytes file = WithFileHeader(InfoHeader({4, 2, 24}) + Bytes(24, 0xFF), 54);
    file.pop_back();
    const auto bitmap = DibReader::ReadBitmapFile(file);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(std::pair(bitmap->ReadPixel(3, 0), bitmap->ReadPixel(3, 1)),
              std::pair(Bgra{255, 255, 0, 0}, Bgra{255, 255, 255, 0}));
}

TEST(DibReader, BitsStartAtThePositionOnlyPastTheTableAndInsideTheFileAndCoreTablesEndThere) {
    const Bytes head = InfoHeader({1, 1, 8, 0, 2}) + IndexTable(2);
    const Bytes packed = head + Bytes{1, 0, 0, 0}, gapped = head + Words({0, 1});
    // Outside the file, inside the header, right after the table, past a gap.
    const std::pair<Bytes, int> cases[] = {{WithFileHeader(packed, 0xFFFF), 1},
                                           {WithFileHeader(packed, 20), 1},
                                           {WithFileHeader(gapped, 62), 0},
                                           {WithFileHeader(gapped, 66), 1}};
    for (const auto& [file, index] : cases) {
        const auto bitmap = DibReader::ReadBitmapFile(file);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->ReadPixel(0, 0).b, index);
    }
    EXPECT_EQ(DibReader::ReadBitmapFile(WithFileHeader(packed, 62, 'N')), nullptr);
    // Core headers have no colour count: bits inside the full table mean a shorter table.
    const auto coreFile = [](std::uint8_t bitCount, int entries, std::uint8_t row) {
        Bytes table;
        for (int i = 0; i < entries; ++i) {
            table.insert(table.end(), {static_cast<std::uint8_t>(i), 0x80, 0});
        }
        const Bytes header{12, 0, 0, 0, 2, 0, 1, 0, 1, 0, bitCount, 0};
        const Bytes bits = bitCount == 8 ? Bytes{row, static_cast<std::uint8_t>(row + 1), 0, 0}
                                         : Bytes{row, 0, 0, 0};
        return WithFileHeader(header + table + bits, static_cast<std::uint32_t>(26 + 3 * entries));
    };
    // Each file with its last entry in the first pixel and the first missing one in the second.
    const std::pair<Bytes, std::uint8_t> cores[] = {
        {coreFile(8, 252, 251), 251}, {coreFile(4, 10, 0x9A), 9}, {coreFile(4, 16, 0xF0), 15}};
    for (const auto& [file, last] : cores) {
        SCOPED_TRACE(testing::Message() << file.size() << " bytes");
        const auto bitmap = DibReader::ReadBitmapFile(file);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(Pixels(*bitmap),
                  (std::vector<Bgra>{{last, 0x80, 0, 0},
                                     {0, std::uint8_t(last == 15 ? 0x80 : 0), 0, 0}}));
    }
}

// Bit fields scale each channel to the nearest byte, here ten bits of red and green and two of
// alpha. Loose parts are a header, a table and bits; a device bitmap made from them is 32 bits
// without alpha.
TEST(DibReader, BitFieldsScaleToTheNearestByteAndLoosePartsTakeTheirMasksFromTheTable) {
    const auto tenBits = DibReader::ReadPackedDib(
        InfoHeader({2, 1, 32, 3, 0, 56}, {0x3FF00000, 0x000FFC00, 0, 0xC0000000}) +
        Words({0xFFFFFFFF, (1u << 30) | (512u << 20) | (1023u << 10)}));
    ASSERT_NE(tenBits, nullptr);
    EXPECT_EQ(Pixels(*tenBits), (std::vector<Bgra>{{0, 255, 255, 255}, {0, 255, 128, 85}}));
    BITMAPINFOHEADER header{
        .biSize = 40, .biWidth = 2, .biHeight = 2, .biPlanes = 1, .biBitCount = 8, .biClrUsed = 3};
    const RGBQUAD table[] = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}, {1, 2, 3, 0}};
    const Bytes bits = {0, 1, 0, 0, 2, 3, 0, 0};  // bottom row first
    const std::vector<Bgra> want = {
        {70, 80, 90, 0}, {0, 0, 0, 0}, {10, 20, 30, 0}, {40, 50, 60, 0}};
    const auto parts = DibReader::ReadParts(header, table, bits);
    UniqueGdiObject device(CreateDIBitmap(header, table, bits));
    const Bitmap* made = BitmapFromHandle(device.Get());
    ASSERT_TRUE(parts != nullptr && made != nullptr);
    EXPECT_EQ(std::tuple(parts->BitCount(), Pixels(*parts), made->BitCount(), Pixels(*made)),
              std::tuple(8, want, 32, want));
    EXPECT_EQ(CreateDIBitmap(header, table, Bytes(3, 0)), 0u);

    header = {.biWidth = 1, .biHeight = 1, .biBitCount = 32, .biCompression = 3};
    const RGBQUAD masks[] = {{0, 0, 0, 0xFF}, {0, 0, 0xFF, 0}, {0, 0xFF, 0, 0}};
    const Bytes word = {1, 2, 3, 4};  // red in the top byte, blue in the second
    EXPECT_EQ(Pixels(*DibReader::ReadParts(header, masks, word)),
              (std::vector<Bgra>{{2, 3, 4, 0}}));
    EXPECT_EQ(DibReader::ReadParts(header, std::span(masks, 2), word), nullptr);
    header.biCompression = BI_RGB;
    device.Reset(CreateDIBitmap(header, {}, word));
    ASSERT_NE(BitmapFromHandle(device.Get()), nullptr);
    EXPECT_EQ(BitmapFromHandle(device.Get())->ReadPixel(0, 0), (Bgra{1, 2, 3, 0}));
}

}  // namespace
}  // namespace gdi
