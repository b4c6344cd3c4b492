// SPDX-License-Identifier: MIT
#include "codecs/cPNGparser.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>

#include "PngBuilder.h"
#include "codecs/PngEncoder.h"
#include "support/Pngcheck.h"
#include "support/TempFolder.h"

namespace {

using namespace pngtest;
namespace fs = std::filesystem;
using Pixel = std::array<int, 4>;
using Pixels = std::vector<Pixel>;

// Header, extra chunks (if any), the image data and the end.
Bytes Image(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colorType,
            const Bytes& rows, const Bytes& extra = {}, std::uint8_t interlace = 0) {
    return Png({Ihdr(width, height, depth, colorType, interlace), extra, Idat(rows), Iend()});
}

// A 2 x 1 grey image of levels 5 and 6.
Bytes GreyFiveSix(const Bytes& extra = {}) {
    return Image(2, 1, 8, 0, {0, 5, 6}, extra);
}

constexpr Pixel Grey(int level) {
    return {level, level, level, 255};
}

// The host's pixels in reading order, none when it is empty.
Pixels All(const c32bppDIB& host) {
    Pixels pixels;
    for (int i = 0; host.BitsPointer() != nullptr && i < host.Width() * host.Height(); ++i) {
        pixels.push_back(PixelAt(host, i % host.Width(), i / host.Width()));
    }
    return pixels;
}

// Decodes into a host that held an image before.
Pixels Decoded(const Bytes& png, bool& alpha) {
    c32bppDIB host;
    host.InitializeDIB(1, 1);
    EXPECT_TRUE(Decode(png, host)) << "still counts as a PNG";
    alpha = host.Alpha();
    return All(host);
}

// Straight RGBA of 1 or 2 bytes a channel (high byte first) as premultiplied BGRA, rounded down.
Pixels Premultiplied(const Bytes& rgba, std::size_t channelBytes) {
    Pixels pixels;
    for (std::size_t i = 0; i + 4 * channelBytes <= rgba.size(); i += 4 * channelBytes) {
        const auto high = [&](std::size_t c) { return int{rgba[i + c * channelBytes]}; };
        const int a = high(3);
        pixels.push_back({high(2) * a / 255, high(1) * a / 255, high(0) * a / 255, a});
    }
    return pixels;
}

TEST(cPNGparser, AnyWrongSignatureByteIsNoPngAndRangesAndFilesReadTheSameImage) {
    for (std::size_t i = 0; i < 8; ++i) {
        Bytes png = Image(1, 1, 8, 6, {0, 1, 2, 3, 255});
        png[i] ^= 0x20;
        c32bppDIB host;
        host.InitializeDIB(3, 3);
        EXPECT_EQ((std::pair{Decode(png, host), host.Width()}), std::pair(false, 3)) << i;
    }
    // Stream ranges and files read the same image.
    const Bytes png = Image(1, 1, 8, 6, {0, 200, 100, 50, 128});
    Bytes padded(5, 0xAA);
    padded.insert(padded.end(), png.begin(), png.end());
    padded.insert(padded.end(), 7, 0xBB);
    c32bppDIB fromRange, fromFile, untouched;
    ASSERT_TRUE(cPNGparser().LoadStream(padded, fromRange, 5, std::ssize(png)));
    EXPECT_EQ(PixelAt(fromRange, 0, 0), (Pixel{25, 50, 100, 128}));
    EXPECT_FALSE(cPNGparser().LoadStream(padded, untouched, 10, std::ssize(padded)));
    EXPECT_FALSE(cPNGparser().LoadStream(padded, untouched, -1, 4));
    // Files are read through a window of 64 KiB: a chunk header across its end, a chunk larger
    // than it, and a stream of many empty chunks.
    const Bytes empty = Chunk("teXt", {});
    Bytes empties;
    for (int i = 0; i < 20000; ++i) {
        empties.insert(empties.end(), empty.begin(), empty.end());
    }
    for (const Bytes& extra :
         {Bytes{}, Chunk("teXt", Bytes(65485, 'a')), Chunk("teXt", Bytes(70000, 'a')), empties}) {
        const Bytes stored = Image(1, 1, 8, 6, {0, 200, 100, 50, 128}, extra);
        std::FILE* file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        std::fwrite(stored.data(), 1, stored.size(), file);
        std::fflush(file);
        EXPECT_TRUE(cPNGparser().LoadFile(fileno(file), fromFile)) << extra.size();
        EXPECT_EQ(PixelAt(fromFile, 0, 0), (Pixel{25, 50, 100, 128})) << extra.size();
        std::fclose(file);
    }
}

// width x 32 x height must stay within a signed 32-bit number.
TEST(cPNGparser, OnlyValidHeadersPass) {
    const auto header = [](std::size_t at, std::uint8_t value, std::size_t size = 13) {
        Bytes data = HeaderData(1, 1, 8, 6);
        data.at(at) = value;
        data.resize(size);
        return data;
    };
    // The largest header that passes, then: too many pixels, zero or 2^31 wide or high, a wrong
    // colour type, bit depth, interlace, filter or compression method, depths the colour type
    // lacks, and 12 bytes.
    const Bytes valid = HeaderData(8192, 8191, 8, 6);
    for (const Bytes& data :
         {valid, HeaderData(8192, 8192, 8, 6), HeaderData(0, 1, 8, 6), HeaderData(1, 0, 8, 6),
          HeaderData(0x80000000u, 1, 8, 6), header(9, 5), header(8, 3), header(12, 2),
          header(11, 1), header(10, 1), HeaderData(1, 1, 4, 2), HeaderData(1, 1, 2, 4),
          HeaderData(1, 1, 1, 6), header(12, 0, 12)}) {
        const Bytes png = Png({Chunk("IHDR", data), Iend()});
        cPNGparser parser;
        c32bppDIB host;
        EXPECT_TRUE(parser.LoadStream(png, host, 0, std::ssize(png)));
        EXPECT_EQ(parser.InflatedSize(), data == valid ? std::int64_t{8191} * (8192 * 4 + 1) : 0)
            << testing::PrintToString(data);
    }
}

TEST(cPNGparser, DecodesToPremultipliedPixelsOrLeavesTheHostEmptyInBothBindings) {
    const auto indexed = [](const Bytes& transparency) {  // indices 0 1 2 3
        return Png({Ihdr(4, 1, 2, 3), Chunk("PLTE", {10, 20, 30, 200, 100, 50, 1, 2, 3, 4, 5, 6}),
                    Chunk("tRNS", transparency), Idat({0, 0x1B}), Iend()});
    };
    // A 16-bit transparent key matches on the high bytes only.
    const Bytes deep = {0,    0x12, 0xFF, 0x34, 0x00, 0x56, 0x80,  // the key's high bytes
                        0x12, 0xAB, 0x34, 0x11, 0x56, 0x99,        // the key's high bytes again
                        0x13, 0x00, 0x34, 0x00, 0x56, 0x00};       // red differs
    const Bytes key = Chunk("tRNS", {0x12, 0x00, 0x34, 0x00, 0x56, 0x00});
    const Bytes z = Compress({0, 5, 6});
    Bytes split = Png({Ihdr(2, 1, 8, 0), Chunk("IDAT", Bytes(z.begin(), z.begin() + 3)),
                       Chunk("zzZz", {1, 2, 3}), Chunk("IDAT", {}),
                       Chunk("IDAT", Bytes(z.begin() + 3, z.end())), Iend()});
    split.insert(split.end(), {0xFF, 0xFF, 0xFF, 0xFF, 'I', 'D', 'A', 'T', 1});
    const Bytes whole = GreyFiveSix();
    Bytes hugeLength = whole;
    hugeLength[33] = 0x80;  // the IDAT length field
    const Pixel clear = {0, 0, 0, 0}, rgb13 = {0x56, 0x34, 0x13, 255};
    const Pixels fiveSix = {Grey(5), Grey(6)};
    const Pixel p0 = {30, 20, 10, 255}, p2 = {3, 2, 1, 255}, p3 = {6, 5, 4, 255};  // palette BGRA
    // Rows and passes a short stream never reaches are zero rows: palette entry 0 with its
    // transparency, premultiplied; pixels decoded from the data keep their own values.
    const auto shortData = [](std::uint8_t interlace, const Bytes& rows) {
        return Png({Ihdr(4, 3, 8, 3, interlace), Chunk("PLTE", {10, 20, 30, 200, 100, 50}),
                    Chunk("tRNS", {128, 0}), Idat(rows), Iend()});
    };
    Pixels topRowClear(12, {30 * 128 / 255, 20 * 128 / 255, 10 * 128 / 255, 128});
    Pixels firstClear = topRowClear;
    std::fill_n(topRowClear.begin(), 4, clear);
    firstClear[0] = clear;
    struct Case {
        const char* what;
        Bytes png;
        Pixels pixels;
        bool alpha = false;
    };
    const Case cases[] = {
        {"16-bit keyed", Image(3, 1, 16, 2, deep, key), {clear, clear, rgb13}, true},
        {"3-entry tRNS", indexed({255, 128, 0}), {p0, {25, 50, 100, 128}, clear, p3}, true},
        {"tRNS all 255", indexed({255, 255, 255}), {p0, {50, 100, 200, 255}, p2, p3}, true},
        {"1 bit without PLTE", Image(2, 1, 1, 3, {0, 0x40}), {Grey(0), Grey(255)}},
        {"4 bits without PLTE", Image(2, 1, 4, 3, {0, 0x1F}), {Grey(0), Grey(0)}},
        {"PLTE in grey", GreyFiveSix(Chunk("PLTE", Bytes(10, 7))), fiveSix},
        {"PLTE of 10 bytes", Image(1, 1, 8, 3, {0, 0}, Chunk("PLTE", Bytes(10, 7))), {}},
        {"index past PLTE", Image(1, 1, 8, 3, {0, 2}, Chunk("PLTE", Bytes(6, 7))), {}},
        {"filter 7", Image(1, 1, 8, 6, {7, 1, 2, 3, 255}), {{3, 2, 1, 255}}, true},
        {"filter 7 interlaced", Image(1, 1, 8, 6, {7, 1, 2, 3, 255}, {}, 1), {}},
        {"interlaced 1 x 1", Image(1, 1, 8, 0, {0, 77}, {}, 1), {Grey(77)}},
        {"split IDAT, chunk after IEND", split, fiveSix},
        {"no IEND", Bytes(whole.begin(), whole.end() - 12), {}},
        {"cut in IDAT", Bytes(whole.begin(), whole.end() - 16), {}},
        {"huge IDAT length", hugeLength, {}},
        {"no IHDR", Png({Idat({0, 5, 6}), Iend()}), {}},
        {"no IDAT", Png({Ihdr(2, 1, 8, 0), Iend()}), {}},
        {"rows past the data", shortData(0, {0, 1, 1, 1, 1}), topRowClear, true},
        {"passes past the data", shortData(1, {0, 1}), firstClear, true},
    };
    for (const bool absent : {false, true}) {
        const ZlibAbsent zlib(absent);
        for (const Case& c : cases) {
            bool alpha = false;
            EXPECT_EQ(Decoded(c.png, alpha), c.pixels) << c.what << ", zlib " << !absent;
            EXPECT_TRUE(c.pixels.empty() || alpha == c.alpha) << c.what;
        }
    }
}

// CRCs are checked only with zlib, and a stored CRC of 0 is taken as unset.
TEST(cPNGparser, CrcChecksDependOnZlibAndOnTheChunk) {
    const Bytes compressed = Compress({0, 5, 6});
    Bytes badAdler = compressed;
    badAdler.back() ^= 1;
    const Pixels image = {Grey(5), Grey(6)}, keyed = {{0, 0, 0, 0}, Grey(6)};
    struct Case {
        const char* what;
        Bytes png;
        Pixels withZlib;
        Pixels withoutZlib;
    };
    const auto withIdat = [](const Bytes& idat) { return Png({Ihdr(2, 1, 8, 0), idat, Iend()}); };
    const Bytes badHeader = Chunk("IHDR", HeaderData(2, 1, 8, 0), 5);
    const Case cases[] = {
        {"IDAT CRC 0", withIdat(Chunk("IDAT", compressed, 0)), image, image},
        {"wrong IDAT CRC", withIdat(Chunk("IDAT", compressed, 1)), {}, image},
        {"wrong IHDR CRC", Png({badHeader, Idat({0, 5, 6}), Iend()}), {}, image},
        {"wrong tEXt CRC", GreyFiveSix(Chunk("tEXt", {'a', 0, 'b'}, 9)), image, image},
        {"wrong tRNS CRC", GreyFiveSix(Chunk("tRNS", {0, 5}, 77)), image, keyed},
        {"bad Adler-32", withIdat(Chunk("IDAT", badAdler)), image, image},
    };
    for (const Case& c : cases) {
        for (const bool absent : {false, true}) {
            const ZlibAbsent zlib(absent);
            bool alpha = false;
            const Pixels pixels = Decoded(c.png, alpha);
            EXPECT_EQ(pixels, absent ? c.withoutZlib : c.withZlib) << c.what << " zlib " << !absent;
            EXPECT_TRUE(pixels.empty() || alpha == (pixels[0][3] == 0)) << c.what;
        }
    }
}

// Every pairing of colour type and bit depth, interlaced or not, with and without tRNS, written by
// independent encoders; the expected pixels are ImageMagick's straight 16-bit decoding, cut to
// the high byte and premultiplied with downward rounding.
TEST(cPNGparser, EveryFixtureDecodesToTheIndependentDecodersPixels) {
    int fixtures = 0;
    for (const bool absent : {false, true}) {
        const ZlibAbsent zlib(absent);
        for (const auto& entry : fs::directory_iterator(TILEWRIGHT_TEST_SOURCE_DIR "/data/png")) {
            fs::path path = entry.path();
            if (path.extension() != ".png") {
                continue;
            }
            ++fixtures;
            const std::string name = path.stem().string();
            SCOPED_TRACE(name + (absent ? " without zlib" : " with zlib"));
            c32bppDIB host;
            ASSERT_TRUE(Decode(testsupport::ReadFileBytes(path), host));
            const Bytes expected = testsupport::ReadFileBytes(path.replace_extension(".rgba16"));
            EXPECT_EQ(host.Alpha(), name.starts_with("ct4") || name.starts_with("ct6") ||
                                        name.ends_with("_t") || name.starts_with("filtered_rgba"));
            EXPECT_EQ(host.ImageType(), 10);
            EXPECT_EQ(All(host), Premultiplied(expected, 2));
        }
    }
    EXPECT_GE(fixtures, 2 * 56);
}

TEST(PngEncoder, OurDecoderReadsBackEveryPixelInBothBindings) {
    // 3 x 2 pixels with every alpha class: opaque, translucent, transparent.
    const Bytes rgba = {255, 0,  0,  255, 0,  128, 255, 128, 9,   9,   9,  0,
                        10,  20, 30, 255, 40, 50,  60,  1,   200, 100, 50, 200};
    const Bytes file = PngEncoder::EncodeRgba(3, 2, rgba);
    ASSERT_GT(file.size(), 8u + 25 + 12);
    EXPECT_EQ(Bytes(file.begin() + 12, file.begin() + 29),
              (Bytes{'I', 'H', 'D', 'R', 0, 0, 0, 3, 0, 0, 0, 2, 8, 6, 0, 0, 0}));
    const TempFolder folder;
    testsupport::WriteFileBytes(folder.File("x.png"), file);
    EXPECT_EQ(testsupport::PngcheckComplaints(folder.File("x.png")), "");
    for (const bool absent : {false, true}) {
        const ZlibAbsent zlib(absent);
        c32bppDIB image;
        ASSERT_TRUE(image.LoadPicture_Stream(file, 0, 0, 0, 0, false, 32));
        EXPECT_EQ((std::pair{image.Width(), All(image)}), std::pair(3, Premultiplied(rgba, 1)));
    }
    EXPECT_TRUE(PngEncoder::EncodeRgba(3, 3, rgba).empty()) << "sizes that do not match the bytes";
    EXPECT_TRUE(PngEncoder::EncodeRgba(0, 2, {}).empty());
    EXPECT_TRUE(PngEncoder::EncodeRgba(-3, -2, rgba).empty());
}

}  // namespace
