#include "image/c32bppDIB.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/gdi/Gdi.h"
#include "support/TestSurface.h"

namespace {

TEST(c32bppDIB, ANewImageIsBlankBottomUpAndUnpadded) {
    c32bppDIB image;
    EXPECT_EQ(image.ImageType(), 0);
    EXPECT_FALSE(image.HighQualityInterpolation());
    // Capabilities the platform lacks cannot be switched on.
    image.SetisAlphaBlendFriendly(true);
    image.SetisGDIplusEnabled(true);
    EXPECT_FALSE(image.isAlphaBlendFriendly());
    EXPECT_FALSE(image.isGDIplusEnabled());
    ASSERT_TRUE(image.InitializeDIB(5, -3));
    EXPECT_EQ((std::array{image.Width(), image.Height(), image.scanWidth()}),
              (std::array{5, 3, 20}));
    EXPECT_TRUE(image.Alpha());
    EXPECT_EQ(image.ImageType(), 0);
    EXPECT_EQ(std::vector(image.BitsPointer(), image.BitsPointer() + 60),
              std::vector<std::uint8_t>(60));
    gdi::BITMAP description;
    ASSERT_TRUE(gdi::GetObject(image.Handle(), description));
    EXPECT_EQ(description.bmBits, image.BitsPointer());
    EXPECT_EQ(description.bmBitsPixel, 32);
}

TEST(c32bppDIB, ImpossibleSizesLeaveTheImageEmpty) {
    const int sizes[][2] = {{4, 0}, {-1, 4}, {0, 4}, {65536, 16384}, {1, -2147483647 - 1}};
    for (const auto& size : sizes) {
        c32bppDIB image;
        ASSERT_TRUE(image.InitializeDIB(2, 2));
        EXPECT_FALSE(image.InitializeDIB(size[0], size[1])) << size[0] << " x " << size[1];
        EXPECT_EQ(image.Handle(), 0u);
        EXPECT_EQ(image.BitsPointer(), nullptr);
        EXPECT_EQ(image.Width(), 0);
        EXPECT_EQ(image.scanWidth(), 0);
    }
}

TEST(c32bppDIB, DestroyAndEraseResetTheFlags) {
    c32bppDIB image;
    image.InitializeDIB(2, 2);
    image.SetOriginalFormat({1, 2, 3});
    image.BitsPointer()[5] = 9;
    image.SetAlpha(false);
    image.SetImageType(10);
    image.EraseDIB();
    EXPECT_EQ(image.BitsPointer()[5], 0);
    EXPECT_TRUE(image.Alpha());
    EXPECT_EQ(image.ImageType(), 0);
    image.DestroyDIB();
    EXPECT_EQ(image.ImageType(), -1);
    EXPECT_FALSE(image.Alpha());
    EXPECT_EQ(image.Height(), 0);
    EXPECT_TRUE(image.OriginalFormat().empty());
}

TEST(c32bppDIB, TheFirstRowInMemoryIsTheBottomOfThePicture) {
    c32bppDIB image;
    image.InitializeDIB(2, 2);
    image.BitsPointer()[0] = 255;  // bottom-left blue
    image.BitsPointer()[3] = 255;
    std::uint8_t* topLeft = image.BitsPointer() + image.scanWidth();
    topLeft[2] = 255;  // red
    topLeft[3] = 255;
    TestSurface target(2, 2, 24);
    ASSERT_TRUE(image.Render(target.dc.Get()));
    EXPECT_EQ(target.At(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(target.At(0, 1), Rgb(0, 0, 255));
    EXPECT_EQ(target.At(1, 1), 0u);
}

TEST(c32bppDIB, LoadDIBinDCNestsAndReleasesTheOwnContext) {
    c32bppDIB image;
    EXPECT_EQ(image.LoadDIBinDC(true), 0u) << "no image";
    image.InitializeDIB(2, 2);
    const gdi::HDC dc = image.LoadDIBinDC(true);
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(image.LoadDIBinDC(true), dc);
    EXPECT_EQ(gdi::GetCurrentBitmap(dc), image.Handle());
    EXPECT_EQ(image.LoadDIBinDC(false), 0u);
    EXPECT_EQ(gdi::GetCurrentBitmap(dc), 0u) << "the context is deleted";

    image.SetManageOwnDC(true);
    const gdi::HDC kept = image.LoadDIBinDC(true);
    image.LoadDIBinDC(false);
    EXPECT_EQ(gdi::GetCurrentBitmap(kept), gdi::StockBitmap()) << "kept, bitmap deselected";
    image.SetManageOwnDC(false);
    EXPECT_EQ(gdi::GetCurrentBitmap(kept), 0u);
}

void SetPixels(c32bppDIB& image, const std::vector<std::uint8_t>& bytes) {
    ASSERT_TRUE(image.InitializeDIB(static_cast<int>(bytes.size() / 4), 1));
    std::memcpy(image.BitsPointer(), bytes.data(), bytes.size());
}

std::vector<std::uint8_t> PixelsOf(const c32bppDIB& image) {
    return {image.BitsPointer(), image.BitsPointer() + image.scanWidth() * image.Height()};
}

TEST(Alpha, OnlyPartlyTransparentPixelsCountAndAreRemoved) {
    struct Case {
        std::vector<std::uint8_t> before;
        bool partly;
        std::vector<std::uint8_t> after;
    };
    const Case cases[] = {
        {{1, 2, 3, 255, 4, 5, 6, 255}, false, {1, 2, 3, 255, 4, 5, 6, 255}},
        {{0, 0, 0, 0, 7, 8, 9, 255}, false, {0, 0, 0, 0, 7, 8, 9, 255}},
        {{10, 20, 30, 128, 10, 20, 30, 255}, true, {0, 0, 0, 0, 10, 20, 30, 255}},
        {{1, 1, 1, 1, 9, 9, 9, 255}, true, {0, 0, 0, 0, 9, 9, 9, 255}},
        {{9, 9, 9, 255, 200, 200, 200, 254}, true, {9, 9, 9, 255, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        c32bppDIB image;
        SetPixels(image, c.before);
        EXPECT_EQ(image.HavePixelsAlpha(), c.partly);
        EXPECT_TRUE(image.RemoveAlpha());
        EXPECT_EQ(PixelsOf(image), c.after);
        EXPECT_FALSE(image.HavePixelsAlpha());
        EXPECT_TRUE(image.Alpha()) << "the flag is left alone";
    }
    c32bppDIB empty;
    EXPECT_FALSE(empty.HavePixelsAlpha());
    EXPECT_FALSE(empty.RemoveAlpha());
    empty.InitializeDIB(3, 3);
    EXPECT_FALSE(empty.HavePixelsAlpha()) << "blank";
}

}  // namespace
