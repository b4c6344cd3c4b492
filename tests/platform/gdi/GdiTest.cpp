// SPDX-License-Identifier: MIT
#include "platform/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/gdi/ImageList.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/UniqueGdiObject.h"
#include "support/TestSurface.h"

namespace gdi {
namespace {

TEST(Gdi, BitmapsLiveInOneContextAtATimeUntilDeletedAndUnknownHandlesFailEverywhere) {
    UniqueGdiObject bitmap(TestSurface::NewBitmap(2, 2, 24));
    UniqueGdiObject first(CreateCompatibleDC()), second(CreateCompatibleDC());
    EXPECT_EQ(GetCurrentBitmap(first.Get()), StockBitmap());
    EXPECT_EQ(SelectObject(first.Get(), bitmap.Get()), StockBitmap());
    EXPECT_EQ(SelectObject(second.Get(), bitmap.Get()), 0u);
    EXPECT_EQ(SelectObject(first.Get(), StockBitmap()), bitmap.Get());
    SelectObject(first.Get(), bitmap.Get());
    EXPECT_TRUE(DeleteDC(first.Release()));
    EXPECT_EQ(SelectObject(second.Get(), bitmap.Get()), StockBitmap());

    // Deleted while selected, it leaves the context; a handle is gone once deleted.
    const HBITMAP selected = bitmap.Release();
    EXPECT_EQ((std::tuple{DeleteObject(selected), GetCurrentBitmap(second.Get()),
                          DeleteObject(selected), BitmapFromHandle(selected)}),
              std::tuple(true, StockBitmap(), false, nullptr));
    // Unknown handles fail everywhere.
    const HGDIOBJ bogus = 0x7FFFFFF0;
    BITMAP description;
    std::vector<std::uint8_t> bits(64);
    BITMAPINFO info{};
    info.bmiHeader.biBitCount = 24;
    EXPECT_EQ(
        (std::array{DeleteObject(0), DeleteObject(bogus), DeleteObject(StockBitmap()),
                    DeleteDC(StockBitmap()), GetObject(bogus, description),
                    FillRect(bogus, {0, 0, 1, 1}, 0), BitBlt(bogus, 0, 0, 1, 1, bogus, 0, 0)}),
        (std::array<bool, 7>{}));
    EXPECT_EQ(std::tuple(SelectObject(bogus, StockBitmap()), GetPixel(bogus, 0, 0),
                         GetDIBits(bogus, 0, 1, bits, info)),
              std::tuple(HGDIOBJ{0}, CLR_INVALID, 0));
    // Sizes and depths are the bitmap's own checks; a section adds no RLE and no top-down rows.
    const BITMAPINFOHEADER rle{
        .biWidth = 4, .biHeight = 4, .biPlanes = 1, .biBitCount = 24, .biCompression = 1};
    std::uint8_t* sectionBits = reinterpret_cast<std::uint8_t*>(1);
    EXPECT_EQ(CreateDIBSection(rle, {}, &sectionBits), 0u);
    EXPECT_EQ(sectionBits, nullptr);
    EXPECT_EQ(TestSurface::NewBitmap(4, -4, 24), 0u);
}

TEST(Gdi, FillIsClippedAndColoursTranslate) {
    TestSurface surface(4, 3, 24);
    EXPECT_TRUE(FillRect(surface.dc.Get(), {-5, 1, 2, 99}, Rgb(1, 2, 3)));
    // Wholly past the right edge, several rows high: fills nothing.
    EXPECT_TRUE(FillRect(surface.dc.Get(), {6, 0, 9, 3}, Rgb(9, 9, 9)));
    const std::tuple<int, int, COLORREF> points[] = {
        {0, 0, 0}, {0, 1, Rgb(1, 2, 3)}, {1, 2, Rgb(1, 2, 3)},
        {2, 2, 0}, {4, 0, CLR_INVALID},  {0, -1, CLR_INVALID}};
    for (const auto& [x, y, colour] : points) {
        EXPECT_EQ(surface.At(x, y), colour) << x << "," << y;
    }
    EXPECT_TRUE(FillRect(surface.dc.Get(), {0, 0, 4, 3}, SystemColors::kSystemColorFlag | 15));
    EXPECT_EQ(surface.At(3, 2), Rgb(212, 208, 200));
    // System colours resolve; past the last one is black; other values keep their colour bytes.
    const std::pair<COLORREF, COLORREF> colours[] = {{0x80000005, Rgb(255, 255, 255)},
                                                     {0x8000001E, Rgb(212, 208, 200)},
                                                     {0x8000001F, 0},
                                                     {0x01FF00FF, Rgb(255, 0, 255)}};
    for (const auto& [value, colour] : colours) {
        EXPECT_EQ(SystemColors::TranslateColor(value), colour) << std::hex << value;
    }
}

TEST(Gdi, CopiesAreClippedAtBothEndsAndConvertBetweenDepths) {
    TestSurface source(3, 3, 24), target(3, 3, 24);
    for (int i = 0; i < 9; ++i) {
        source.Pixels().WritePixel(i % 3, i / 3,
                                   Bgra::FromColor(Rgb(i % 3 * 10 + 1, i / 3 * 10 + 1, 0)));
    }
    EXPECT_TRUE(BitBlt(target.dc.Get(), -1, 1, 3, 5, source.dc.Get(), 0, -1));
    // Target (0,1) <- source (1,-1) is outside the source; target (0,2) <- source (1,0).
    EXPECT_EQ(target.At(0, 1), 0u);
    EXPECT_EQ((std::array{target.At(0, 2), target.At(1, 2), target.At(2, 2)}),
              (std::array<COLORREF, 3>{Rgb(11, 1, 0), Rgb(21, 1, 0), 0}));
    EXPECT_TRUE(BitBlt(target.dc.Get(), 5, 5, 2, 2, source.dc.Get(), 0, 0)) << "nothing to copy";

    TestSurface deep(2, 1, 32), deepCopy(2, 1, 32), palette(2, 1, 8);
    deep.Pixels().WritePixel(0, 0, {51, 52, 50, 80});
    deep.Pixels().WritePixel(1, 0, {240, 5, 250, 255});
    BitBlt(deepCopy.dc.Get(), 0, 0, 2, 1, deep.dc.Get(), 0, 0);
    EXPECT_EQ(deepCopy.Pixels().ReadPixel(0, 0), (Bgra{51, 52, 50, 80}));
    BitBlt(palette.dc.Get(), 0, 0, 2, 1, deep.dc.Get(), 0, 0);
    EXPECT_EQ((std::array{palette.At(0, 0), palette.At(1, 0)}),
              (std::array{Rgb(51, 51, 51), Rgb(255, 0, 255)}));
    BitBlt(deepCopy.dc.Get(), 0, 0, 2, 1, palette.dc.Get(), 0, 0);
    EXPECT_EQ(deepCopy.Pixels().ReadPixel(1, 0), (Bgra{255, 0, 255, 0}));
}

TEST(Gdi, TransparentCopiesSkipTheColourAsTheSourceHoldsItAndWideRowsCopyWhole) {
    TestSurface source(3, 1, 8), target(3, 1, 24);
    source.Fill(Rgb(250, 10, 250));  // held as magenta
    FillRect(source.dc.Get(), {2, 0, 3, 1}, Rgb(0, 0, 255));
    target.Fill(Rgb(7, 7, 7));
    EXPECT_TRUE(
        TransparentBlt(target.dc.Get(), 0, 0, 3, 1, source.dc.Get(), 0, 0, Rgb(250, 10, 250)));
    EXPECT_EQ((std::array{target.At(0, 0), target.At(1, 0), target.At(2, 0)}),
              (std::array{Rgb(7, 7, 7), Rgb(7, 7, 7), Rgb(0, 0, 255)}));

    // Rows are converted in pieces of a few thousand pixels; a row of two and a bit pieces,
    // copied to an odd column, must come through whole, also with pixels skipped.
    constexpr int kWidth = 2 * 4096 + 3;
    TestSurface wide(kWidth, 1, 4), copy(kWidth + 1, 1, 32), skipping(kWidth + 1, 1, 24);
    Bitmap& pixels = wide.Pixels();
    for (std::size_t i = 0; i < pixels.Stride(); ++i) {
        pixels.Bits()[i] = static_cast<std::uint8_t>(i * 7 + i / 5);
    }
    const COLORREF skipped = wide.At(4096, 0);
    copy.Fill(Rgb(1, 2, 3));
    skipping.Fill(Rgb(1, 2, 3));
    EXPECT_TRUE(BitBlt(copy.dc.Get(), 1, 0, kWidth, 1, wide.dc.Get(), 0, 0));
    EXPECT_TRUE(TransparentBlt(skipping.dc.Get(), 1, 0, kWidth, 1, wide.dc.Get(), 0, 0, skipped));
    int kept = 0;
    for (int x = 0; x < kWidth; ++x) {
        const COLORREF color = wide.At(x, 0);
        ASSERT_EQ(copy.At(x + 1, 0), color) << x;
        ASSERT_EQ(skipping.At(x + 1, 0), color == skipped ? Rgb(1, 2, 3) : color) << x;
        kept += color == skipped ? 0 : 1;
    }
    EXPECT_EQ(std::tuple(copy.At(0, 0), kept > 0, kept < kWidth),
              std::tuple(Rgb(1, 2, 3), true, true));
}

TEST(Gdi, ConvertedRowsComeBottomRowFirstWithTheirColourTable) {
    TestSurface surface(3, 2, 32);
    surface.Fill(Rgb(0, 0, 255));                              // bottom row stays blue
    FillRect(surface.dc.Get(), {0, 0, 3, 1}, Rgb(255, 0, 0));  // top row
    BITMAPINFO info{};
    info.bmiHeader.biBitCount = 4;
    const HBITMAP bitmap = surface.bitmap.Get();
    // Asked without room, it gives the size; too little room gives nothing.
    std::vector<std::uint8_t> bits(8, 0xEE), tooSmall(7);
    ASSERT_EQ(
        (std::tuple{GetDIBits(bitmap, 0, 2, {}, info), info.bmiHeader.biSizeImage,
                    GetDIBits(bitmap, 0, 2, tooSmall, info), GetDIBits(bitmap, 0, 2, bits, info)}),
        std::tuple(1, 8u, 0, 2));
    // Blue is entry 12, red entry 9; the padding is zero.
    EXPECT_EQ(bits, (std::vector<std::uint8_t>{0xCC, 0xC0, 0, 0, 0x99, 0x90, 0, 0}));
    const RGBQUAD magenta = info.bmiColors[13];
    EXPECT_EQ((std::array{magenta.rgbRed, magenta.rgbGreen, magenta.rgbBlue}),
              (std::array<std::uint8_t, 3>{255, 0, 255}));

    info.bmiHeader.biBitCount = 16;
    std::vector<std::uint8_t> words(16);
    ASSERT_EQ(GetDIBits(bitmap, 1, 5, words, info), 1) << "clipped to the height";
    EXPECT_EQ(words[0] | (words[1] << 8), 0x7C00);
    info.bmiHeader.biBitCount = 2;
    EXPECT_EQ(GetDIBits(bitmap, 0, 2, words, info), 0);
}

TEST(ImageList, FlagsChooseTheFormat) {
    constexpr unsigned kMask = ImageList::ILC_MASK;
    // Flags and the bit count they give; 0: no list.
    const std::pair<unsigned, int> cases[] = {
        {kMask, 4},       {4 | kMask, 4}, {8 | kMask, 8}, {16 | kMask, 16}, {24 | kMask, 24},
        {32 | kMask, 32}, {32, 32},       {2 | kMask, 0}, {12, 0},          {0xFE, 0}};
    for (const auto& [flags, bitCount] : cases) {
        UniqueGdiObject list(ImageList::Create(16, 16, flags));
        EXPECT_EQ(list ? ImageList::FromHandle(list.Get())->BitCount() : 0, bitCount) << flags;
    }
    EXPECT_EQ(ImageList::Create(0, 16, 32), 0u);
    EXPECT_EQ(ImageList::Create(16, -1, 32), 0u);
}

TEST(ImageList, ShortBitmapsAndImagesBeyondTheMostAddNothingAndTheCountCanOnlyShrink) {
    UniqueGdiObject list(ImageList::Create(2, 4, 24 | ImageList::ILC_MASK));
    UniqueGdiObject shortBitmap(CreateCompatibleBitmap(8, 3)), bitmap(CreateCompatibleBitmap(6, 4));
    ImageList* images = ImageList::FromHandle(list.Get());
    // A bitmap shorter than a cell, none, then two of three cells each.
    EXPECT_EQ((std::array{images->Add(shortBitmap.Get(), CLR_NONE), images->Add(0, CLR_NONE),
                          images->ImageCount(), images->Add(bitmap.Get(), CLR_NONE),
                          images->Add(bitmap.Get(), CLR_NONE)}),
              (std::array{-1, -1, 0, 0, 3}));
    EXPECT_EQ(
        (std::array{images->SetImageCount(7), images->SetImageCount(-1), images->SetImageCount(2)}),
        (std::array{false, false, true}));
    EXPECT_EQ(images->ImageCount(), 2);
    // Images cut outside the list: a short bitmap gives none, and only one of the list's own size
    // and depth is taken.
    const unsigned flags = 24 | ImageList::ILC_MASK;
    EXPECT_EQ(
        (std::array{images->AddImage(ImageList::CutFirst(shortBitmap.Get(), 2, 4, flags, CLR_NONE)),
                    images->AddImage(ImageList::CutFirst(bitmap.Get(), 2, 4, 32, CLR_NONE)),
                    images->AddImage(ImageList::CutFirst(bitmap.Get(), 3, 4, flags, CLR_NONE)),
                    images->AddImage(ImageList::CutFirst(bitmap.Get(), 2, 4, flags, CLR_NONE))}),
        (std::array{-1, -1, -1, 2}));
    // No more than the most images are held.
    UniqueGdiObject single(ImageList::Create(1, 1, 4));
    images = ImageList::FromHandle(single.Get());
    UniqueGdiObject tooMany(CreateCompatibleBitmap(ImageList::kMaxImages + 1, 1));
    EXPECT_EQ(images->Add(tooMany.Get(), CLR_NONE), -1);
    EXPECT_EQ(images->ImageCount(), 0);
    UniqueGdiObject allButOne(CreateCompatibleBitmap(ImageList::kMaxImages - 1, 1));
    UniqueGdiObject two(CreateCompatibleBitmap(2, 1)), last(CreateCompatibleBitmap(1, 1));
    EXPECT_EQ(images->Add(allButOne.Get(), CLR_NONE), 0);
    EXPECT_EQ(images->Add(two.Get(), CLR_NONE), -1);
    EXPECT_EQ(images->Add(two.Get(), 0), -1);
    EXPECT_EQ(images->Add(last.Get(), CLR_NONE), ImageList::kMaxImages - 1);
    EXPECT_EQ(images->ImageCount(), ImageList::kMaxImages);
    EXPECT_EQ(images->AddImage(ImageList::CutFirst(last.Get(), 1, 1, 4, CLR_NONE)), -1);
}

}  // namespace
}  // namespace gdi
