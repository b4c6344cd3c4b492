#include <gtest/gtest.h>

#include <cstring>

#include "image/c32bppDIB.h"

namespace {

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
}

TEST(Alpha, BlankAndEmptyImages) {
    c32bppDIB image;
    EXPECT_FALSE(image.HavePixelsAlpha());
    EXPECT_FALSE(image.RemoveAlpha());
    image.InitializeDIB(3, 3);
    EXPECT_FALSE(image.HavePixelsAlpha());
}

}  // namespace
