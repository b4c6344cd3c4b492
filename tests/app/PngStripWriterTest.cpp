// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "app/ClsDIB.h"
#include "app/PngStripWriter.h"
#include "image/c32bppDIB.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "support/Pngcheck.h"
#include "support/TempFolder.h"

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
    const std::vector<std::uint8_t> rgba = PngStripWriter::StraightRgba(*bitmap, 256);
    ASSERT_EQ(rgba.size(), 256u * 256 * 4);
    for (int a = 0; a < 256; ++a) {
        for (int c = 0; c <= a; ++c) {
            const std::uint8_t* pixel = rgba.data() + 4 * (a * 256 + c);
            ASSERT_EQ(std::tuple(pixel[3], pixel[2] * a / 255, pixel[0] * a / 255, pixel[1]),
                      std::tuple(a, c, a / 2, 0))
                << "alpha " << a;
        }
    }
    // Nothing is left in the colours of a fully transparent pixel.
    EXPECT_EQ(std::vector(rgba.begin(), rgba.begin() + 4), (std::vector<std::uint8_t>(4, 0)));
    for (const gdi::HBITMAP handle : {gdi::HBITMAP{0}, surface.Create(4, 4, 24)}) {
        const Status saved = PngStripWriter::SaveToFile(handle, "x.png");
        ASSERT_FALSE(saved);
        EXPECT_EQ(std::tuple(saved.Error().Text(), saved.Error().Errno(), saved.Error().Path()),
                  std::tuple("Error: 22\nInvalid argument", EINVAL, "x.png"));
    }
}

// Bands of 3 rows of a 7-row picture write the very file of the whole picture; noise of 512 x 256
// pixels needs several IDAT chunks and still reads back; pngcheck takes it.
TEST(PngStripWriter, BandsWriteTheFileOfTheWholePicture) {
    TempFolder folder;
    std::uint32_t noise = 12345;
    for (const auto& [width, height] : {std::pair{5, 7}, std::pair{512, 256}}) {
        ClsDIB surface;
        gdi::Bitmap* bitmap = gdi::BitmapFromHandle(surface.Create(width, height, 32));
        ASSERT_NE(bitmap, nullptr);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                noise = noise * 1103515245 + 12345;
                const auto a = static_cast<std::uint8_t>(noise >> 24);
                bitmap->WritePixel(x, y, {static_cast<std::uint8_t>(a / 3), 0, a, a});
            }
        }
        ASSERT_TRUE(PngStripWriter::SaveToFile(surface.hDib(), folder.File("whole.png")));
        ClsDIB band;
        gdi::Bitmap* rows = gdi::BitmapFromHandle(band.Create(width, 3, 32));
        const auto drawBand = [&](int top) {
            for (int y = 0; y < 3 && top + y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    rows->WritePixel(x, y, bitmap->ReadPixel(x, top + y));
                }
            }
            return rows;
        };
        ASSERT_TRUE(
            PngStripWriter::SaveBandsToFile(folder.File("bands.png"), width, height, 3, drawBand));
        EXPECT_TRUE(TempFolder::Read(folder.File("bands.png")) ==
                    TempFolder::Read(folder.File("whole.png")));
        EXPECT_EQ(testsupport::PngcheckComplaints(folder.File("bands.png")), "");
        c32bppDIB image;
        ASSERT_TRUE(image.LoadPicture_File(folder.File("bands.png"), 0, 0, false, 32));
        EXPECT_EQ(std::vector(image.BitsPointer(), image.BitsPointer() + width * height * 4),
                  std::vector(bitmap->Bits(), bitmap->Bits() + width * height * 4));
    }
}

}  // namespace
