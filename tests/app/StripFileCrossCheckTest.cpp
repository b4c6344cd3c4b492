#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "TempFolder.h"
#include "app/ClsDIB.h"
#include "platform/gdi/Gdi.h"

// Strip files are read back by an independent decoder (Pillow), so that a writer and a reader of
// our own cannot agree on a wrong layout.
namespace {

// Top row, then bottom row, as 0xRRGGBB: every colour is an exact entry of the 16- and 256-colour
// tables.
const std::uint32_t kColors[16] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF,
                                   0xFFFF00, 0x808080, 0x00FFFF, 0xC0C0C0, 0x800000, 0x000080,
                                   0x008080, 0x808000, 0x800080, 0x008000};
// Nearest of black and white.
const char kWhiteAtOneBit[] = "0100011111000000";

// Pillow's output: "WIDTH HEIGHT MODE PALETTE_ENTRIES BITS", then "r,g,b" per pixel.
std::string Decode(const std::string& path) {
    const std::string command =
        "/usr/bin/python3 " TILEWRIGHT_TEST_SOURCE_DIR "/app/read_bitmap.py '" + path + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    EXPECT_TRUE(pipe != nullptr && ::pclose(pipe) == 0) << "the reader failed: " << output;
    return output;
}

TEST(StripFileCrossCheck, PillowReadsTheSizeDepthPaletteAndEveryPixel) {
    // Bit count, Pillow's mode and palette entries.
    const std::tuple<int, const char*, int> cases[] = {
        {1, "1", 0}, {4, "P", 16}, {8, "P", 256}, {16, "RGB", 0}, {24, "RGB", 0}, {32, "RGB", 0}};
    ClsDIB surface;
    ASSERT_NE(surface.Create(8, 2, 32), 0u);
    for (int i = 0; i < 16; ++i) {
        gdi::BitmapOfDC(surface.hDC())
            ->WritePixel(
                i % 8, i / 8,
                gdi::Bgra::FromColor(
                    (kColors[i] >> 16) | (kColors[i] & 0xFF00) | ((kColors[i] & 0xFF) << 16), 255));
    }
    TempFolder folder;
    const std::string path = folder.File("strip.bmp");
    for (const auto& [bits, mode, entries] : cases) {
        SCOPED_TRACE(std::to_string(bits) + " bits");
        ASSERT_GT(surface.SaveToFile(path, bits), 0);
        std::istringstream in(Decode(path));
        int width = 0, height = 0, paletteEntries = 0, fileBits = 0;
        std::string decodedMode;
        in >> width >> height >> decodedMode >> paletteEntries >> fileBits;
        EXPECT_EQ(std::tuple(width, height, decodedMode, paletteEntries, fileBits),
                  std::tuple(8, 2, std::string(mode), entries, bits));
        std::string pixel;
        int i = 0;
        for (; in >> pixel; ++i) {
            ASSERT_LT(i, 16) << "pixel count";
            int r = 0, g = 0, b = 0;
            std::sscanf(pixel.c_str(), "%d,%d,%d", &r, &g, &b);
            std::uint32_t want = kColors[i];
            if (bits == 1) {
                want = kWhiteAtOneBit[i] == '1' ? 0xFFFFFF : 0;
            }
            // Five bits a channel at 16 bits: the reader may widen them in its own way.
            const int drop = bits == 16 ? 3 : 0;
            EXPECT_EQ((std::array{r >> drop, g >> drop, b >> drop}),
                      (std::array{static_cast<int>(want >> 16) >> drop,
                                  static_cast<int>(want >> 8 & 0xFF) >> drop,
                                  static_cast<int>(want & 0xFF) >> drop}))
                << "pixel " << i;
        }
        EXPECT_EQ(i, 16) << "pixel count";
    }
}

}  // namespace
