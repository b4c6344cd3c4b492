#include <gtest/gtest.h>

#include "BmpBuilder.h"
#include "codecs/cBMPparser.h"
#include "codecs/modParsers.h"
#include "platform/gdi/Gdi.h"
#include "platform/picture/Picture.h"
#include "support/HostPixel.h"

namespace {

using bmptest::Bitmap32;
using bmptest::Bytes;
using testsupport::PixelAt;
using Pixel = std::array<int, 4>;

bool Load(const Bytes& file, c32bppDIB& host) {
    return cBMPparser().LoadStream(file, host, 0, static_cast<std::int64_t>(file.size()));
}

TEST(RowByteWidth, RoundsBitsUpToWholeDoubleWords) {
    const int cases[][3] = {{1, 1, 4}, {1, 32, 4},  {1, 33, 8},   {4, 9, 8},
                            {8, 5, 8}, {24, 3, 12}, {32, 5, 20},  {16, 3, 8},
                            {1, 0, 0}, {24, 1, 4},  {1, 256, 32}, {8, 256, 256}};
    for (const auto& [bits, width, expected] : cases) {
        EXPECT_EQ(modParsers::RowByteWidth(static_cast<std::uint8_t>(bits), width), expected)
            << bits << " bits x " << width;
    }
}

struct JudgeCase {
    const char* name;
    Bytes pixels;
    std::int32_t typeIn;
    std::int32_t typeOut;
    bool hasAlpha;
    Bytes usable;
};

TEST(JudgeAlphaChannel, SortsPixelsIntoNoAlphaPremultipliedAndStraight) {
    const JudgeCase cases[] = {
        {"all alpha 0", {1, 2, 3, 0, 4, 5, 6, 0}, 0, 1, false, {1, 2, 3, 255, 4, 5, 6, 255}},
        {"all alpha 255", {1, 2, 3, 255, 9, 9, 9, 255}, 0, 1, false, {1, 2, 3, 255, 9, 9, 9, 255}},
        {"premultiplied",
         {0, 0, 0, 0, 10, 20, 30, 40, 1, 2, 3, 255},
         0,
         7,
         true,
         {0, 0, 0, 0, 10, 20, 30, 40, 1, 2, 3, 255}},
        {"colour above alpha",
         {200, 100, 50, 128, 1, 1, 1, 255},
         0,
         6,
         true,
         {100, 50, 25, 128, 1, 1, 1, 255}},
        {"colour under alpha 0, then opaque",
         {9, 0, 0, 0, 1, 2, 3, 255, 7, 7, 7, 255},
         0,
         6,
         true,
         {0, 0, 0, 0, 1, 2, 3, 255, 7, 7, 7, 255}},
        {"colour under alpha 0, then partial",
         {0, 0, 9, 0, 5, 5, 5, 100},
         0,
         6,
         true,
         {0, 0, 0, 0, 1, 1, 1, 100}},
        {"skipped", {200, 100, 50, 128}, -1, 1, false, {200, 100, 50, 255}},
    };
    for (const JudgeCase& test : cases) {
        Bytes pixels = test.pixels;
        bool hasAlpha = !test.hasAlpha;
        std::int32_t imageType = test.typeIn;
        modParsers::JudgeAlphaChannel(pixels, true, hasAlpha, imageType);
        EXPECT_EQ(imageType, test.typeOut) << test.name;
        EXPECT_EQ(hasAlpha, test.hasAlpha) << test.name;
        EXPECT_EQ(pixels, test.usable) << test.name;

        Bytes untouched = test.pixels;
        imageType = test.typeIn;
        modParsers::JudgeAlphaChannel(untouched, false, hasAlpha, imageType);
        EXPECT_EQ(untouched, test.pixels) << test.name;
    }
}

TEST(cBMPparser, ThirtyTwoBitFilesAreJudgedForAlpha) {
    c32bppDIB host;
    ASSERT_TRUE(Load(Bitmap32(2, 1, {1, 2, 3, 0, 4, 5, 6, 0}), host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{1, 2, 3, 255}));
    EXPECT_FALSE(host.Alpha());
    EXPECT_EQ(host.ImageType(), 1);

    ASSERT_TRUE(Load(Bitmap32(2, 1, {10, 20, 30, 40, 1, 2, 3, 255}), host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{10, 20, 30, 40}));
    EXPECT_TRUE(host.Alpha());
    EXPECT_EQ(host.ImageType(), 7);

    ASSERT_TRUE(Load(Bitmap32(3, 1, {9, 9, 9, 0, 200, 100, 50, 128, 1, 2, 3, 255}), host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(host, 1, 0), (Pixel{100, 50, 25, 128}));
    EXPECT_EQ(PixelAt(host, 2, 0), (Pixel{1, 2, 3, 255}));
    EXPECT_EQ(host.ImageType(), 6);
}

TEST(cBMPparser, RowOrderFollowsTheSignOfTheHeight) {
    const Bytes rows = {1, 1, 1, 255, 2, 2, 2, 255};
    for (const int height : {2, -2}) {
        c32bppDIB host;
        ASSERT_TRUE(Load(Bitmap32(1, height, rows), host));
        // The first stored row is the bottom row of a bottom-up file, the top row of a top-down
        // one.
        const int firstStoredRow = height > 0 ? 1 : 0;
        EXPECT_EQ(PixelAt(host, 0, firstStoredRow), (Pixel{1, 1, 1, 255})) << height;
        EXPECT_EQ(PixelAt(host, 0, 1 - firstStoredRow), (Pixel{2, 2, 2, 255})) << height;
    }
}

TEST(cBMPparser, ShortOrBitFieldFilesGoThroughThePictureLoaderAndComeOutOpaque) {
    Bytes shortFile = Bitmap32(2, 2, {1, 2, 3, 40, 4, 5, 6, 50, 7, 8, 9, 60, 10, 11, 12, 70});
    shortFile.pop_back();
    c32bppDIB host;
    ASSERT_TRUE(Load(shortFile, host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{7, 8, 9, 255}));
    EXPECT_EQ(PixelAt(host, 1, 1), (Pixel{4, 5, 6, 255}));
    EXPECT_FALSE(host.Alpha());
    EXPECT_EQ(host.ImageType(), 1);

    // Bit fields with the standard masks after a 40-byte header.
    Bytes fields =
        Bitmap32(1, 1, {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 30, 20, 10, 99}, 3, 54);
    bmptest::Put(fields, 10, 66, 4);
    c32bppDIB fieldsHost;
    ASSERT_TRUE(Load(fields, fieldsHost));
    EXPECT_EQ(PixelAt(fieldsHost, 0, 0), (Pixel{30, 20, 10, 255}));
    EXPECT_EQ(fieldsHost.ImageType(), 1);
}

TEST(cBMPparser, UnreadableSizesAreRefusedWithoutThePictureLoader) {
    for (const auto& [width, height] : {std::pair{0, 1}, {-3, 1}, {1, 0}}) {
        c32bppDIB host;
        EXPECT_FALSE(Load(Bitmap32(width, height, {1, 2, 3, 4}), host)) << width << "x" << height;
        EXPECT_EQ(host.Handle(), 0u);
    }
    c32bppDIB host;
    EXPECT_FALSE(Load(Bytes(80, 0x5A), host));
    EXPECT_EQ(host.Handle(), 0u);
    // Pixel data claimed far outside the file: the picture loader reads the bits that follow
    // the header instead.
    Bytes farData = Bitmap32(1, 1, {1, 2, 3, 4});
    bmptest::Put(farData, 10, 0x7FFFFFF0, 4);
    EXPECT_TRUE(Load(farData, host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{1, 2, 3, 255}));
}

TEST(cBMPparser, HandlesAndPicturesConvertAtTheirOwnSize) {
    for (const int width : {1, 7, 13, 255, 1001}) {
        gdi::BITMAPINFOHEADER header;
        header.biWidth = width;
        header.biHeight = 2;
        header.biPlanes = 1;
        header.biBitCount = 8;
        const gdi::HBITMAP bitmap = gdi::CreateDIBSection(header, {}, nullptr);
        gdi::BitmapFromHandle(bitmap)->WritePixel(width - 1, 0, {0, 0, 255, 0});
        const auto picture = picture::Picture::FromBitmap(bitmap);
        ASSERT_TRUE(picture);
        c32bppDIB host;
        ASSERT_TRUE(cBMPparser().ConvertstdPicTo32bpp(picture.get(), 0, host, 8));
        EXPECT_EQ(host.Width(), width);
        EXPECT_EQ(host.Height(), 2);
        EXPECT_EQ(PixelAt(host, width - 1, 0), (Pixel{0, 0, 255, 255}));
        EXPECT_EQ(host.ImageType(), 1);

        c32bppDIB fromHandle;
        ASSERT_TRUE(cBMPparser().ConvertstdPicTo32bpp(nullptr, picture->Handle(), fromHandle, 0));
        EXPECT_EQ(PixelAt(fromHandle, width - 1, 0), (Pixel{0, 0, 255, 255}));
    }
    c32bppDIB host;
    EXPECT_FALSE(cBMPparser().ConvertstdPicTo32bpp(nullptr, 0, host, 0));
    EXPECT_FALSE(cBMPparser().ConvertstdPicTo32bpp(nullptr, 12345, host, 0));
}

TEST(cBMPparser, ThirtyTwoBitHandlesKeepTheirAlpha) {
    gdi::BITMAPINFOHEADER header;
    header.biWidth = 2;
    header.biHeight = 1;
    header.biPlanes = 1;
    header.biBitCount = 32;
    gdi::UniqueGdiObject bitmap(gdi::CreateDIBSection(header, {}, nullptr));
    gdi::BitmapFromHandle(bitmap.Get())->WritePixel(0, 0, {200, 100, 50, 128});
    c32bppDIB host;
    ASSERT_TRUE(cBMPparser().ConvertstdPicTo32bpp(nullptr, bitmap.Get(), host, 32));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{100, 50, 25, 128}));
    EXPECT_EQ(host.ImageType(), 6);
    EXPECT_TRUE(host.Alpha());
}

}  // namespace
