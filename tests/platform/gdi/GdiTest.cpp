#include "platform/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/SystemColors.h"
#include "platform/gdi/UniqueGdiObject.h"
#include "support/TestSurface.h"

namespace gdi {
namespace {

TEST(Gdi, ContextsStartWithTheStockBitmapAndABitmapLivesInOneContextAtATime) {
    UniqueGdiObject bitmap(TestSurface::NewBitmap(2, 2, 24));
    UniqueGdiObject first(CreateCompatibleDC());
    UniqueGdiObject second(CreateCompatibleDC());
    EXPECT_EQ(GetCurrentBitmap(first.Get()), StockBitmap());
    EXPECT_EQ(SelectObject(first.Get(), bitmap.Get()), StockBitmap());
    EXPECT_EQ(SelectObject(second.Get(), bitmap.Get()), 0u);
    EXPECT_EQ(SelectObject(first.Get(), StockBitmap()), bitmap.Get());
    EXPECT_EQ(SelectObject(second.Get(), bitmap.Get()), StockBitmap());
}

TEST(Gdi, DeletingASelectedBitmapLeavesItsContextWithTheStockBitmap) {
    UniqueGdiObject dc(CreateCompatibleDC());
    const HBITMAP bitmap = TestSurface::NewBitmap(2, 2, 24);
    SelectObject(dc.Get(), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(GetCurrentBitmap(dc.Get()), StockBitmap());
    EXPECT_FALSE(DeleteObject(bitmap)) << "a handle is gone once deleted";
    EXPECT_EQ(BitmapFromHandle(bitmap), nullptr);
}

TEST(Gdi, DeletingAContextKeepsItsBitmap) {
    UniqueGdiObject bitmap(TestSurface::NewBitmap(2, 2, 24));
    const HDC dc = CreateCompatibleDC();
    SelectObject(dc, bitmap.Get());
    EXPECT_TRUE(DeleteDC(dc));
    UniqueGdiObject other(CreateCompatibleDC());
    EXPECT_EQ(SelectObject(other.Get(), bitmap.Get()), StockBitmap());
}

TEST(Gdi, UnknownHandlesFailEverywhere) {
    const HGDIOBJ bogus = 0x7FFFFFF0;
    BITMAP description;
    std::vector<std::uint8_t> bits(64);
    BITMAPINFO info{};
    info.bmiHeader.biBitCount = 24;
    EXPECT_FALSE(DeleteObject(0));
    EXPECT_FALSE(DeleteObject(bogus));
    EXPECT_FALSE(DeleteObject(StockBitmap()));
    EXPECT_FALSE(DeleteDC(StockBitmap()));
    EXPECT_EQ(SelectObject(bogus, StockBitmap()), 0u);
    EXPECT_FALSE(GetObject(bogus, description));
    EXPECT_FALSE(FillRect(bogus, {0, 0, 1, 1}, 0));
    EXPECT_FALSE(BitBlt(bogus, 0, 0, 1, 1, bogus, 0, 0));
    EXPECT_EQ(GetPixel(bogus, 0, 0), CLR_INVALID);
    EXPECT_EQ(GetDIBits(bogus, 0, 1, bits, info), 0);
}

TEST(Gdi, ImpossibleSectionsAreRefused) {
    BITMAPINFOHEADER header;
    header.biWidth = 4;
    header.biHeight = 4;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = 1;  // run-length encoded sections do not exist
    std::uint8_t* bits = reinterpret_cast<std::uint8_t*>(1);
    EXPECT_EQ(CreateDIBSection(header, {}, &bits), 0u);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(TestSurface::NewBitmap(0, 4, 24), 0u);
    EXPECT_EQ(TestSurface::NewBitmap(4, -4, 24), 0u);
    EXPECT_EQ(TestSurface::NewBitmap(4, 4, 12), 0u);
}

TEST(Gdi, FillIsClippedAndTranslatesSystemColours) {
    TestSurface surface(4, 3, 24);
    EXPECT_TRUE(FillRect(surface.dc.Get(), {-5, 1, 2, 99}, Rgb(1, 2, 3)));
    EXPECT_EQ(GetPixel(surface.dc.Get(), 0, 0), 0u);
    EXPECT_EQ(GetPixel(surface.dc.Get(), 0, 1), Rgb(1, 2, 3));
    EXPECT_EQ(GetPixel(surface.dc.Get(), 1, 2), Rgb(1, 2, 3));
    EXPECT_EQ(GetPixel(surface.dc.Get(), 2, 2), 0u);
    EXPECT_TRUE(FillRect(surface.dc.Get(), {0, 0, 4, 3}, SystemColors::kSystemColorFlag | 15));
    EXPECT_EQ(GetPixel(surface.dc.Get(), 3, 2), Rgb(212, 208, 200));
    EXPECT_EQ(GetPixel(surface.dc.Get(), 4, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(surface.dc.Get(), 0, -1), CLR_INVALID);
}

TEST(Gdi, SystemColoursResolveAndOtherValuesKeepTheirColourBytes) {
    EXPECT_EQ(SystemColors::TranslateColor(0x80000005), Rgb(255, 255, 255));
    EXPECT_EQ(SystemColors::TranslateColor(0x80000012), Rgb(0, 0, 0));
    EXPECT_EQ(SystemColors::TranslateColor(0x8000001E), Rgb(212, 208, 200));
    EXPECT_EQ(SystemColors::TranslateColor(0x8000001F), 0u) << "past the last system colour";
    EXPECT_EQ(SystemColors::TranslateColor(0x01FF00FF), Rgb(255, 0, 255));
}

TEST(Gdi, CopiesAreClippedAtBothEnds) {
    TestSurface source(3, 3, 24);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            FillRect(source.dc.Get(), {x, y, x + 1, y + 1}, Rgb(x * 10 + 1, y * 10 + 1, 0));
        }
    }
    TestSurface target(3, 3, 24);
    EXPECT_TRUE(BitBlt(target.dc.Get(), -1, 1, 3, 5, source.dc.Get(), 0, -1));
    // Target (0,1) <- source (1,-1) is outside the source; target (0,2) <- source (1,0).
    EXPECT_EQ(GetPixel(target.dc.Get(), 0, 1), 0u);
    EXPECT_EQ(GetPixel(target.dc.Get(), 0, 2), Rgb(11, 1, 0));
    EXPECT_EQ(GetPixel(target.dc.Get(), 1, 2), Rgb(21, 1, 0));
    EXPECT_EQ(GetPixel(target.dc.Get(), 2, 2), 0u);
    EXPECT_TRUE(BitBlt(target.dc.Get(), 5, 5, 2, 2, source.dc.Get(), 0, 0)) << "nothing to copy";
}

TEST(Gdi, CopiesConvertBetweenDepths) {
    TestSurface deep(2, 1, 32);
    Bitmap* pixels = BitmapOfDC(deep.dc.Get());
    pixels->WritePixel(0, 0, {51, 52, 50, 80});
    pixels->WritePixel(1, 0, {240, 5, 250, 255});
    TestSurface deepCopy(2, 1, 32);
    BitBlt(deepCopy.dc.Get(), 0, 0, 2, 1, deep.dc.Get(), 0, 0);
    EXPECT_EQ(BitmapOfDC(deepCopy.dc.Get())->ReadPixel(0, 0), (Bgra{51, 52, 50, 80}));

    TestSurface palette(2, 1, 8);
    BitBlt(palette.dc.Get(), 0, 0, 2, 1, deep.dc.Get(), 0, 0);
    EXPECT_EQ(GetPixel(palette.dc.Get(), 1, 0), Rgb(255, 0, 255));
    EXPECT_EQ(GetPixel(palette.dc.Get(), 0, 0), Rgb(51, 51, 51));

    BitBlt(deepCopy.dc.Get(), 0, 0, 2, 1, palette.dc.Get(), 0, 0);
    EXPECT_EQ(BitmapOfDC(deepCopy.dc.Get())->ReadPixel(1, 0), (Bgra{255, 0, 255, 0}));
}

TEST(Gdi, TransparentCopySkipsTheColourAsTheSourceHoldsIt) {
    TestSurface source(3, 1, 8);
    FillRect(source.dc.Get(), {0, 0, 2, 1}, Rgb(250, 10, 250));  // held as magenta
    FillRect(source.dc.Get(), {2, 0, 3, 1}, Rgb(0, 0, 255));
    TestSurface target(3, 1, 24);
    FillRect(target.dc.Get(), {0, 0, 3, 1}, Rgb(7, 7, 7));
    EXPECT_TRUE(
        TransparentBlt(target.dc.Get(), 0, 0, 3, 1, source.dc.Get(), 0, 0, Rgb(250, 10, 250)));
    EXPECT_EQ(GetPixel(target.dc.Get(), 0, 0), Rgb(7, 7, 7));
    EXPECT_EQ(GetPixel(target.dc.Get(), 1, 0), Rgb(7, 7, 7));
    EXPECT_EQ(GetPixel(target.dc.Get(), 2, 0), Rgb(0, 0, 255));
}

TEST(Gdi, ConvertedRowsComeBottomRowFirstWithTheirColourTable) {
    TestSurface surface(3, 2, 32);
    FillRect(surface.dc.Get(), {0, 0, 3, 1}, Rgb(255, 0, 0));  // top row
    FillRect(surface.dc.Get(), {0, 1, 3, 2}, Rgb(0, 0, 255));  // bottom row
    BITMAPINFO info{};
    info.bmiHeader.biBitCount = 4;
    EXPECT_EQ(GetDIBits(surface.bitmap.Get(), 0, 2, {}, info), 1);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 8u);
    std::vector<std::uint8_t> bits(8, 0xEE);
    std::vector<std::uint8_t> tooSmall(7);
    EXPECT_EQ(GetDIBits(surface.bitmap.Get(), 0, 2, tooSmall, info), 0);
    ASSERT_EQ(GetDIBits(surface.bitmap.Get(), 0, 2, bits, info), 2);
    EXPECT_EQ(bits[0], 0xCC);  // blue is entry 12
    EXPECT_EQ(bits[1], 0xC0);
    EXPECT_EQ(bits[4], 0x99);  // red is entry 9
    EXPECT_EQ(info.bmiColors[13].rgbRed, 255);
    EXPECT_EQ(info.bmiColors[13].rgbGreen, 0);
    EXPECT_EQ(info.bmiColors[13].rgbBlue, 255);

    info.bmiHeader.biBitCount = 16;
    std::vector<std::uint8_t> words(16);
    ASSERT_EQ(GetDIBits(surface.bitmap.Get(), 1, 5, words, info), 1) << "clipped to the height";
    EXPECT_EQ(words[0] | (words[1] << 8), 0x7C00);
    info.bmiHeader.biBitCount = 2;
    EXPECT_EQ(GetDIBits(surface.bitmap.Get(), 0, 2, words, info), 0);
}

}  // namespace
}  // namespace gdi
