#include <gtest/gtest.h>

#include "GifBuilder.h"
#include "codecs/cGIFparser.h"
#include "support/HostPixel.h"

namespace {

using giftest::Bytes;
using giftest::Frame;
using giftest::Gif;
using giftest::Rgb;
using testsupport::PixelAt;
using Pixel = std::array<int, 4>;

const std::vector<Rgb> kGlobal = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
const std::vector<Rgb> kLocal = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120},
                                 {1, 2, 3},    {4, 5, 6},    {7, 8, 9},    {11, 12, 13}};

Frame FullFrame(int width, int height, int count = 4) {
    Frame frame;
    frame.width = width;
    frame.height = height;
    frame.indices = giftest::Ramp(width, height, count);
    return frame;
}

bool Load(const Bytes& gif, c32bppDIB& host) {
    return cGIFparser().LoadStream(gif, host, 0, static_cast<std::int64_t>(gif.size()));
}

Pixel Opaque(const Rgb& rgb) {
    return {rgb[2], rgb[1], rgb[0], 255};
}

// Every pixel against the frame's indices and the given table; transparent pixels all zero.
void ExpectFrame(const c32bppDIB& host, const Frame& frame, const std::vector<Rgb>& table,
                 std::optional<int> transparent = {}) {
    ASSERT_EQ(host.Width(), frame.width);
    ASSERT_EQ(host.Height(), frame.height);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const int index = frame.indices[static_cast<std::size_t>(y * frame.width + x)];
            const Pixel expected = transparent == index
                                       ? Pixel{0, 0, 0, 0}
                                       : Opaque(table[static_cast<std::size_t>(index)]);
            ASSERT_EQ(PixelAt(host, x, y), expected) << "at " << x << "," << y;
        }
    }
}

TEST(cGIFparser, AnimatedGifYieldsItsFirstFrameOnly) {
    Gif gif{7, 5, kGlobal, true, "made for a test", {FullFrame(7, 5), FullFrame(7, 5)}};
    gif.frames[1].indices = giftest::Ramp(7, 5, 4, 1);
    c32bppDIB host;
    ASSERT_TRUE(Load(giftest::Encode(gif), host));
    ExpectFrame(host, gif.frames[0], kGlobal);
    EXPECT_FALSE(host.Alpha());
    EXPECT_EQ(host.ImageType(), 9);
}

TEST(cGIFparser, FrameAtAnOffsetKeepsItsOwnSize) {
    Frame frame = FullFrame(4, 3);
    frame.left = 5;
    frame.top = 4;
    c32bppDIB host;
    ASSERT_TRUE(Load(giftest::Encode({10, 8, kGlobal, false, "", {frame}}), host));
    ExpectFrame(host, frame, kGlobal);
}

TEST(cGIFparser, TransparentIndexLeavesThosePixelsAllZero) {
    for (const int transparent : {0, 2}) {
        Frame frame = FullFrame(5, 4);
        frame.transparentIndex = transparent;
        c32bppDIB host;
        ASSERT_TRUE(Load(giftest::Encode({5, 4, kGlobal, false, "", {frame}}), host));
        ExpectFrame(host, frame, kGlobal, transparent);
        EXPECT_TRUE(host.Alpha());
        EXPECT_EQ(host.ImageType(), 9);
    }
}

TEST(cGIFparser, AlphaIsSetEvenWhenNoPixelUsesTheTransparentIndex) {
    Frame frame = FullFrame(3, 3);
    frame.indices.assign(9, 1);
    frame.transparentIndex = 0;
    c32bppDIB host;
    ASSERT_TRUE(Load(giftest::Encode({3, 3, kGlobal, false, "", {frame}}), host));
    ExpectFrame(host, frame, kGlobal, 0);
    EXPECT_TRUE(host.Alpha());
}

TEST(cGIFparser, ControlExtensionWithoutTransparencyIsOpaque) {
    Frame frame = FullFrame(3, 2);
    frame.controlExtension = true;
    c32bppDIB host;
    ASSERT_TRUE(Load(giftest::Encode({3, 2, kGlobal, false, "", {frame}}), host));
    ExpectFrame(host, frame, kGlobal);
    EXPECT_FALSE(host.Alpha());
}

TEST(cGIFparser, LocalTableWinsOverTheGlobalOne) {
    for (const bool transparent : {false, true}) {
        Frame frame = FullFrame(6, 3, 8);
        frame.localTable = kLocal;
        if (transparent) {
            frame.transparentIndex = 5;
        }
        c32bppDIB host;
        ASSERT_TRUE(Load(giftest::Encode({6, 3, kGlobal, false, "", {frame}}), host));
        ExpectFrame(host, frame, kLocal, frame.transparentIndex);
    }
}

TEST(cGIFparser, InterlacedFrameComesOutInDisplayOrder) {
    for (const bool transparent : {false, true}) {
        Frame frame = FullFrame(3, 11);
        frame.interlaced = true;
        frame.indices = giftest::Ramp(3, 11, 4, 0);
        for (int y = 0; y < 11; ++y) {
            frame.indices[static_cast<std::size_t>(y * 3)] = static_cast<std::uint8_t>(y % 4);
        }
        if (transparent) {
            frame.transparentIndex = 3;
        }
        c32bppDIB host;
        ASSERT_TRUE(Load(giftest::Encode({3, 11, kGlobal, false, "", {frame}}), host));
        ExpectFrame(host, frame, kGlobal, frame.transparentIndex);
    }
}

TEST(cGIFparser, HeaderIsComparedWithoutCase) {
    Bytes gif = giftest::Encode({2, 2, kGlobal, false, "", {FullFrame(2, 2)}});
    std::copy_n("GIF89A", 6, gif.begin());
    c32bppDIB host;
    EXPECT_TRUE(Load(gif, host));
    EXPECT_EQ(host.Width(), 2);
    std::copy_n("GIF87a", 6, gif.begin());
    EXPECT_TRUE(Load(gif, host));
    std::copy_n("GIF88a", 6, gif.begin());
    EXPECT_FALSE(Load(gif, host));
}

TEST(cGIFparser, StreamsThatAreNotUsableGifsAreRefused) {
    const Bytes good = giftest::Encode({2, 2, kGlobal, false, "", {FullFrame(2, 2)}});
    Bytes trailerFirst(good.begin(), good.begin() + 13 + 12);
    trailerFirst.push_back(0x3B);
    // Neither a global nor a local table.
    const Bytes noTable = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0,    0, 0, 0x2C, 0,
                           0,   0,   0,   2,   0,   2,   0, 0, 2, 2, 0x44, 1, 0, 0x3B};
    Bytes unknownBlock = trailerFirst;
    unknownBlock.back() = 0x99;
    for (const Bytes& stream :
         {Bytes{}, Bytes(good.begin(), good.begin() + 5), trailerFirst, noTable, unknownBlock}) {
        c32bppDIB host;
        EXPECT_FALSE(Load(stream, host));
        EXPECT_EQ(host.Handle(), 0u);
    }
}

TEST(cGIFparser, CutStreamIsHandledWithAnEmptyImage) {
    const Bytes good = giftest::Encode({8, 8, kGlobal, true, "note", {FullFrame(8, 8)}});
    for (std::size_t length = 11; length < good.size() - 2; ++length) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        c32bppDIB host;
        EXPECT_TRUE(Load(cut, host)) << length;
        EXPECT_EQ(host.Handle(), 0u) << length;
    }
}

TEST(cGIFparser, ReadsOnlyItsRangeOfTheStream) {
    const Bytes gif = giftest::Encode({3, 2, kGlobal, false, "", {FullFrame(3, 2)}});
    Bytes padded(5, 0xAA);
    padded.insert(padded.end(), gif.begin(), gif.end());
    c32bppDIB host;
    EXPECT_TRUE(cGIFparser().LoadStream(padded, host, 5, static_cast<std::int64_t>(gif.size())));
    EXPECT_EQ(host.Width(), 3);
    EXPECT_FALSE(
        cGIFparser().LoadStream(padded, host, 5, static_cast<std::int64_t>(gif.size()) + 1));
}

}  // namespace
