// SPDX-License-Identifier: MIT
#include "app/ClsDIB.h"

#include <gtest/gtest.h>

#include "platform/gdi/DibReader.h"
#include "platform/gdi/Gdi.h"
#include "support/TempFolder.h"
#include "support/TestSurface.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The little-endian field of `size` bytes at `at`.
std::uint32_t Field(const Bytes& bytes, std::size_t at, int size = 4) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

// The file a save writes, checked against the size the save reports.
Bytes Saved(ClsDIB& surface, const std::string& path, int bits) {
    const std::int32_t written = surface.SaveToFile(path, bits);
    Bytes file = written > 0 ? TempFolder::Read(path) : Bytes{};
    EXPECT_EQ(file.size(), static_cast<std::size_t>(written)) << bits << " bits";
    return file;
}

TEST(ClsDIB, CreateFillRestoreAndDestroy) {
    ClsDIB surface;
    EXPECT_EQ((std::array{surface.Create(0, 16, 32), surface.Create(16, 16, 7), surface.hDC()}),
              (std::array<gdi::HGDIOBJ, 3>{}));
    surface.Fill(Rgb(1, 2, 3));  // without a surface these do nothing
    surface.RestoreDC();

    const gdi::HBITMAP bitmap = surface.Create(3, 2, 8);
    ASSERT_NE(bitmap, 0u);
    EXPECT_EQ(std::tuple(surface.hDib(), gdi::GetCurrentBitmap(surface.hDC()), surface.Width(),
                         surface.Height(), Bytes(surface.lpBits(), surface.lpBits() + 8)),
              std::tuple(bitmap, bitmap, 3, 2, Bytes(8, 0)));
    surface.Fill(Rgb(255, 0, 255));
    const gdi::COLORREF filled = gdi::GetPixel(surface.hDC(), 2, 1);
    surface.Fill();
    EXPECT_EQ(std::pair(filled, gdi::GetPixel(surface.hDC(), 0, 0)),
              std::pair(Rgb(255, 0, 255), 0u));
    surface.RestoreDC();
    EXPECT_EQ(gdi::GetCurrentBitmap(surface.hDC()), gdi::StockBitmap());
    const gdi::UniqueGdiObject other(gdi::CreateCompatibleDC());
    EXPECT_NE(gdi::SelectObject(other.Get(), surface.hDib()), 0u);

    // The bitmap's deletion is what the check of live handles after each case catches.
    surface.Destroy();
    EXPECT_EQ(std::tuple(surface.hDC(), surface.hDib(), surface.lpBits(), surface.Width()),
              std::tuple(gdi::HDC{0}, gdi::HBITMAP{0}, static_cast<std::uint8_t*>(nullptr), 0));
}

TEST(ClsDIB, SavedHeadersAndSizesFollowTheRowArithmetic) {
    // Width, height, bit count, bytes a row, colour table entries.
    const std::uint32_t cases[][5] = {
        {160, 16, 24, 480, 0}, {160, 16, 8, 160, 256}, {160, 16, 1, 20, 2},
        {160, 16, 4, 80, 16},  {160, 16, 16, 320, 0},  {160, 16, 32, 640, 0},
        {3, 1, 4, 4, 16},      {33, 2, 1, 8, 2},       {1, 1, 24, 4, 0}};
    TempFolder folder;
    for (const auto& [width, height, bits, rowBytes, entries] : cases) {
        ClsDIB surface;
        ASSERT_NE(surface.Create(static_cast<int>(width), static_cast<int>(height), 32), 0u);
        const Bytes file = Saved(surface, folder.File("strip.bmp"), static_cast<int>(bits));
        const std::uint32_t imageSize = rowBytes * height, offset = 54 + 4 * entries;
        ASSERT_EQ(file.size(), offset + imageSize) << width << "x" << height << " at " << bits;
        const std::array fields = {Field(file, 0, 2), Field(file, 2),     Field(file, 6),
                                   Field(file, 10),   Field(file, 14),    Field(file, 18),
                                   Field(file, 22),   Field(file, 26, 2), Field(file, 28, 2),
                                   Field(file, 30),   Field(file, 34),    Field(file, 46),
                                   Field(file, 50)};
        EXPECT_EQ(fields,
                  (std::array<std::uint32_t, 13>{0x4D42, offset + imageSize, 0, offset, 40, width,
                                                 height, 1, bits, 0, imageSize, entries, entries}));
        // A blank surface is black, entry 0 of every table, and rows are padded with zeros.
        EXPECT_EQ(std::count(file.begin() + offset, file.end(), 0), std::ptrdiff_t{imageSize});
    }
}

// Top row, then bottom row: every colour is an exact entry of the 16- and 256-colour tables.
const gdi::COLORREF kColors[16] = {
    Rgb(0, 0, 0),     Rgb(255, 255, 255), Rgb(255, 0, 0),   Rgb(0, 255, 0),
    Rgb(0, 0, 255),   Rgb(255, 0, 255),   Rgb(255, 255, 0), Rgb(128, 128, 128),
    Rgb(0, 255, 255), Rgb(192, 192, 192), Rgb(128, 0, 0),   Rgb(0, 0, 128),
    Rgb(0, 128, 128), Rgb(128, 128, 0),   Rgb(128, 0, 128), Rgb(0, 128, 0)};
// Nearest of black and white.
const char kWhiteAtOneBit[] = "0100011111000000";

// Read back by the bitmap reader, whose layouts are pinned to ImageMagick's files by its own
// test, so that this writer cannot agree with it on a wrong one. 32-bit pixels go out as they
// are held, premultiplied.
TEST(ClsDIB, SavedFilesHoldEveryPixelAtEveryDepth) {
    ClsDIB surface;
    ASSERT_NE(surface.Create(8, 2, 32), 0u);
    for (int i = 0; i < 16; ++i) {
        gdi::BitmapOfDC(surface.hDC())
            ->WritePixel(i % 8, i / 8, gdi::Bgra::FromColor(kColors[i], 255));
    }
    TempFolder folder;
    const std::string path = folder.File("strip.bmp");
    for (const int bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(std::to_string(bits) + " bits");
        const auto decoded = gdi::DibReader::ReadBitmapFile(Saved(surface, path, bits));
        ASSERT_NE(decoded, nullptr);
        // Five bits a channel at 16 bits.
        const gdi::COLORREF kept = bits == 16 ? 0xF8F8F8 : 0xFFFFFF;
        for (int i = 0; i < 16; ++i) {
            const gdi::COLORREF want =
                bits == 1 ? (kWhiteAtOneBit[i] == '1' ? 0xFFFFFF : 0) : kColors[i];
            EXPECT_EQ(decoded->ReadPixel(i % 8, i / 8).Rgb() & kept, want & kept) << "pixel " << i;
        }
    }
    EXPECT_EQ(Field(Saved(surface, path, 8), 54 + 4 * 13), 0x00FF00FFu)
        << "table entries: B, G, R, 0";
    const std::uint8_t premultiplied[] = {10, 20, 30, 40, 0, 0, 0, 0};
    std::copy(std::begin(premultiplied), std::end(premultiplied), surface.lpBits());
    const Bytes file = Saved(surface, path, 32);
    EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 62),
              Bytes(std::begin(premultiplied), std::end(premultiplied)));
}

// Where the file cannot be written is the writer's to tell, and the window's test shows its
// reason; here, what the surface refuses.
TEST(ClsDIB, FailedSavesReportWhy) {
    TempFolder folder;
    ClsDIB surface, empty;
    surface.Create(4, 4, 32);
    EXPECT_EQ(surface.SaveToFile(folder.File("odd.bmp"), 2), 0) << "no such depth";
    for (const auto& [saver, path, depth] : {std::tuple{&surface, folder.File("odd.bmp"), 2},
                                             std::tuple{&empty, folder.File("none.bmp"), 24}}) {
        const auto saved = saver->SaveBandsToFile(path, depth, 4, {});
        ASSERT_FALSE(saved) << path;
        EXPECT_EQ(std::tuple(saved.Error().Text(), saved.Error().Path()),
                  std::tuple("Error: 22\nInvalid argument", path));
    }
    EXPECT_GT(surface.SaveToFile(folder.File("fine.bmp"), 24), 0);
    EXPECT_EQ(folder.EntryCount(), 1u);
}

}  // namespace
