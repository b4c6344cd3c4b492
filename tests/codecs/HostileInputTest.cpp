#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "BmpBuilder.h"
#include "PngBuilder.h"
#include "image/c32bppDIB.h"

namespace {

using namespace pngtest;
using Pixel = std::array<int, 4>;  // B, G, R, A as stored

Bytes HugePng(std::uint32_t width, std::uint32_t height, std::uint8_t depth,
              std::uint8_t colorType) {
    return Png({Ihdr(width, height, depth, colorType), Idat({0}), Iend()});
}

// One image of the given size with a 2-colour table and a few bytes of LZW data.
Bytes HugeGif(std::uint16_t width, std::uint16_t height) {
    Bytes gif = {'G',  'I', 'F', '8', '9', 'a', 1,   0,   1,   0,
                 0x80, 0,   0,   0,   0,   0,   255, 255, 255, 0x2C};
    gif.insert(gif.end(), {0, 0, 0, 0, std::uint8_t(width), std::uint8_t(width >> 8),
                           std::uint8_t(height), std::uint8_t(height >> 8)});
    gif.insert(gif.end(), {0, 2, 2, 0x4C, 0x01, 0, 0x3B});
    gif.resize(64, 0);
    return gif;
}

// Headers that claim more than 256 MiB of 32-bit pixels are refused before anything that large
// is allocated, whichever decoder reads them; none of these inputs is longer than 64 bytes.
TEST(HostileInput, ClaimsBeyondTwoHundredFiftySixMebibytesLoadNothing) {
    const Bytes endOfBitmap = {0, 1, 0, 1};
    const std::pair<const char*, Bytes> cases[] = {
        {"PNG of 2^31-1 squared pixels", HugePng(0x7FFFFFFF, 0x7FFFFFFF, 8, 6)},
        {"PNG of 8192 x 8193 one-bit pixels", HugePng(8192, 8193, 1, 0)},
        {"bitmap row of 1.3 billion one-bit pixels",
         bmptest::BitmapFile(0x4D00000D, 1, {0, 0, 0}, 0, 1)},
        {"RLE8 bitmap of 16384 x 16385", bmptest::BitmapFile(16384, 16385, endOfBitmap, 1, 8)},
        {"RLE4 bitmap of 8193 x 8192", bmptest::BitmapFile(8193, 8192, endOfBitmap, 2, 4)},
        {"GIF of 8193 x 8192", HugeGif(8193, 8192)},
        {"GIF of 65535 x 65535", HugeGif(65535, 65535)}};
    for (const auto& [name, bytes] : cases) {
        c32bppDIB image;
        EXPECT_FALSE(image.LoadPicture_Stream(bytes, 0, 0, 0, 0, false, 32)) << name;
        EXPECT_EQ(image.Handle(), 0u) << name;
    }
}

// Rows that a short stream never reaches are zero rows: palette entry 0 with its transparency,
// premultiplied, in every row and pass the data did not reach; pixels decoded from the data keep
// their own values, a transparent one staying all zero.
TEST(HostileInput, RowsPastTheEndOfTheDataComeOutAsZeroRows) {
    const Bytes palette = Chunk("PLTE", {10, 20, 30, 200, 100, 50});
    const Bytes transparency = Chunk("tRNS", {128, 0});
    const Pixel zeroRow = {30 * 128 / 255, 20 * 128 / 255, 10 * 128 / 255, 128};
    struct Case {
        std::uint8_t interlace;
        Bytes rows;         // filter byte and indices of the data that is there
        int decodedPixels;  // leading pixels of the top row decoded from that data
    };
    const Case cases[] = {{0, {0, 1, 1, 1, 1}, 4}, {1, {0, 1}, 1}};
    for (const Case& c : cases) {
        for (const bool absent : {false, true}) {
            const ZlibAbsent zlib(absent);
            const Bytes png =
                Png({Ihdr(4, 3, 8, 3, c.interlace), palette, transparency, Idat(c.rows), Iend()});
            c32bppDIB image;
            ASSERT_TRUE(image.LoadPicture_Stream(png, 0, 0, 0, 0, false, 32));
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 4; ++x) {
                    const bool decoded = y == 0 && x < c.decodedPixels;
                    EXPECT_EQ(PixelAt(image, x, y), (decoded ? Pixel{0, 0, 0, 0} : zeroRow))
                        << "interlace " << int{c.interlace} << ", zlib " << !absent << " at " << x
                        << "," << y;
                }
            }
        }
    }
}

}  // namespace
