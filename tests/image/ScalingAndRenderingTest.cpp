#include <gtest/gtest.h>

#include <cstring>

#include "image/c32bppDIB.h"
#include "platform/gdi/Gdi.h"
#include "support/TestSurface.h"

namespace {

using Pixel = std::array<std::uint8_t, 4>;  // B, G, R, A

// One row of pixels, left to right.
void SetRow(c32bppDIB& image, const std::vector<Pixel>& row) {
    ASSERT_TRUE(image.InitializeDIB(static_cast<int>(row.size()), 1));
    std::memcpy(image.BitsPointer(), row.data(), row.size() * 4);
}

Pixel At(const c32bppDIB& image, int x, int memoryRow = 0) {
    Pixel pixel;
    std::memcpy(pixel.data(), image.BitsPointer() + memoryRow * image.scanWidth() + x * 4, 4);
    return pixel;
}

void FillHost(c32bppDIB& host, int width, int height, Pixel pixel) {
    ASSERT_TRUE(host.InitializeDIB(width, height));
    for (int i = 0; i < width * height; ++i) {
        std::memcpy(host.BitsPointer() + i * 4, pixel.data(), 4);
    }
}

struct BlendCase {
    Pixel source;
    Pixel target;
    int opacity;
    Pixel expected;
};

TEST(Render, BlendsIntoAHostImageWithIntegerArithmetic) {
    const BlendCase cases[] = {
        {{0, 0, 128, 128}, {200, 200, 200, 255}, 100, {99, 99, 227, 255}},
        {{0, 0, 255, 255}, {0, 0, 0, 0}, 50, {0, 0, 127, 127}},
        {{0, 0, 255, 255}, {0, 0, 0, 0}, 150, {0, 0, 127, 127}},
        {{0, 0, 255, 255}, {0, 0, 0, 0}, 200, {0, 0, 255, 255}},
        {{1, 2, 3, 255}, {9, 9, 9, 9}, 100, {1, 2, 3, 255}},
        {{0, 0, 0, 0}, {9, 9, 9, 9}, 100, {9, 9, 9, 9}},
        // A colour byte above its alpha: the sum passes 255 and that byte keeps its value.
        {{250, 0, 0, 10}, {255, 40, 40, 255}, 100, {255, 38, 38, 255}},
    };
    for (const BlendCase& c : cases) {
        c32bppDIB source;
        SetRow(source, {c.source});
        c32bppDIB host;
        FillHost(host, 1, 1, c.target);
        EXPECT_TRUE(source.Render(0, 0, 0, 0, 0, 0, 0, 0, 0, c.opacity, true, true, &host));
        EXPECT_EQ(At(host, 0), c.expected) << "opacity " << c.opacity;
    }
}

TEST(Render, BlendsOntoAContextThroughItsColours) {
    c32bppDIB source;
    SetRow(source, {{0, 0, 128, 128}, {0, 0, 0, 0}});
    TestSurface deep(2, 1, 24);
    deep.Fill(Rgb(200, 200, 200));
    ASSERT_TRUE(source.Render(deep.dc.Get()));
    EXPECT_EQ(deep.At(0, 0), Rgb(227, 99, 99));
    EXPECT_EQ(deep.At(1, 0), Rgb(200, 200, 200));

    TestSurface palette(2, 1, 8);
    palette.Fill(Rgb(255, 255, 255));
    ASSERT_TRUE(source.Render(palette.dc.Get()));
    EXPECT_EQ(palette.At(0, 0), Rgb(255, 102, 102)) << "nearest entry to (255, 127, 127)";
}

TEST(Render, NothingToDrawOrNowhereToDrawIt) {
    c32bppDIB empty;
    TestSurface target(2, 2, 24);
    EXPECT_FALSE(empty.Render(target.dc.Get()));
    EXPECT_FALSE(empty.Render(target.dc.Get(), 0, 0, 0, 0, 0, 0, 0, 0, 0));
    c32bppDIB image;
    SetRow(image, {{0, 0, 255, 255}});
    EXPECT_TRUE(image.Render(target.dc.Get(), 0, 0, 0, 0, 0, 0, 0, 0, 0)) << "opacity 0";
    EXPECT_EQ(target.At(0, 0), 0u);
    EXPECT_FALSE(image.Render(0));
    EXPECT_FALSE(image.Render(target.dc.Get(), 5, 0)) << "clipped to nothing";
    EXPECT_FALSE(image.Render(target.dc.Get(), 0, 0, 0, 0, 3, 0)) << "source outside the image";
}

TEST(Render, ANegativeTargetPositionCutsTheSourceStart) {
    c32bppDIB image;
    SetRow(image, {{0, 0, 10, 255}, {0, 0, 20, 255}, {0, 0, 30, 255}});
    TestSurface target(3, 1, 24);
    ASSERT_TRUE(image.Render(target.dc.Get(), -1, 0));
    EXPECT_EQ(target.At(0, 0), Rgb(20, 0, 0));
    EXPECT_EQ(target.At(1, 0), Rgb(30, 0, 0));
    EXPECT_EQ(target.At(2, 0), 0u);
}

TEST(Resize, RowsScaleByNearestNeighbourOrBilinearAndNegativeSizesMirror) {
    const Pixel p1{1, 1, 1, 1}, p2{2, 2, 2, 2}, p3{3, 3, 3, 3}, p4{4, 4, 4, 4}, black{};
    const Pixel grey{100, 100, 100, 100}, light{200, 200, 200, 200};
    const struct {
        const char* what;
        std::vector<Pixel> row;
        bool bilinear;
        int width;
        std::vector<Pixel> expected;
    } cases[] = {
        {"nearest halving takes columns 0 and 2", {p1, p2, p3, p4}, false, 2, {p1, p3}},
        {"bilinear: the last column alone", {black, light}, true, 4, {black, grey, light, light}},
        {"a negative width mirrors", {p1, p2, p3}, false, -3, {p3, p2, p1}},
    };
    for (const auto& c : cases) {
        c32bppDIB image;
        SetRow(image, c.row);
        image.SetHighQualityInterpolation(c.bilinear);
        ASSERT_TRUE(image.Resize(c.width, 1)) << c.what;
        std::vector<Pixel> row;
        for (int x = 0; x < image.Width(); ++x) {
            row.push_back(At(image, x));
        }
        EXPECT_EQ(row, c.expected) << c.what;
    }
}

TEST(Resize, BilinearRowsPairUpwardsAndTheTopRowStandsAlone) {
    c32bppDIB image;
    ASSERT_TRUE(image.InitializeDIB(1, 2));
    std::memset(image.BitsPointer() + 4, 100, 4);  // top row 100, bottom row 0
    image.SetHighQualityInterpolation(true);
    ASSERT_TRUE(image.Resize(1, 4));
    const std::uint8_t expected[] = {0, 50, 100, 100};  // memory rows, bottom first
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(At(image, 0, row)[0], expected[row]) << "memory row " << row;
    }
}

TEST(Resize, KeepsTheFlagsAndTheOriginalBytes) {
    c32bppDIB image;
    EXPECT_FALSE(image.Resize(4, 4));
    SetRow(image, {{5, 5, 5, 5}, {6, 6, 6, 6}});
    image.SetImageType(10);
    image.SetAlpha(false);
    image.SetOriginalFormat({7, 8});
    const gdi::HBITMAP before = image.Handle();
    EXPECT_TRUE(image.Resize(0, 0));
    EXPECT_TRUE(image.Resize(2, 1));
    EXPECT_EQ(image.Handle(), before) << "same size: nothing changes";
    ASSERT_TRUE(image.Resize(3, 2));
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.ImageType(), 10);
    EXPECT_FALSE(image.Alpha());
    EXPECT_EQ(image.OriginalFormat(), (std::vector<std::uint8_t>{7, 8}));
}

TEST(CopyImageTo, ASameSizeTargetKeepsItsBitmap) {
    c32bppDIB image;
    SetRow(image, {{1, 2, 3, 4}, {5, 6, 7, 8}});
    image.SetImageType(9);
    image.SetOriginalFormat({1});
    c32bppDIB copy;
    ASSERT_TRUE(copy.InitializeDIB(2, 1));
    const gdi::HBITMAP kept = copy.Handle();
    image.CopyImageTo(copy);
    EXPECT_EQ(copy.Handle(), kept);
    EXPECT_EQ(At(copy, 1), (Pixel{5, 6, 7, 8}));
    EXPECT_EQ(copy.ImageType(), 9);
    EXPECT_TRUE(copy.OriginalFormat().empty());
    image.CopyImageTo(copy, 4, 1, true);
    EXPECT_EQ(copy.Width(), 4);
    EXPECT_EQ(At(copy, 3), (Pixel{5, 6, 7, 8}));
    EXPECT_EQ(copy.OriginalFormat(), (std::vector<std::uint8_t>{1}));
}

}  // namespace
