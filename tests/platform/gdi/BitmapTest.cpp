#include "platform/gdi/Bitmap.h"

#include <gtest/gtest.h>

#include "support/TestSurface.h"

#include <set>

#include "platform/gdi/ColorTables.h"

namespace gdi {
namespace {

struct RowCase {
    int width;
    int bitCount;
    std::size_t bytes;
};

TEST(Bitmap, RowsArePaddedToFourBytes) {
    const RowCase cases[] = {{1, 1, 4},   {32, 1, 4},     {33, 1, 8}, {160, 1, 20},  {3, 4, 4},
                             {9, 4, 8},   {3, 8, 4},      {5, 8, 8},  {1, 16, 4},    {3, 16, 8},
                             {3, 24, 12}, {160, 24, 480}, {1, 32, 4}, {160, 32, 640}};
    for (const RowCase& c : cases) {
        EXPECT_EQ(Bitmap::RowBytes(c.width, c.bitCount), c.bytes)
            << c.width << " px at " << c.bitCount << " bits";
    }
}

TEST(Bitmap, ImpossibleBitmapsAreRefused) {
    EXPECT_EQ(Bitmap::Create(0, 1, 24), nullptr);
    EXPECT_EQ(Bitmap::Create(1, 0, 24), nullptr);
    EXPECT_EQ(Bitmap::Create(-4, 4, 24), nullptr);
    EXPECT_EQ(Bitmap::Create(4, 4, 2), nullptr);
    EXPECT_EQ(Bitmap::Create(4, 4, 0), nullptr);
    // 256 MiB is the most one bitmap may take; one row more is refused before allocating.
    EXPECT_NE(Bitmap::Create(8192, 8192, 32), nullptr);
    EXPECT_EQ(Bitmap::Create(8192, 8193, 32), nullptr);
    EXPECT_EQ(Bitmap::Create(0x7FFFFFFF, 0x7FFFFFFF, 32), nullptr);
}

TEST(Bitmap, NewPixelsAreZeroAndRowsAreBottomUp) {
    auto bitmap = Bitmap::Create(2, 3, 24);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->ByteCount(), 24u);
    for (std::size_t i = 0; i < bitmap->ByteCount(); ++i) {
        ASSERT_EQ(bitmap->Bits()[i], 0);
    }
    bitmap->WritePixel(1, 0, {1, 2, 3, 0});  // top row, second pixel
    const std::uint8_t* lastRow = bitmap->Bits() + 2 * bitmap->Stride();
    EXPECT_EQ(lastRow[3], 1);
    EXPECT_EQ(lastRow[4], 2);
    EXPECT_EQ(lastRow[5], 3);
}

TEST(Bitmap, PackedPixelsPutTheLeftmostPixelInTheHighBits) {
    auto mono = Bitmap::Create(9, 1, 1);
    mono->WritePixel(0, 0, Bgra::FromColor(Rgb(255, 255, 255)));
    mono->WritePixel(8, 0, Bgra::FromColor(Rgb(250, 250, 250)));
    EXPECT_EQ(mono->Bits()[0], 0x80);
    EXPECT_EQ(mono->Bits()[1], 0x80);

    auto sixteen = Bitmap::Create(3, 1, 4);
    sixteen->WritePixel(0, 0, Bgra::FromColor(Rgb(255, 0, 255)));    // entry 13
    sixteen->WritePixel(1, 0, Bgra::FromColor(Rgb(255, 255, 255)));  // entry 15
    sixteen->WritePixel(2, 0, Bgra::FromColor(Rgb(128, 0, 0)));      // entry 1
    EXPECT_EQ(sixteen->Bits()[0], 0xDF);
    EXPECT_EQ(sixteen->Bits()[1], 0x10);
    EXPECT_EQ(sixteen->ReadPixel(0, 0).Rgb(), Rgb(255, 0, 255));
    EXPECT_EQ(sixteen->ReadPixel(2, 0).Rgb(), Rgb(128, 0, 0));
}

TEST(Bitmap, SixteenBitsIsFiveFiveFiveWithTheTopBitClear) {
    auto bitmap = Bitmap::Create(4, 1, 16);
    const COLORREF colors[] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 255)};
    const std::uint16_t words[] = {0x7C00, 0x03E0, 0x001F, 0x7FFF};
    for (int x = 0; x < 4; ++x) {
        bitmap->WritePixel(x, 0, Bgra::FromColor(colors[x]));
        const std::uint8_t* p = bitmap->Bits() + x * 2;
        EXPECT_EQ(p[0] | (p[1] << 8), words[x]);
        EXPECT_EQ(bitmap->ReadPixel(x, 0).Rgb(), colors[x]) << "full intensity reads back full";
    }
    EXPECT_EQ(bitmap->MapColor(Rgb(200, 100, 7)), Rgb(206, 99, 0));
}

TEST(Bitmap, ThirtyTwoBitsKeepsAlphaAndLowerDepthsReadAlphaZero) {
    auto deep = Bitmap::Create(1, 1, 32);
    deep->WritePixel(0, 0, {10, 20, 30, 40});
    EXPECT_EQ(deep->ReadPixel(0, 0), (Bgra{10, 20, 30, 40}));
    auto flat = Bitmap::Create(1, 1, 24);
    flat->WritePixel(0, 0, {10, 20, 30, 40});
    EXPECT_EQ(flat->ReadPixel(0, 0), (Bgra{10, 20, 30, 0}));
}

TEST(ColorTables, TablesHaveTheirSizesAndNoRepeatedGreys) {
    EXPECT_EQ(ColorTables::ForBitCount(1).size(), 2u);
    EXPECT_EQ(ColorTables::ForBitCount(4).size(), 16u);
    EXPECT_EQ(ColorTables::ForBitCount(8).size(), 256u);
    EXPECT_TRUE(ColorTables::ForBitCount(16).empty());
    const auto table = ColorTables::ForBitCount(8);
    std::set<COLORREF> greys;
    for (std::size_t i = 232; i < 256; ++i) {
        const RGBQUAD& entry = table[i];
        EXPECT_EQ(entry.rgbRed, entry.rgbGreen);
        EXPECT_EQ(entry.rgbRed, entry.rgbBlue);
        greys.insert(entry.rgbRed);
    }
    EXPECT_EQ(greys.size(), 24u);
    for (std::size_t i = 0; i < 232; ++i) {
        const RGBQUAD& entry = table[i];
        if (entry.rgbRed == entry.rgbGreen && entry.rgbRed == entry.rgbBlue) {
            EXPECT_EQ(greys.count(entry.rgbRed), 0u) << "grey " << int(entry.rgbRed);
        }
    }
}

TEST(ColorTables, ThePickerColoursAreExactEntriesOfSixteenAndTwoHundredFiftySix) {
    const COLORREF picker[] = {
        Rgb(0, 0, 0),       Rgb(0, 0, 128),   Rgb(0, 128, 0),   Rgb(0, 128, 128),
        Rgb(128, 0, 0),     Rgb(128, 0, 128), Rgb(128, 128, 0), Rgb(192, 192, 192),
        Rgb(128, 128, 128), Rgb(0, 0, 255),   Rgb(0, 255, 0),   Rgb(0, 255, 255),
        Rgb(255, 0, 0),     Rgb(255, 0, 255), Rgb(255, 255, 0), Rgb(255, 255, 255)};
    for (int bitCount : {4, 8}) {
        auto bitmap = Bitmap::Create(1, 1, bitCount);
        for (COLORREF color : picker) {
            EXPECT_EQ(bitmap->MapColor(color), color) << std::hex << color << " at " << bitCount;
        }
    }
}

TEST(ColorTables, NearestEntryWinsAndTiesGoToTheLowerIndex) {
    const auto sixteen = ColorTables::ForBitCount(4);
    EXPECT_EQ(ColorTables::NearestIndex(sixteen, Rgb(250, 5, 250)), 13);
    EXPECT_EQ(ColorTables::NearestIndex(sixteen, Rgb(100, 100, 100)), 8);
    const auto two = ColorTables::ForBitCount(1);
    EXPECT_EQ(ColorTables::NearestIndex(two, Rgb(127, 127, 127)), 0);
    EXPECT_EQ(ColorTables::NearestIndex(two, Rgb(128, 128, 128)), 1);
    const auto cube = ColorTables::ForBitCount(8);
    const std::uint8_t index = ColorTables::NearestIndex(cube, Rgb(52, 101, 150));
    EXPECT_EQ(cube[index].rgbRed, 51);
    EXPECT_EQ(cube[index].rgbGreen, 102);
    EXPECT_EQ(cube[index].rgbBlue, 153);
}

}  // namespace
}  // namespace gdi
