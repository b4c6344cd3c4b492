#include <gtest/gtest.h>

#include <climits>

#include "app/StripDocument.h"
#include "platform/gdi/ImageList.h"
#include "support/TestSurface.h"

namespace {

TEST(StripLimits, AStripOfMoreCellsThanTheStoreHoldsIsRefusedAndChangesNothing) {
    TestSurface tooMany(gdi::ImageList::kMaxImages + 1, 1, 24);
    TestSurface most(gdi::ImageList::kMaxImages, 1, 24);
    StripDocument document;
    EXPECT_FALSE(document.OpenBitmap(tooMany.bitmap.Get()));
    EXPECT_EQ(document.CellCount(), 0);
    EXPECT_EQ(document.CellStore().IconWidth(), 16);
    ASSERT_TRUE(document.OpenBitmap(most.bitmap.Get()));
    EXPECT_EQ(document.CellCount(), gdi::ImageList::kMaxImages);
}

TEST(StripLimits, TheMaskSearchSamplesOnlyCellsThatStartInsideTheBitmap) {
    // Three 2-pixel cells, the last one cut short: its top-left and bottom-left corners count,
    // any cell counted past the edge adds nothing.
    TestSurface strip(5, 2, 24);
    strip.Fill(Rgb(1, 2, 3));
    gdi::FillRect(strip.dc.Get(), {4, 0, 5, 2}, Rgb(9, 9, 9));
    gdi::FillRect(strip.dc.Get(), {0, 0, 4, 2}, Rgb(200, 0, 0));
    gdi::FillRect(strip.dc.Get(), {1, 0, 2, 1}, Rgb(9, 9, 9));
    for (const int cells : {3, 4, 1000, INT_MAX}) {
        EXPECT_EQ(StripDocument::FindMaskColor(strip.bitmap.Get(), 2, 2, cells), Rgb(200, 0, 0))
            << cells << " cells";
    }
    EXPECT_EQ(StripDocument::FindMaskColor(strip.bitmap.Get(), 0, 2, 3), 0u);
}

TEST(StripLimits, TheMostCellsOfDistinctCornersAreTalliedInTheOrderFirstSeen) {
    TestSurface strip(gdi::ImageList::kMaxImages, 2, 24);
    const int width = strip.Pixels().Width();
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto color = static_cast<gdi::COLORREF>(y * width + x + 1);
            strip.Pixels().WritePixel(x, y, gdi::Bgra::FromColor(color));
        }
    }
    // Cells two pixels wide have four distinct corners each: nothing repeats, the result is
    // black. One pixel wide, each corner is sampled twice and the first colour wins the tie.
    EXPECT_EQ(StripDocument::FindMaskColor(strip.bitmap.Get(), 2, 2, width / 2), 0u);
    EXPECT_EQ(StripDocument::FindMaskColor(strip.bitmap.Get(), 1, 2, width), 1u);
}

}  // namespace
