// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <climits>
#include <sstream>

#include "BmpBuilder.h"
#include "codecs/cBMPparser.h"
#include "codecs/modParsers.h"
#include "platform/gdi/Gdi.h"
#include "platform/picture/Picture.h"
#include "support/HostPixel.h"
#include "support/TestSurface.h"

namespace {

using bmptest::BitmapFile;
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
    EXPECT_EQ(modParsers::RowByteWidth(32, 1 << 29), INT_MAX);  // 2^31 bytes do not fit
    for (const auto& [bits, width, expected] : cases) {
        EXPECT_EQ(modParsers::RowByteWidth(static_cast<std::uint8_t>(bits), width), expected)
            << bits << " bits x " << width;
    }
}

TEST(JudgeAlphaChannel, SortsPixelsIntoNoAlphaPremultipliedAndStraight) {
    struct {
        Bytes pixels;
        std::int32_t typeIn, typeOut;
        bool hasAlpha;
        Bytes usable;  // empty: as given
    } const cases[] = {
        {{1, 2, 3, 0, 4, 5, 6, 0}, 0, 1, false, {1, 2, 3, 255, 4, 5, 6, 255}},  // all alpha 0
        {{1, 2, 3, 255, 9, 9, 9, 255}, 0, 1, false, {}},                        // all alpha 255
        {{0, 0, 0, 0, 10, 20, 30, 40, 1, 2, 3, 255}, 0, 7, true, {}},           // premultiplied
        // A colour above its alpha makes the pixels straight.
        {{200, 100, 50, 128, 1, 1, 1, 255}, 0, 6, true, {100, 50, 25, 128, 1, 1, 1, 255}},
        {{9, 0, 0, 0, 1, 2, 3, 255}, 0, 6, true, {0, 0, 0, 0, 1, 2, 3, 255}},
        {{0, 0, 9, 0, 5, 5, 5, 100}, 0, 6, true, {0, 0, 0, 0, 1, 1, 1, 100}},
        {{200, 100, 50, 128}, -1, 1, false, {200, 100, 50, 255}},  // judgement skipped
    };
    for (const auto& test : cases) {
        const Bytes& usable = test.usable.empty() ? test.pixels : test.usable;
        SCOPED_TRACE(testing::PrintToString(test.pixels));
        for (const bool makeUsable : {true, false}) {
            Bytes pixels = test.pixels;
            bool hasAlpha = !test.hasAlpha;
            std::int32_t imageType = test.typeIn;
            modParsers::JudgeAlphaChannel(pixels, makeUsable, hasAlpha, imageType);
            EXPECT_EQ(imageType, test.typeOut);
            EXPECT_EQ(hasAlpha, test.hasAlpha);
            EXPECT_EQ(pixels, makeUsable ? usable : test.pixels);
        }
    }
}

TEST(cBMPparser, RowsFollowTheHeightsSignOrThePictureLoaderReadsTheFileOrItIsRefused) {
    for (const int height : {2, -2}) {
        c32bppDIB host;
        ASSERT_TRUE(Load(BitmapFile(1, height, {200, 100, 50, 128, 2, 2, 2, 255}), host));
        // The first stored row is the bottom row of a bottom-up file, the top row otherwise.
        const int first = height > 0 ? 1 : 0;
        EXPECT_EQ(
            std::tuple(PixelAt(host, 0, first), PixelAt(host, 0, 1 - first), host.ImageType()),
            std::tuple(Pixel{100, 50, 25, 128}, Pixel{2, 2, 2, 255}, 6))
            << height;
    }
    // Short or bit-field files are read by the general bitmap reader and come out opaque.
    Bytes shortFile = BitmapFile(2, 2, {1, 2, 3, 40, 4, 5, 6, 50, 7, 8, 9, 60, 10, 11, 12, 70});
    shortFile.pop_back();
    // Bit fields with the standard masks after the 40-byte header.
    Bytes fields = BitmapFile(1, 1, {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 7, 8, 9, 99}, 3);
    bmptest::Put(fields, 10, 66, 4);
    // Pixel data claimed far outside the file: the bits after the header are read instead.
    Bytes farData = BitmapFile(1, 1, {7, 8, 9, 4});
    bmptest::Put(farData, 10, 0x7FFFFFF0, 4);
    for (const Bytes& file : {shortFile, fields, farData}) {
        c32bppDIB host;
        ASSERT_TRUE(Load(file, host));
        EXPECT_EQ(std::tuple(PixelAt(host, 0, 0), host.Alpha(), host.ImageType()),
                  std::tuple(Pixel{7, 8, 9, 255}, false, 1));
    }
    // No size, or no bitmap at all: refused without the picture loader.
    for (const Bytes& file : {BitmapFile(0, 1, {1, 2, 3, 4}), BitmapFile(-3, 1, {1, 2, 3, 4}),
                              BitmapFile(1, 0, {1, 2, 3, 4}), Bytes(80, 0x5A)}) {
        c32bppDIB host;
        EXPECT_EQ((std::pair{Load(file, host), host.Handle()}), std::pair(false, gdi::HBITMAP{0}));
    }
}

// Every variant against ImageMagick's decoding: plain 32-bit files and bit fields whose header
// names an alpha mask keep that alpha, judged straight; every other variant is opaque. The 5-6-5
// and 4-4-4-4 files are the reader's own test's: ImageMagick widens narrow channels its own way.
TEST(cBMPparser, EveryVariantDecodesAsImageMagickDoes) {
    const auto fixture = [](const std::string& name) {
        return testsupport::ReadFileBytes(TILEWRIGHT_TEST_SOURCE_DIR "/data/bmp/" + name);
    };
    std::istringstream names(
        "d1 d4 d8 d8_short d16_555 bf16_555_v5 d24 d24_v4 d24_v5 rle8 rle4 core4 core24 td24 td8 "
        "d32 bf32_56 bf32_v4 bf32_v5 td32_v5");
    for (std::string name; names >> name;) {
        SCOPED_TRACE(name);
        const Bytes rgb = fixture(name + ".rgb"), alpha = fixture(name + ".alpha");
        c32bppDIB host;
        ASSERT_TRUE(Load(fixture(name + ".bmp"), host));
        ASSERT_EQ((std::array{host.Width(), host.Height(), host.ImageType(), int{host.Alpha()}}),
                  (std::array{13, 7, alpha.empty() ? 1 : 6, int{!alpha.empty()}}));
        for (int i = 0; i < 13 * 7; ++i) {
            const int a = alpha.empty() ? 255 : alpha[i];
            const auto premultiplied = [&](int c) { return rgb[3 * i + c] * a / 255; };
            ASSERT_EQ(PixelAt(host, i % 13, i / 13),
                      (Pixel{premultiplied(2), premultiplied(1), premultiplied(0), a}))
                << "pixel " << i;
        }
    }
}

TEST(cBMPparser, HandlesAndPicturesConvertAtTheirOwnSize) {
    for (const int width : {1, 7, 13, 255, 1001}) {
        const gdi::HBITMAP bitmap = TestSurface::NewBitmap(width, 2, 8);
        gdi::BitmapFromHandle(bitmap)->WritePixel(width - 1, 0, {0, 0, 255, 0});
        const auto picture = picture::Picture::FromBitmap(bitmap);
        ASSERT_TRUE(picture);
        c32bppDIB host, fromHandle;
        ASSERT_TRUE(cBMPparser().ConvertstdPicTo32bpp(picture.get(), 0, host, 8));
        ASSERT_TRUE(cBMPparser().ConvertstdPicTo32bpp(nullptr, picture->Handle(), fromHandle, 0));
        EXPECT_EQ(std::tuple(host.Width(), host.Height(), host.ImageType(),
                             PixelAt(host, width - 1, 0), PixelAt(fromHandle, width - 1, 0)),
                  std::tuple(width, 2, 1, Pixel{0, 0, 255, 255}, Pixel{0, 0, 255, 255}));
    }
    // A 32-bit handle keeps its alpha.
    gdi::UniqueGdiObject deep(TestSurface::NewBitmap(2, 1, 32));
    gdi::BitmapFromHandle(deep.Get())->WritePixel(0, 0, {200, 100, 50, 128});
    c32bppDIB host;
    ASSERT_TRUE(cBMPparser().ConvertstdPicTo32bpp(nullptr, deep.Get(), host, 32));
    EXPECT_EQ(std::pair(PixelAt(host, 0, 0), host.ImageType()),
              std::pair(Pixel{100, 50, 25, 128}, 6));
    EXPECT_FALSE(cBMPparser().ConvertstdPicTo32bpp(nullptr, 0, host, 0));
    EXPECT_FALSE(cBMPparser().ConvertstdPicTo32bpp(nullptr, 12345, host, 0));
}

}  // namespace
