#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "app/StripDocument.h"
#include "platform/gdi/Bitmap.h"
#include "support/TestSurface.h"

namespace {

namespace fs = std::filesystem;

constexpr gdi::COLORREF kBlue = Rgb(0, 0, 255);
constexpr gdi::COLORREF kMagenta = Rgb(255, 0, 255);
constexpr gdi::COLORREF kUnder = Rgb(90, 90, 90);

// The same picture in four formats: a blue square inside a one-pixel frame that is transparent
// (magenta in the bitmap, which has no transparency).
std::vector<std::string> WriteSources(const fs::path& folder) {
    std::vector<std::string> paths;
    for (const char* format : {"png", "gif", "ico", "bmp"}) {
        const bool opaque = std::string(format) == "bmp";
        const fs::path path = folder / (std::string("source.") + format);
        const std::string command = std::string("/usr/bin/convert -size 16x16 xc:") +
                                    (opaque ? "magenta" : "none") +
                                    " +antialias -fill blue -draw 'rectangle 1,1 14,14' " +
                                    (opaque ? "-type TrueColor BMP3:" : "") + path.string();
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        paths.push_back(path.string());
    }
    return paths;
}

gdi::COLORREF AsHeldAt(int depth, gdi::COLORREF color) {
    return gdi::Bitmap::Create(1, 1, depth)->MapColor(color);
}

gdi::COLORREF CellPixel(const StripDocument& document, int cell, int x, int y) {
    TestSurface surface(16, 16, 32);
    surface.Fill(kUnder);
    document.CellStore().Draw(document.Cells()[static_cast<std::size_t>(cell)], surface.dc.Get(), 0,
                              0);
    return surface.At(x, y);
}

// Pillow's reading of one pixel of a saved bitmap, as 0x00BBGGRR.
gdi::COLORREF PillowPixel(const std::string& path, int x, int y) {
    const std::string command =
        "/usr/bin/python3 -c \"from PIL import Image; "
        "print(*Image.open('" +
        path + "').convert('RGB').getpixel((" + std::to_string(x) + "," + std::to_string(y) +
        ")))\"";
    FILE* pipe = ::popen(command.c_str(), "r");
    unsigned r = 0, g = 0, b = 0;
    const bool read = pipe != nullptr && std::fscanf(pipe, "%u %u %u", &r, &g, &b) == 3;
    if (pipe != nullptr) {
        ::pclose(pipe);
    }
    EXPECT_TRUE(read) << command;
    return Rgb(r, g, b);
}

TEST(StripRoundTrip, EveryFormatAtEveryDepthSurvivesSaveAndReopen) {
    const fs::path folder = fs::temp_directory_path() / "tilewright-round-trip";
    fs::create_directories(folder);
    const std::vector<std::string> sources = WriteSources(folder);
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        StripDocument document;
        ASSERT_TRUE(document.NewStrip(16, 16, depth, kMagenta));
        for (const std::string& source : sources) {
            ASSERT_EQ(document.AddImage(source, -1, nullptr, nullptr),
                      StripDocument::AddResult::Added)
                << source << " at " << depth;
        }
        const std::string saved = (folder / ("strip" + std::to_string(depth) + ".bmp")).string();
        std::string error;
        ASSERT_TRUE(document.SaveStrip(saved, error)) << error;

        StripDocument reopened;
        ASSERT_TRUE(reopened.OpenStripFile(saved));
        ASSERT_EQ(reopened.CellCount(), 4);
        EXPECT_EQ(reopened.CellStore().Colors(), depth);
        if (depth < 32) {
            EXPECT_EQ(reopened.BackColor(), AsHeldAt(depth, kMagenta)) << depth;
        }
        for (int cell = 0; cell < 4; ++cell) {
            const std::string what =
                sources[static_cast<std::size_t>(cell)] + " at " + std::to_string(depth);
            EXPECT_EQ(CellPixel(reopened, cell, 8, 8), AsHeldAt(depth, kBlue)) << what;
            // A bitmap has no transparency; only a strip below 32 bits masks its frame.
            const gdi::COLORREF frame = depth == 32 && cell == 3 ? kMagenta : kUnder;
            EXPECT_EQ(CellPixel(reopened, cell, 0, 0), frame) << what;
            EXPECT_EQ(CellPixel(reopened, cell, 15, 9), frame) << what;
            EXPECT_EQ(PillowPixel(saved, 16 * cell + 8, 8), AsHeldAt(depth, kBlue)) << what;
            if (depth < 32) {
                EXPECT_EQ(PillowPixel(saved, 16 * cell, 15), AsHeldAt(depth, kMagenta)) << what;
            }
        }
    }
}

}  // namespace
