#include "app/ClsDIB.h"

#include <gtest/gtest.h>

#include "support/TestSurface.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include <filesystem>

#include "TempFolder.h"
#include "platform/gdi/Gdi.h"

namespace {

using gdi::COLORREF;

std::uint32_t U32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::uint16_t U16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

TEST(ClsDIB, CreateGivesASelectedZeroSurfaceAndDestroyClearsIt) {
    ClsDIB surface;
    const gdi::HBITMAP bitmap = surface.Create(3, 2, 24);
    ASSERT_NE(bitmap, 0u);
    EXPECT_EQ(surface.hDib(), bitmap);
    EXPECT_EQ(gdi::GetCurrentBitmap(surface.hDC()), bitmap);
    EXPECT_EQ(surface.Width(), 3);
    EXPECT_EQ(surface.Height(), 2);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(surface.lpBits()[i], 0);
    }
    surface.Destroy();
    EXPECT_EQ(surface.hDC(), 0u);
    EXPECT_EQ(surface.hDib(), 0u);
    EXPECT_EQ(surface.lpBits(), nullptr);
    EXPECT_EQ(surface.Width(), 0);
    EXPECT_EQ(gdi::BitmapFromHandle(bitmap), nullptr);
}

TEST(ClsDIB, ImpossibleSurfacesAreNotCreated) {
    ClsDIB surface;
    EXPECT_EQ(surface.Create(0, 16, 32), 0u);
    EXPECT_EQ(surface.hDC(), 0u);
    EXPECT_EQ(surface.Create(16, 16, 7), 0u);
    surface.Fill(Rgb(1, 2, 3));
    surface.RestoreDC();
}

TEST(ClsDIB, FillPaintsEverythingAndRestoreDCHandsTheBitmapOn) {
    ClsDIB surface;
    surface.Create(2, 2, 8);
    surface.Fill(Rgb(255, 0, 255));
    EXPECT_EQ(gdi::GetPixel(surface.hDC(), 1, 1), Rgb(255, 0, 255));
    surface.Fill();
    EXPECT_EQ(gdi::GetPixel(surface.hDC(), 0, 0), 0u);
    surface.RestoreDC();
    EXPECT_EQ(gdi::GetCurrentBitmap(surface.hDC()), gdi::StockBitmap());
    const gdi::UniqueGdiObject other(gdi::CreateCompatibleDC());
    EXPECT_NE(gdi::SelectObject(other.Get(), surface.hDib()), 0u);
}

struct LayoutCase {
    int width;
    int height;
    int colors;
    std::uint32_t rowBytes;
    std::uint32_t tableEntries;
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
    *out << c.width << "x" << c.height << " at " << c.colors << " bits";
}

class SavedLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(SavedLayout, HeadersAndSizesFollowTheRowArithmetic) {
    const LayoutCase& c = GetParam();
    TempFolder folder;
    ClsDIB surface;
    ASSERT_NE(surface.Create(c.width, c.height, 32), 0u);
    const std::string path = folder.File("strip.bmp");
    const std::uint32_t imageSize = c.rowBytes * static_cast<std::uint32_t>(c.height);
    const std::uint32_t offset = 54 + 4 * c.tableEntries;
    ASSERT_EQ(surface.SaveToFile(path, c.colors), static_cast<std::int32_t>(offset + imageSize));
    const std::vector<std::uint8_t> file = TempFolder::Read(path);
    ASSERT_EQ(file.size(), offset + imageSize);
    EXPECT_EQ(U16(file, 0), 0x4D42);
    EXPECT_EQ(U32(file, 2), offset + imageSize);
    EXPECT_EQ(U32(file, 6), 0u);
    EXPECT_EQ(U32(file, 10), offset);
    EXPECT_EQ(U32(file, 14), 40u);
    EXPECT_EQ(U32(file, 18), static_cast<std::uint32_t>(c.width));
    EXPECT_EQ(U32(file, 22), static_cast<std::uint32_t>(c.height));
    EXPECT_EQ(U16(file, 26), 1);
    EXPECT_EQ(U16(file, 28), c.colors);
    EXPECT_EQ(U32(file, 30), 0u);
    EXPECT_EQ(U32(file, 34), imageSize);
    EXPECT_EQ(U32(file, 46), c.tableEntries);
    EXPECT_EQ(U32(file, 50), c.tableEntries);
}

INSTANTIATE_TEST_SUITE_P(
    ClsDIB, SavedLayout,
    testing::Values(LayoutCase{160, 16, 24, 480, 0}, LayoutCase{160, 16, 8, 160, 256},
                    LayoutCase{160, 16, 1, 20, 2}, LayoutCase{160, 16, 4, 80, 16},
                    LayoutCase{160, 16, 16, 320, 0}, LayoutCase{160, 16, 32, 640, 0},
                    LayoutCase{3, 1, 4, 4, 16}, LayoutCase{33, 2, 1, 8, 2},
                    LayoutCase{1, 1, 24, 4, 0}));

TEST(ClsDIB, PixelsAreWrittenBottomRowFirstInTheFilesFormat) {
    TempFolder folder;
    ClsDIB surface;
    surface.Create(2, 2, 32);
    gdi::FillRect(surface.hDC(), {0, 0, 2, 1}, Rgb(255, 0, 0));  // top row red
    gdi::FillRect(surface.hDC(), {0, 1, 2, 2}, Rgb(0, 0, 255));  // bottom row blue
    const std::string path = folder.File("pixels.bmp");

    ASSERT_GT(surface.SaveToFile(path, 16), 0);
    std::vector<std::uint8_t> file = TempFolder::Read(path);
    EXPECT_EQ(U16(file, 54), 0x001F);
    EXPECT_EQ(U16(file, 58), 0x7C00);

    ASSERT_GT(surface.SaveToFile(path, 24), 0);
    file = TempFolder::Read(path);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()),
              (std::vector<std::uint8_t>{255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0}));

    ASSERT_GT(surface.SaveToFile(path, 8), 0);
    file = TempFolder::Read(path);
    EXPECT_EQ(file[1078], 12) << "blue is entry 12 of the table";
    EXPECT_EQ(file[1082], 9) << "red is entry 9";
    EXPECT_EQ(U32(file, 54 + 4 * 13), 0x00FF00FFu) << "magenta entry written as B, G, R, 0";
}

TEST(ClsDIB, ThirtyTwoBitsKeepsThePremultipliedBytesAndAlpha) {
    TempFolder folder;
    ClsDIB surface;
    surface.Create(2, 1, 32);
    const std::uint8_t pixels[] = {10, 20, 30, 40, 0, 0, 0, 0};
    std::copy(std::begin(pixels), std::end(pixels), surface.lpBits());
    const std::string path = folder.File("alpha.bmp");
    ASSERT_EQ(surface.SaveToFile(path, 32), 62);
    const std::vector<std::uint8_t> file = TempFolder::Read(path);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()),
              std::vector<std::uint8_t>(std::begin(pixels), std::end(pixels)));
}

TEST(ClsDIB, AShorterStripLeavesNoBytesOfTheOlderFileBehind) {
    TempFolder folder;
    const std::string path = folder.File("strip.bmp");
    TempFolder::Write(path, std::vector<std::uint8_t>(5000, 0xAB));
    ClsDIB surface;
    surface.Create(4, 4, 32);
    ASSERT_EQ(surface.SaveToFile(path, 1), 54 + 8 + 16);
    EXPECT_EQ(std::filesystem::file_size(path), 78u);
    EXPECT_EQ(folder.EntryCount(), 1u);
}

TEST(ClsDIB, FailedSavesReportAndLeaveTheFolderAsItWas) {
    TempFolder folder;
    std::filesystem::create_directory(folder.File("taken"));
    ClsDIB surface;
    surface.Create(4, 4, 32);
    EXPECT_EQ(surface.SaveToFile(folder.File("taken"), 24), 0);
    EXPECT_EQ(surface.LastError().rfind("Error: 21\n", 0), 0u) << surface.LastError();
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("taken")));
    EXPECT_EQ(surface.SaveToFile(folder.File("missing/strip.bmp"), 24), 0);
    EXPECT_EQ(surface.SaveToFile("", 24), 0);
    EXPECT_EQ(surface.SaveToFile(folder.File("odd.bmp"), 2), 0) << "no such depth";
    EXPECT_EQ(folder.EntryCount(), 1u);
    EXPECT_GT(surface.SaveToFile(folder.File("fine.bmp"), 24), 0);
    EXPECT_TRUE(surface.LastError().empty());

    ClsDIB empty;
    EXPECT_EQ(empty.SaveToFile(folder.File("none.bmp"), 24), 0);
    EXPECT_FALSE(empty.LastError().empty());
}

// A full disk, made by a file-size limit in a child process: the old strip stays byte for byte.
TEST(ClsDIB, AWriteThatRunsOutOfSpaceKeepsTheOldFile) {
    TempFolder folder;
    const std::string path = folder.File("strip.bmp");
    const std::vector<std::uint8_t> old(100, 0x5A);
    TempFolder::Write(path, old);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ClsDIB surface;
        surface.Create(64, 64, 32);
        const bool failed =
            surface.SaveToFile(path, 24) == 0 && surface.LastError().rfind("Error: 27\n", 0) == 0;
        ::_exit(failed ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save must fail with EFBIG";
    EXPECT_EQ(TempFolder::Read(path), old);
    EXPECT_EQ(folder.EntryCount(), 1u) << "no temporary file is left";
}

}  // namespace
