#include <gtest/gtest.h>

#include "platform/gdi/Bitmap.h"

namespace gdi {
namespace {

// Every picture becomes a 32-bit image, so 256 MiB at 4 bytes a pixel bounds bitmaps of every
// depth: 64 Mi pixels pass, one row or column more is refused before any memory is taken.
TEST(BitmapSizeLimit, SixtyFourMebipixelsAtMostAtEveryDepth) {
    struct Case {
        int width, height, bitCount;
        bool created;
    };
    const Case cases[] = {{8192, 8192, 1, true},
                          {8192, 8193, 1, false},
                          {8193, 8192, 1, false},
                          {65536, 1024, 4, true},
                          {65536, 1025, 4, false},
                          {67108864, 1, 1, true},
                          {67108865, 1, 1, false},
                          {1, 67108865, 8, false},
                          {16384, 4097, 8, false},
                          {0x4D00000D, 1, 1, false},
                          {8192, 8193, 16, false},
                          {8193, 8192, 24, false},
                          {0x7FFFFFFF, 0x7FFFFFFF, 1, false}};
    for (const Case& c : cases) {
        const bool created = Bitmap::Create(c.width, c.height, c.bitCount) != nullptr;
        EXPECT_EQ(created, c.created) << c.width << "x" << c.height << "x" << c.bitCount;
    }
}

}  // namespace
}  // namespace gdi
