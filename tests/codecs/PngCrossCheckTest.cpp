#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "PngBuilder.h"

// Every pairing of colour type and bit depth, interlaced or not, with and without tRNS, written by
// independent encoders; the expected pixels are ImageMagick's straight 16-bit decoding, cut to
// the high byte and premultiplied with downward rounding.
namespace {

namespace fs = std::filesystem;
using pngtest::Bytes;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> Fixtures() {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(TILEWRIGHT_TEST_SOURCE_DIR "/data/png")) {
        if (entry.path().extension() == ".png") {
            paths.push_back(entry.path());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool ExpectsAlpha(const std::string& name) {
    return name.starts_with("ct4") || name.starts_with("ct6") || name.ends_with("_t") ||
           name.starts_with("filtered_rgba");
}

std::array<int, 4> Premultiplied(const Bytes& straight16, std::size_t pixel) {
    const auto high = [&](std::size_t channel) { return straight16[pixel * 8 + channel * 2]; };
    const int alpha = high(3);
    const auto scale = [alpha](int value) { return value * alpha / 255; };
    return {scale(high(2)), scale(high(1)), scale(high(0)), alpha};
}

class PngCrossCheck : public testing::TestWithParam<bool> {};

TEST_P(PngCrossCheck, EveryFixtureDecodesToTheIndependentDecodersPixels) {
    const pngtest::ZlibAbsent zlib(GetParam());
    const std::vector<fs::path> fixtures = Fixtures();
    ASSERT_GE(fixtures.size(), 56u);
    for (const fs::path& path : fixtures) {
        const std::string name = path.stem().string();
        SCOPED_TRACE(name);
        const Bytes png = ReadFile(path);
        fs::path expectedPath = path;
        const Bytes expected = ReadFile(expectedPath.replace_extension(".rgba16"));
        c32bppDIB host;
        ASSERT_TRUE(pngtest::Decode(png, host));
        ASSERT_NE(host.BitsPointer(), nullptr);
        ASSERT_EQ(expected.size(), static_cast<std::size_t>(host.Width() * host.Height()) * 8);
        EXPECT_EQ(host.Alpha(), ExpectsAlpha(name));
        EXPECT_EQ(host.ImageType(), 10);
        int mismatches = 0;
        for (int y = 0; y < host.Height(); ++y) {
            for (int x = 0; x < host.Width(); ++x) {
                const auto want =
                    Premultiplied(expected, static_cast<std::size_t>(y * host.Width() + x));
                if (pngtest::PixelAt(host, x, y) != want && ++mismatches <= 3) {
                    ADD_FAILURE() << "pixel " << x << "," << y;
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(BothBindings, PngCrossCheck, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "WithoutZlib" : "WithZlib";
                         });

}  // namespace
