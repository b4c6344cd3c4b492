#include <gtest/gtest.h>

#include <vector>

#include "codecs/PngEncoder.h"
#include "codecs/ZlibBridge.h"
#include "image/c32bppDIB.h"
#include "support/HostPixel.h"

namespace {

// 3 x 2 pixels with every alpha class: opaque, translucent, transparent.
const std::vector<std::uint8_t> kPixels = {255, 0,  0,  255, 0,  128, 255, 128, 9,   9,   9,  0,
                                           10,  20, 30, 255, 40, 50,  60,  1,   200, 100, 50, 200};

TEST(PngEncoder, OurDecoderReadsBackEveryPixelInBothBindings) {
    const std::vector<std::uint8_t> file = PngEncoder::EncodeRgba(3, 2, kPixels);
    ASSERT_GT(file.size(), 8u + 25 + 12);
    EXPECT_EQ(
        std::vector<std::uint8_t>(file.begin() + 12, file.begin() + 29),
        (std::vector<std::uint8_t>{'I', 'H', 'D', 'R', 0, 0, 0, 3, 0, 0, 0, 2, 8, 6, 0, 0, 0}));
    for (const bool zlib : {true, false}) {
        ZlibBridge::SetZlibPresent(zlib);
        c32bppDIB image;
        ASSERT_TRUE(image.LoadPicture_Stream(file, 0, 0, 0, 0, false, 32));
        for (int i = 0; i < 6; ++i) {
            const std::uint8_t* rgba = kPixels.data() + 4 * i;
            const int a = rgba[3];
            auto premultiplied = [a](int c) { return c * a / 255; };
            EXPECT_EQ(testsupport::PixelAt(image, i % 3, i / 3),
                      (std::array<int, 4>{premultiplied(rgba[2]), premultiplied(rgba[1]),
                                          premultiplied(rgba[0]), a}))
                << i;
        }
    }
    ZlibBridge::SetZlibPresent(true);
}

TEST(PngEncoder, RefusesSizesThatDoNotMatchTheBytes) {
    EXPECT_TRUE(PngEncoder::EncodeRgba(3, 3, kPixels).empty());
    EXPECT_TRUE(PngEncoder::EncodeRgba(0, 2, {}).empty());
    EXPECT_TRUE(PngEncoder::EncodeRgba(-3, -2, kPixels).empty());
}

}  // namespace
