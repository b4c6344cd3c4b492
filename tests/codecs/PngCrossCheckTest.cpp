#include <gtest/gtest.h>

#include <filesystem>

#include "PngBuilder.h"

// Every pairing of colour type and bit depth, interlaced or not, with and without tRNS, written by
// independent encoders; the expected pixels are ImageMagick's straight 16-bit decoding, cut to
// the high byte and premultiplied with downward rounding.
namespace {

namespace fs = std::filesystem;
using pngtest::Bytes;

class PngCrossCheck : public testing::TestWithParam<bool> {};

TEST_P(PngCrossCheck, EveryFixtureDecodesToTheIndependentDecodersPixels) {
    const pngtest::ZlibAbsent zlib(GetParam());
    int fixtures = 0;
    for (const auto& entry : fs::directory_iterator(TILEWRIGHT_TEST_SOURCE_DIR "/data/png")) {
        fs::path path = entry.path();
        if (path.extension() != ".png") {
            continue;
        }
        ++fixtures;
        const std::string name = path.stem().string();
        SCOPED_TRACE(name);
        c32bppDIB host;
        ASSERT_TRUE(pngtest::Decode(testsupport::ReadFileBytes(path), host));
        const Bytes expected = testsupport::ReadFileBytes(path.replace_extension(".rgba16"));
        ASSERT_NE(host.BitsPointer(), nullptr);
        ASSERT_EQ(expected.size(), static_cast<std::size_t>(host.Width() * host.Height()) * 8);
        EXPECT_EQ(host.Alpha(), name.starts_with("ct4") || name.starts_with("ct6") ||
                                    name.ends_with("_t") || name.starts_with("filtered_rgba"));
        EXPECT_EQ(host.ImageType(), 10);
        for (std::size_t i = 0; i < expected.size() / 8; ++i) {
            const auto high = [&](std::size_t channel) {
                return int{expected[i * 8 + channel * 2]};
            };
            const int alpha = high(3);
            const std::array<int, 4> want = {high(2) * alpha / 255, high(1) * alpha / 255,
                                             high(0) * alpha / 255, alpha};
            const int x = static_cast<int>(i) % host.Width(),
                      y = static_cast<int>(i) / host.Width();
            if (pngtest::PixelAt(host, x, y) != want) {
                ADD_FAILURE() << "first wrong pixel " << x << "," << y;
                break;
            }
        }
    }
    EXPECT_GE(fixtures, 56);
}

INSTANTIATE_TEST_SUITE_P(BothBindings, PngCrossCheck, testing::Bool(),
                         [](const auto& info) { return info.param ? "WithoutZlib" : "WithZlib"; });

}  // namespace
