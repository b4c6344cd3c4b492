#include <gtest/gtest.h>

#include "image/c32bppDIB.h"
#include "import/IconGroup.h"
#include "support/HostPixel.h"

// The module the MinGW toolchain built from tests/data/pe/resources.rc.
namespace {

TEST(RealModule, IconGroupsKeepEveryImageWithThePngOne) {
    for (int position : {0, 1}) {
        IconGroup icons;
        ASSERT_TRUE(icons.LoadIconFromResource(TILEWRIGHT_TEST_MODULE, position));
        ASSERT_EQ(icons.Count(), 4);
        EXPECT_EQ(icons.ListText(0), "Icon 1: 16x16x32Bit");
        EXPECT_EQ(icons.ListText(3), "Icon 4: 256x256x32Bit (PNG)");
        EXPECT_TRUE(IconGroup::IsPNG(icons.Image(3)));
        for (int entry : {0, 3}) {
            c32bppDIB image;
            ASSERT_TRUE(
                image.LoadPicture_Stream(icons.SingleIconFile(entry), 0, 0, 0, 0, false, 32));
            const int centre = image.Width() / 2;
            EXPECT_EQ(testsupport::PixelAt(image, centre, centre),
                      (std::array<int, 4>{0, 165, 255, 255}))
                << "orange at the centre of entry " << entry;
        }
    }
    IconGroup cursor;
    EXPECT_FALSE(cursor.LoadIconFromFile(TILEWRIGHT_TEST_SOURCE_DIR "/data/pe/arrow.cur"));
}

}  // namespace
