#include "platform/gdi/ImageList.h"

#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"

namespace gdi {
namespace {

TEST(ImageList, FlagsChooseTheFormat) {
    struct Case {
        unsigned flags;
        int bitCount;
    };
    const Case cases[] = {{ImageList::ILC_MASK, 4},
                          {4 | ImageList::ILC_MASK, 4},
                          {8 | ImageList::ILC_MASK, 8},
                          {16 | ImageList::ILC_MASK, 16},
                          {24 | ImageList::ILC_MASK, 24},
                          {32 | ImageList::ILC_MASK, 32},
                          {32, 32},
                          {2 | ImageList::ILC_MASK, 0},
                          {12, 0},
                          {0xFE, 0}};
    for (const Case& c : cases) {
        UniqueGdiObject list(ImageList::Create(16, 16, c.flags));
        if (c.bitCount == 0) {
            EXPECT_FALSE(list) << "flags " << c.flags;
            continue;
        }
        ASSERT_TRUE(list) << "flags " << c.flags;
        EXPECT_EQ(ImageList::FromHandle(list.Get())->BitCount(), c.bitCount);
    }
    EXPECT_EQ(ImageList::Create(0, 16, 32), 0u);
    EXPECT_EQ(ImageList::Create(16, -1, 32), 0u);
}

TEST(ImageList, ShortBitmapsAddNothingAndTheCountCanOnlyShrink) {
    UniqueGdiObject list(ImageList::Create(2, 4, 24 | ImageList::ILC_MASK));
    UniqueGdiObject shortBitmap(CreateCompatibleBitmap(8, 3)), bitmap(CreateCompatibleBitmap(6, 4));
    ImageList* images = ImageList::FromHandle(list.Get());
    EXPECT_EQ(images->Add(shortBitmap.Get(), CLR_NONE), -1) << "shorter than a cell";
    EXPECT_EQ(images->Add(0, CLR_NONE), -1);
    EXPECT_EQ(images->ImageCount(), 0);
    EXPECT_EQ(images->Add(bitmap.Get(), CLR_NONE), 0);
    EXPECT_EQ(images->Add(bitmap.Get(), CLR_NONE), 3);
    EXPECT_FALSE(images->SetImageCount(7));
    EXPECT_FALSE(images->SetImageCount(-1));
    EXPECT_TRUE(images->SetImageCount(2));
    EXPECT_EQ(images->ImageCount(), 2);
}

}  // namespace
}  // namespace gdi
