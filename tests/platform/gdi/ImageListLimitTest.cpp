#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/UniqueGdiObject.h"

namespace gdi {
namespace {

TEST(ImageList, NoMoreThanTheMostImagesAreHeld) {
    UniqueGdiObject list(ImageList::Create(1, 1, 4));
    ImageList* images = ImageList::FromHandle(list.Get());
    UniqueGdiObject tooMany(CreateCompatibleBitmap(ImageList::kMaxImages + 1, 1));
    EXPECT_EQ(images->Add(tooMany.Get(), CLR_NONE), -1);
    EXPECT_EQ(images->ImageCount(), 0);
    UniqueGdiObject allButOne(CreateCompatibleBitmap(ImageList::kMaxImages - 1, 1));
    UniqueGdiObject two(CreateCompatibleBitmap(2, 1));
    EXPECT_EQ(images->Add(allButOne.Get(), CLR_NONE), 0);
    EXPECT_EQ(images->Add(two.Get(), CLR_NONE), -1);
    EXPECT_EQ(images->Add(two.Get(), 0), -1);
    UniqueGdiObject last(CreateCompatibleBitmap(1, 1));
    EXPECT_EQ(images->Add(last.Get(), CLR_NONE), ImageList::kMaxImages - 1);
    EXPECT_EQ(images->ImageCount(), ImageList::kMaxImages);
}

}  // namespace
}  // namespace gdi
