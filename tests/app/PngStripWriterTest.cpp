#include <gtest/gtest.h>

#include "app/ClsDIB.h"
#include "app/PngStripWriter.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"

namespace {

// Every premultiplied value of every alpha must come back from the decoders' rule
// (straight x alpha / 255, remainder dropped), or split cells would not rebuild their strip.
// Surfaces that are not 32-bit are refused.
TEST(PngStripWriter, StraightColoursPremultiplyBackToEveryByteAndOnly32BitSurfacesAreTaken) {
    ClsDIB surface;
    gdi::Bitmap* bitmap = gdi::BitmapFromHandle(surface.Create(256, 256, 32));
    ASSERT_NE(bitmap, nullptr);
    for (int a = 0; a < 256; ++a) {
        for (int c = 0; c <= a; ++c) {
            bitmap->WritePixel(c, a,
                               {static_cast<std::uint8_t>(c), 0, static_cast<std::uint8_t>(a / 2),
                                static_cast<std::uint8_t>(a)});
        }
    }
    const std::vector<std::uint8_t> rgba = PngStripWriter::StraightRgba(*bitmap);
    ASSERT_EQ(rgba.size(), 256u * 256 * 4);
    for (int a = 0; a < 256; ++a) {
        for (int c = 0; c <= a; ++c) {
            const std::uint8_t* pixel = rgba.data() + 4 * (a * 256 + c);
            ASSERT_EQ(pixel[3], a);
            ASSERT_EQ(pixel[2] * a / 255, c) << "alpha " << a;
            ASSERT_EQ(pixel[0] * a / 255, a / 2) << "alpha " << a;
            ASSERT_EQ(pixel[1], 0);
        }
    }
    EXPECT_EQ(std::vector<std::uint8_t>(rgba.begin(), rgba.begin() + 4),
              (std::vector<std::uint8_t>{0, 0, 0, 0}));
    std::string error;
    for (const gdi::HBITMAP handle : {gdi::HBITMAP{0}, surface.Create(4, 4, 24)}) {
        error.clear();
        EXPECT_FALSE(PngStripWriter::SaveToFile(handle, "x.png", error));
        EXPECT_EQ(error, "Error: 22\nInvalid argument");
    }
}

}  // namespace
