// SPDX-License-Identifier: MIT
#include "app/clsImgList.h"

#include <gtest/gtest.h>

#include <array>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/UniqueGdiObject.h"
#include "support/TestSurface.h"

namespace {

using gdi::Bgra;
using gdi::COLORREF;

constexpr COLORREF kMagenta = Rgb(255, 0, 255);

TEST(clsImgList, InitRecordsTheGeometryAndRefusesImpossibleDepths) {
    clsImgList store;
    EXPECT_NE(store.Init(16, 24, 8), 0u);
    EXPECT_EQ(std::tuple(store.IconWidth(), store.IconHeight(), store.Colors()),
              std::tuple(16, 24, 8));
    for (int depth : {0, 2, 5, 12, 33, -1}) {
        EXPECT_EQ((std::tuple{store.Init(16, 16, depth), store.hWnd(), store.Colors()}),
                  (std::tuple{0u, 0u, depth}));
    }
    // Without a list every call fails quietly and the background is kept nowhere.
    TestSurface cell(16, 16, 24);
    store.Clear();
    store.SetBackColor(kMagenta);
    EXPECT_FALSE(store.AddBitmap(cell.bitmap.Get(), gdi::CLR_NONE) ||
                 store.Draw(0, cell.dc.Get(), 0, 0) || store.ImageCount() != 0);
    // A list takes a system colour translated (the desktop's classic colour).
    ASSERT_NE(store.Init(16, 16, 24), 0u);
    const gdi::ImageList* list = gdi::ImageList::FromHandle(store.hWnd());
    EXPECT_EQ(list->BkColor(), gdi::CLR_NONE);
    store.SetBackColor(0x80000001);
    EXPECT_EQ(list->BkColor(), Rgb(58, 110, 165));
}

// Cells are cut from the left; a partial cell, or a bitmap narrower than one, adds none. The
// cells are copies, and drawing is clipped at the target's edge.
TEST(clsImgList, EachCellHoldsItsOwnColumnsUntilClearedOrInitialised) {
    clsImgList store;
    store.Init(2, 1, 24);
    TestSurface strip(7, 1, 32), narrow(1, 1, 24), target(3, 1, 24);
    for (int x = 0; x < 7; ++x) {
        gdi::FillRect(strip.dc.Get(), {x, 0, x + 1, 1}, Rgb(x * 40, 0, 0));
    }
    ASSERT_TRUE(store.AddBitmap(strip.bitmap.Get(), gdi::CLR_NONE));
    EXPECT_TRUE(store.AddBitmap(narrow.bitmap.Get(), gdi::CLR_NONE));
    EXPECT_EQ(store.ImageCount(), 3);
    gdi::FillRect(strip.dc.Get(), {0, 0, 7, 1}, Rgb(1, 2, 3));
    ASSERT_TRUE(store.Draw(2, target.dc.Get(), 0, 0) && store.Draw(1, target.dc.Get(), 2, 0));
    EXPECT_EQ((std::array{target.At(0, 0), target.At(1, 0), target.At(2, 0)}),
              (std::array{Rgb(160, 0, 0), Rgb(200, 0, 0), Rgb(80, 0, 0)}));
    EXPECT_FALSE(store.Draw(3, target.dc.Get(), 0, 0) || store.Draw(-1, target.dc.Get(), 0, 0));
    // Clear restarts the indexes; Init discards the list.
    store.Clear();
    EXPECT_EQ(store.ImageCount(), 0);
    store.AddBitmap(strip.bitmap.Get(), gdi::CLR_NONE);
    EXPECT_EQ(store.ImageCount(), 3);
    const gdi::HIMAGELIST first = store.hWnd();
    store.Init(2, 1, 24);
    EXPECT_EQ(store.ImageCount(), 0);
    EXPECT_EQ(gdi::ImageList::FromHandle(first), nullptr);
}

// Adds `cell` to a new store of the cell's size at `depth` and draws it at the target's origin.
void AddAndDraw(const TestSurface& cell, int depth, COLORREF mask, TestSurface& target) {
    clsImgList store;
    store.Init(cell.Pixels().Width(), cell.Pixels().Height(), depth);
    ASSERT_TRUE(store.AddBitmap(cell.bitmap.Get(), mask)) << depth;
    ASSERT_TRUE(store.Draw(0, target.dc.Get(), 0, 0)) << depth;
}

// The mask colour is transparent and its near neighbour is not. A cell surface below 24 bits
// cannot hold every colour: a background outside its table is stored as the nearest entry, and
// must still be the transparent one.
TEST(clsImgList, TheMaskColourIsTransparentAsTheSurfaceHoldsIt) {
    const COLORREF under = Rgb(30, 60, 90), outside = Rgb(250, 10, 250), near = Rgb(255, 0, 248);
    const struct {
        int surface, depth;
        COLORREF mask, other;
    } cases[] = {{24, 4, kMagenta, near},  {24, 8, kMagenta, near}, {24, 16, kMagenta, near},
                 {24, 24, kMagenta, near}, {1, 1, outside, 0},      {4, 4, outside, 0},
                 {8, 8, outside, 0},       {16, 16, outside, 0}};
    for (const auto& c : cases) {
        TestSurface cell(2, 2, c.surface), target(2, 2, 24);
        cell.Fill(c.mask);
        gdi::FillRect(cell.dc.Get(), {1, 1, 2, 2}, c.other);
        target.Fill(under);
        AddAndDraw(cell, c.depth, c.mask, target);
        // The other colour shows; black is drawn exactly.
        const COLORREF shown = target.At(1, 1);
        EXPECT_EQ(std::tuple(target.At(0, 0), target.At(1, 0), shown != under, c.other || !shown),
                  std::tuple(under, under, true, true))
            << c.surface << " to " << c.depth;
    }
    // A depth of one is held as sixteen colours.
    TestSurface cell(1, 1, 24), target(1, 1, 24);
    cell.Fill(Rgb(255, 0, 0));
    AddAndDraw(cell, 1, gdi::CLR_NONE, target);
    EXPECT_EQ(target.At(0, 0), Rgb(255, 0, 0));
}

TEST(clsImgList, ThirtyTwoBitCellsBlendPremultipliedAndWithoutAnyAlphaAreOpaque) {
    TestSurface cell(3, 1, 32), blank(3, 1, 32), opaque(3, 1, 32);
    cell.Pixels().WritePixel(0, 0, {0, 0, 100, 128});
    cell.Pixels().WritePixel(2, 0, {10, 20, 30, 255});
    for (int x = 0; x < 3; ++x) {
        opaque.Pixels().WritePixel(x, 0, {200, 200, 200, 255});
    }
    AddAndDraw(cell, 32, gdi::CLR_NONE, blank);
    EXPECT_EQ(blank.Pixels().ReadPixel(0, 0), (Bgra{0, 0, 100, 128}));
    EXPECT_EQ(blank.Pixels().ReadPixel(1, 0), (Bgra{0, 0, 0, 0}));
    AddAndDraw(cell, 32, gdi::CLR_NONE, opaque);
    // 200 x 127 / 255 = 99; alpha 128 + 255 x 127 / 255 = 255.
    const gdi::Bitmap& out = opaque.Pixels();
    EXPECT_EQ(std::tuple(out.ReadPixel(0, 0), out.ReadPixel(1, 0), out.ReadPixel(2, 0)),
              std::tuple(Bgra{99, 99, 199, 255}, Bgra{200, 200, 200, 255}, Bgra{10, 20, 30, 255}));
    // A bitmap without any alpha is opaque.
    TestSurface noAlpha(2, 1, 32), target(2, 1, 32);
    noAlpha.Pixels().WritePixel(0, 0, {10, 20, 30, 0});
    AddAndDraw(noAlpha, 32, gdi::CLR_NONE, target);
    EXPECT_EQ(target.Pixels().ReadPixel(0, 0), (Bgra{10, 20, 30, 255}));
    EXPECT_EQ(target.Pixels().ReadPixel(1, 0), (Bgra{0, 0, 0, 255}));
}

}  // namespace
