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

struct Color {
    int r, g, b;
};

// Top row, then bottom row: every colour is an exact entry of the 16- and 256-colour tables.
const Color kColors[2][8] = {{{0, 0, 0},
                              {255, 255, 255},
                              {255, 0, 0},
                              {0, 255, 0},
                              {0, 0, 255},
                              {255, 0, 255},
                              {255, 255, 0},
                              {128, 128, 128}},
                             {{0, 255, 255},
                              {192, 192, 192},
                              {128, 0, 0},
                              {0, 0, 128},
                              {0, 128, 128},
                              {128, 128, 0},
                              {128, 0, 128},
                              {0, 128, 0}}};

// Nearest of black and white.
const bool kWhiteAtOneBit[2][8] = {{false, true, false, false, false, true, true, true},
                                   {true, true, false, false, false, false, false, false}};

struct Decoded {
    int width = 0;
    int height = 0;
    std::string mode;
    int paletteEntries = 0;
    int bits = 0;
    std::vector<Color> pixels;
};

bool Decode(const std::string& path, Decoded& decoded) {
    const std::string command =
        "/usr/bin/python3 " TILEWRIGHT_TEST_SOURCE_DIR "/app/read_bitmap.py '" + path + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    std::string output;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    if (::pclose(pipe) != 0) {
        ADD_FAILURE() << "the reader failed: " << output;
        return false;
    }
    std::istringstream in(output);
    in >> decoded.width >> decoded.height >> decoded.mode >> decoded.paletteEntries >> decoded.bits;
    std::string pixel;
    while (in >> pixel) {
        Color color{};
        std::sscanf(pixel.c_str(), "%d,%d,%d", &color.r, &color.g, &color.b);
        decoded.pixels.push_back(color);
    }
    return decoded.pixels.size() == static_cast<std::size_t>(decoded.width * decoded.height);
}

Color Expected(int colors, int x, int y) {
    const Color color = kColors[y][x];
    if (colors == 1) {
        const int level = kWhiteAtOneBit[y][x] ? 255 : 0;
        return {level, level, level};
    }
    return color;
}

struct DepthCase {
    int colors;
    const char* mode;
    int paletteEntries;
};

void PrintTo(const DepthCase& c, std::ostream* out) {
    *out << c.colors << " bits";
}

class StripFileCrossCheck : public testing::TestWithParam<DepthCase> {};

TEST_P(StripFileCrossCheck, PillowReadsTheSizeDepthPaletteAndEveryPixel) {
    const DepthCase& c = GetParam();
    ClsDIB surface;
    ASSERT_NE(surface.Create(8, 2, 32), 0u);
    gdi::Bitmap* pixels = gdi::BitmapOfDC(surface.hDC());
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 8; ++x) {
            const Color& color = kColors[y][x];
            pixels->WritePixel(
                x, y,
                {static_cast<std::uint8_t>(color.b), static_cast<std::uint8_t>(color.g),
                 static_cast<std::uint8_t>(color.r), 255});
        }
    }
    TempFolder folder;
    const std::string path = folder.File("strip.bmp");
    ASSERT_GT(surface.SaveToFile(path, c.colors), 0);

    Decoded decoded;
    ASSERT_TRUE(Decode(path, decoded));
    EXPECT_EQ(decoded.width, 8);
    EXPECT_EQ(decoded.height, 2);
    EXPECT_EQ(decoded.mode, c.mode);
    EXPECT_EQ(decoded.paletteEntries, c.paletteEntries);
    EXPECT_EQ(decoded.bits, c.colors);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 8; ++x) {
            const Color want = Expected(c.colors, x, y);
            const Color got = decoded.pixels[static_cast<std::size_t>(y * 8 + x)];
            if (c.colors == 16) {
                // Five bits a channel: the reader may widen them in its own way.
                EXPECT_EQ(got.r >> 3, want.r >> 3) << x << "," << y;
                EXPECT_EQ(got.g >> 3, want.g >> 3) << x << "," << y;
                EXPECT_EQ(got.b >> 3, want.b >> 3) << x << "," << y;
            } else {
                EXPECT_EQ(got.r, want.r) << x << "," << y;
                EXPECT_EQ(got.g, want.g) << x << "," << y;
                EXPECT_EQ(got.b, want.b) << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, StripFileCrossCheck,
                         testing::Values(DepthCase{1, "1", 0}, DepthCase{4, "P", 16},
                                         DepthCase{8, "P", 256}, DepthCase{16, "RGB", 0},
                                         DepthCase{24, "RGB", 0}, DepthCase{32, "RGB", 0}),
                         [](const testing::TestParamInfo<DepthCase>& info) {
                             return std::to_string(info.param.colors) + "Bits";
                         });

}  // namespace
