// SPDX-License-Identifier: MIT
#include "platform/gdi/Bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/gdi/ColorTables.h"
#include "support/TestSurface.h"

namespace gdi {
namespace {

TEST(Bitmap, RowsArePaddedToFourBytesAndImpossibleOrTooLargeBitmapsAreRefused) {
    // Width, bit count, bytes a row.
    const std::tuple<int, int, std::size_t> cases[] = {
        {1, 1, 4},   {32, 1, 4},     {33, 1, 8}, {160, 1, 20},  {3, 4, 4},
        {9, 4, 8},   {3, 8, 4},      {5, 8, 8},  {1, 16, 4},    {3, 16, 8},
        {3, 24, 12}, {160, 24, 480}, {1, 32, 4}, {160, 32, 640}};
    for (const auto& [width, bitCount, bytes] : cases) {
        EXPECT_EQ(Bitmap::RowBytes(width, bitCount), bytes) << width << " px at " << bitCount;
    }
    // Every picture becomes a 32-bit image, so 256 MiB at 4 bytes a pixel bounds bitmaps of every
    // depth: 64 Mi pixels pass, one row or column more is refused before any memory is taken.
    // Width, height, bit count; then whether it is created.
    const int sizes[][4] = {
        {8192, 8192, 32, 1},   {8192, 8193, 32, 0},      {0, 1, 24, 0},
        {1, 0, 24, 0},         {-4, 4, 24, 0},           {4, 4, 2, 0},
        {4, 4, 0, 0},          {8192, 8192, 1, 1},       {8192, 8193, 1, 0},
        {8193, 8192, 1, 0},    {65536, 1024, 4, 1},      {65536, 1025, 4, 0},
        {67108864, 1, 1, 1},   {67108865, 1, 1, 0},      {1, 67108865, 8, 0},
        {16384, 4097, 8, 0},   {8192, 8193, 16, 0},      {8193, 8192, 24, 0},
        {0x4D00000D, 1, 1, 0}, {INT_MAX, INT_MAX, 1, 0}, {INT_MAX, INT_MAX, 32, 0}};
    for (const auto& [width, height, bitCount, created] : sizes) {
        EXPECT_EQ(Bitmap::Create(width, height, bitCount) != nullptr, created == 1)
            << width << "x" << height << "x" << bitCount;
    }
}

TEST(Bitmap, NewPixelsAreZeroRowsBottomUpAndEachDepthStoresPixelsItsOwnWay) {
    auto bitmap = Bitmap::Create(2, 3, 24);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->ByteCount(), 24u);
    EXPECT_EQ(std::vector(bitmap->Bits(), bitmap->Bits() + 24), std::vector<std::uint8_t>(24));
    bitmap->WritePixel(1, 0, {1, 2, 3, 0});  // top row, second pixel
    const std::uint8_t* lastRow = bitmap->Bits() + 2 * bitmap->Stride();
    EXPECT_EQ(std::vector(lastRow, lastRow + 8),
              (std::vector<std::uint8_t>{0, 0, 0, 1, 2, 3, 0, 0}));
    // Packed pixels put the leftmost pixel in the high bits; 16 bits are five each, the top bit
    // clear; only 32 bits keep alpha.
    auto mono = Bitmap::Create(9, 1, 1);
    mono->WritePixel(0, 0, Bgra::FromColor(Rgb(255, 255, 255)));
    mono->WritePixel(8, 0, Bgra::FromColor(Rgb(250, 250, 250)));
    EXPECT_EQ(std::vector(mono->Bits(), mono->Bits() + 2), (std::vector<std::uint8_t>{0x80, 0x80}));

    auto sixteen = Bitmap::Create(3, 1, 4);
    sixteen->WritePixel(0, 0, Bgra::FromColor(Rgb(255, 0, 255)));    // entry 13
    sixteen->WritePixel(1, 0, Bgra::FromColor(Rgb(255, 255, 255)));  // entry 15
    sixteen->WritePixel(2, 0, Bgra::FromColor(Rgb(128, 0, 0)));      // entry 1
    EXPECT_EQ(std::vector(sixteen->Bits(), sixteen->Bits() + 2),
              (std::vector<std::uint8_t>{0xDF, 0x10}));
    EXPECT_EQ(std::pair(sixteen->ReadPixel(0, 0).Rgb(), sixteen->ReadPixel(2, 0).Rgb()),
              std::pair(Rgb(255, 0, 255), Rgb(128, 0, 0)));

    auto words = Bitmap::Create(4, 1, 16);
    const COLORREF colors[] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 255)};
    const std::uint16_t expected[] = {0x7C00, 0x03E0, 0x001F, 0x7FFF};
    for (int x = 0; x < 4; ++x) {
        words->WritePixel(x, 0, Bgra::FromColor(colors[x]));
        EXPECT_EQ(words->Bits()[x * 2] | (words->Bits()[x * 2 + 1] << 8), expected[x]);
        EXPECT_EQ(words->ReadPixel(x, 0).Rgb(), colors[x]) << "full intensity reads back full";
    }
    EXPECT_EQ(words->MapColor(Rgb(200, 100, 7)), Rgb(206, 99, 0));

    for (const auto& [bitCount, alpha] : {std::pair{32, 40}, {24, 0}}) {
        auto pixel = Bitmap::Create(1, 1, bitCount);
        pixel->WritePixel(0, 0, {10, 20, 30, 40});
        EXPECT_EQ(pixel->ReadPixel(0, 0), (Bgra{10, 20, 30, std::uint8_t(alpha)}));
    }
}

// Runs that start and end inside a byte, on byte edges, cover a whole row or a single pixel.
constexpr int kRunWidth = 37;
constexpr std::pair<int, int> kRuns[] = {{0, 37}, {0, 1},  {1, 7},  {3, 9}, {7, 2},
                                         {8, 16}, {5, 32}, {36, 1}, {17, 0}};

std::uint8_t PatternByte(std::size_t i) {
    return static_cast<std::uint8_t>(i * 151 + 17);
}

TEST(Bitmap, RowRunsReadAndWriteExactlyAsSinglePixelsDo) {
    for (const int bitCount : {1, 4, 8, 16, 24, 32}) {
        const auto source = Bitmap::Create(kRunWidth, 2, bitCount);
        for (std::size_t i = 0; i < source->ByteCount(); ++i) {
            source->Bits()[i] = PatternByte(i);
        }
        for (const auto& [x, count] : kRuns) {
            std::vector<Bgra> run(static_cast<std::size_t>(count));
            source->ReadRow(x, 1, run);
            for (int i = 0; i < count; ++i) {
                EXPECT_EQ(run[static_cast<std::size_t>(i)], source->ReadPixel(x + i, 1))
                    << bitCount << " bits, run " << x << "+" << count << ", pixel " << i;
            }
            // Written back over other pixels, only the run's own pixels change, as they would
            // one by one.
            const auto byRow = Bitmap::Create(kRunWidth, 2, bitCount);
            const auto byPixel = Bitmap::Create(kRunWidth, 2, bitCount);
            std::fill_n(byRow->Bits(), byRow->ByteCount(), std::uint8_t{0xA5});
            std::fill_n(byPixel->Bits(), byPixel->ByteCount(), std::uint8_t{0xA5});
            std::vector<Bgra> colors(run.size());
            for (std::size_t i = 0; i < colors.size(); ++i) {
                colors[i] = {PatternByte(3 * i), PatternByte(3 * i + 1), PatternByte(3 * i + 2),
                             PatternByte(i + 99)};
                byPixel->WritePixel(x + static_cast<int>(i), 0, colors[i]);
            }
            byRow->WriteRow(x, 0, colors);
            EXPECT_TRUE(
                std::equal(byRow->Bits(), byRow->Bits() + byRow->ByteCount(), byPixel->Bits()))
                << bitCount << " bits, run " << x << "+" << count;
        }
    }
}

TEST(ColorTables, TablesHaveTheirSizesAndDistinctGreysAndTheNearestEntryWins) {
    EXPECT_EQ((std::array{ColorTables::ForBitCount(1).size(), ColorTables::ForBitCount(4).size(),
                          ColorTables::ForBitCount(8).size(), ColorTables::ForBitCount(16).size()}),
              (std::array<std::size_t, 4>{2, 16, 256, 0}));
    const auto table = ColorTables::ForBitCount(8);
    std::set<COLORREF> greys;
    const auto isGrey = [](const RGBQUAD& e) {
        return e.rgbRed == e.rgbGreen && e.rgbRed == e.rgbBlue;
    };
    // The last 24 entries are different greys, none of them a grey of the entries before.
    for (std::size_t i = 232; i < 256; ++i) {
        EXPECT_TRUE(isGrey(table[i]) && greys.insert(table[i].rgbRed).second) << i;
    }
    for (std::size_t i = 0; i < 232; ++i) {
        EXPECT_FALSE(isGrey(table[i]) && greys.count(table[i].rgbRed) != 0) << i;
    }
    // The picker colours being exact entries of 16 and 256 is shown by the saved strips' test.
    // Otherwise the nearest entry wins, ties going to the lower index.
    const std::tuple<int, COLORREF, int> cases[] = {{4, Rgb(250, 5, 250), 13},
                                                    {4, Rgb(100, 100, 100), 8},
                                                    {1, Rgb(127, 127, 127), 0},
                                                    {1, Rgb(128, 128, 128), 1}};
    for (const auto& [bitCount, colour, index] : cases) {
        EXPECT_EQ(ColorTables::NearestIndex(ColorTables::ForBitCount(bitCount), colour), index);
    }
    const RGBQUAD& entry = table[ColorTables::NearestIndex(table, Rgb(52, 101, 150))];
    EXPECT_EQ((std::array{entry.rgbRed, entry.rgbGreen, entry.rgbBlue}),
              (std::array<std::uint8_t, 3>{51, 102, 153}));
}

}  // namespace
}  // namespace gdi
