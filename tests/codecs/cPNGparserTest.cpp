#include "codecs/cPNGparser.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>

#include "PngBuilder.h"

namespace {

using pngtest::Bytes;
using pngtest::Chunk;
using pngtest::Decode;
using pngtest::Idat;
using pngtest::Iend;
using pngtest::Ihdr;
using pngtest::PixelAt;
using pngtest::Png;
using Pixel = std::array<int, 4>;

// One unfiltered row of 8-bit RGBA pixels given as red, green, blue, alpha.
Bytes RgbaRow(std::initializer_list<std::array<std::uint8_t, 4>> pixels) {
    Bytes row;
    row.reserve(1 + 4 * pixels.size());
    row.push_back(0);
    for (const auto& pixel : pixels) {
        row.insert(row.end(), pixel.begin(), pixel.end());
    }
    return row;
}

Bytes OneRgbaPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha) {
    return Png({Ihdr(1, 1, 8, 6), Idat(RgbaRow({{red, green, blue, alpha}})), Iend()});
}

// A 2 x 1 grey image of levels 5 and 6, with extra chunks before the image data.
Bytes GrayFiveSix(std::initializer_list<Bytes> before) {
    Bytes png = Png({Ihdr(2, 1, 8, 0)});
    for (const Bytes& chunk : before) {
        png.insert(png.end(), chunk.begin(), chunk.end());
    }
    for (const Bytes& chunk : {Idat({0, 5, 6}), Iend()}) {
        png.insert(png.end(), chunk.begin(), chunk.end());
    }
    return png;
}

TEST(cPNGparser, AnyWrongSignatureByteIsNoPngAndLeavesTheHostAlone) {
    const Bytes good = OneRgbaPixel(1, 2, 3, 255);
    for (std::size_t i = 0; i < 8; ++i) {
        Bytes png = good;
        png[i] ^= 0x20;
        c32bppDIB host;
        host.InitializeDIB(3, 3);
        EXPECT_FALSE(Decode(png, host)) << i;
        EXPECT_EQ(host.Width(), 3) << i;
    }
    c32bppDIB host;
    EXPECT_TRUE(Decode(good, host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{3, 2, 1, 255}));
}

TEST(cPNGparser, ABadHeaderIsAPngThatGivesNoImage) {
    struct Case {
        const char* what;
        Bytes header;
    };
    Bytes filterMethod = pngtest::HeaderData(1, 1, 8, 6);
    filterMethod[11] = 1;
    Bytes compressionMethod = pngtest::HeaderData(1, 1, 8, 6);
    compressionMethod[10] = 1;
    Bytes shortHeader = pngtest::HeaderData(1, 1, 8, 6);
    shortHeader.pop_back();
    const Case cases[] = {
        {"colour type 5", pngtest::HeaderData(1, 1, 8, 5)},
        {"bit depth 3", pngtest::HeaderData(1, 1, 3, 0)},
        {"interlace 2", pngtest::HeaderData(1, 1, 8, 6, 2)},
        {"width 0", pngtest::HeaderData(0, 1, 8, 6)},
        {"height 0", pngtest::HeaderData(1, 0, 8, 6)},
        {"negative width", pngtest::HeaderData(0x80000000u, 1, 8, 6)},
        {"filter method 1", filterMethod},
        {"compression method 1", compressionMethod},
        {"RGB at 4 bits", pngtest::HeaderData(1, 1, 4, 2)},
        {"grey and alpha at 2 bits", pngtest::HeaderData(1, 1, 2, 4)},
        {"RGBA at 1 bit", pngtest::HeaderData(1, 1, 1, 6)},
        {"12 bytes", shortHeader},
        {"8192 x 8192", pngtest::HeaderData(8192, 8192, 8, 6)},
    };
    for (const Case& c : cases) {
        const Bytes png = Png({Chunk("IHDR", c.header), Idat(RgbaRow({{1, 2, 3, 4}})), Iend()});
        c32bppDIB host;
        cPNGparser parser;
        EXPECT_TRUE(parser.LoadStream(png, host, 0, static_cast<std::int64_t>(png.size())))
            << c.what;
        EXPECT_EQ(host.BitsPointer(), nullptr) << c.what;
        EXPECT_EQ(parser.InflatedSize(), 0) << c.what;
    }
}

// width x 32 x height must stay within a signed 32-bit number.
TEST(cPNGparser, TheLargestHeaderThatPassesIsEightThousandOneHundredNinetyTwoByOneRowLess) {
    const Bytes png = Png({Ihdr(8192, 8191, 8, 6), Iend()});
    c32bppDIB host;
    cPNGparser parser;
    EXPECT_TRUE(parser.LoadStream(png, host, 0, static_cast<std::int64_t>(png.size())));
    EXPECT_EQ(parser.InflatedSize(), std::int64_t{8191} * (8192 * 4 + 1));
    EXPECT_EQ(host.BitsPointer(), nullptr) << "no image data";
}

TEST(cPNGparser, PixelsArePremultipliedWithDownwardRounding) {
    struct Case {
        std::array<std::uint8_t, 4> rgba;
        Pixel bgra;
    };
    for (const Case& c : {Case{{200, 100, 50, 128}, {25, 50, 100, 128}},
                          Case{{255, 200, 100, 100}, {39, 78, 100, 100}},
                          Case{{255, 255, 255, 128}, {128, 128, 128, 128}},
                          Case{{7, 8, 9, 255}, {9, 8, 7, 255}}, Case{{7, 8, 9, 0}, {0, 0, 0, 0}}}) {
        c32bppDIB host;
        ASSERT_TRUE(Decode(OneRgbaPixel(c.rgba[0], c.rgba[1], c.rgba[2], c.rgba[3]), host));
        EXPECT_EQ(PixelAt(host, 0, 0), c.bgra) << int(c.rgba[0]) << " alpha " << int(c.rgba[3]);
        EXPECT_TRUE(host.Alpha());
        EXPECT_EQ(host.ImageType(), 10);
    }
}

TEST(cPNGparser, PictureRowZeroIsTheHostsTopRow) {
    const Bytes rows = RgbaRow({{10, 0, 0, 255}});
    Bytes both = rows;
    const Bytes second = RgbaRow({{20, 0, 0, 255}});
    both.insert(both.end(), second.begin(), second.end());
    c32bppDIB host;
    ASSERT_TRUE(Decode(Png({Ihdr(1, 2, 8, 6), Idat(both), Iend()}), host));
    EXPECT_EQ(host.BitsPointer()[host.scanWidth() + 2], 10);
    EXPECT_EQ(host.BitsPointer()[2], 20);
}

// Only the high byte of a 16-bit sample counts, for the colour and for the transparent key.
TEST(cPNGparser, SixteenBitSamplesAreTruncatedAndKeyedByTheirHighBytes) {
    const Bytes rows = {0,    0x12, 0xFF, 0x34, 0x00, 0x56, 0x80,  // kept, high bytes only
                        0x12, 0xAB, 0x34, 0x11, 0x56, 0x99,        // matches the key's high bytes
                        0x13, 0x00, 0x34, 0x00, 0x56, 0x00};       // red differs
    const Bytes key = {0x12, 0x00, 0x34, 0x00, 0x56, 0x00};
    c32bppDIB plain;
    ASSERT_TRUE(Decode(Png({Ihdr(3, 1, 16, 2), Idat(rows), Iend()}), plain));
    EXPECT_EQ(PixelAt(plain, 0, 0), (Pixel{0x56, 0x34, 0x12, 255}));
    EXPECT_FALSE(plain.Alpha());
    c32bppDIB keyed;
    ASSERT_TRUE(Decode(Png({Ihdr(3, 1, 16, 2), Chunk("tRNS", key), Idat(rows), Iend()}), keyed));
    EXPECT_EQ(PixelAt(keyed, 0, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(keyed, 1, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(keyed, 2, 0), (Pixel{0x56, 0x34, 0x13, 255}));
    EXPECT_TRUE(keyed.Alpha());
}

TEST(cPNGparser, AGreyKeyOfFiveClearsLevelFiveOnly) {
    c32bppDIB host;
    ASSERT_TRUE(Decode(GrayFiveSix({Chunk("tRNS", {0x00, 0x05})}), host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(host, 1, 0), (Pixel{6, 6, 6, 255}));
    EXPECT_TRUE(host.Alpha());
}

TEST(cPNGparser, AShortPaletteTransparencyLeavesTheOtherEntriesOpaque) {
    const Bytes palette = {10, 20, 30, 200, 100, 50, 1, 2, 3, 4, 5, 6};
    const auto decode = [&](const Bytes& transparency, c32bppDIB& host) {
        return Decode(Png({Ihdr(8, 1, 2, 3), Chunk("PLTE", palette), Chunk("tRNS", transparency),
                           Idat({0, 0x01, 0x23}), Iend()}),  // 0 0 0 1 0 2 0 3
                      host);
    };
    c32bppDIB host;
    ASSERT_TRUE(decode({255, 128, 0}, host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{30, 20, 10, 255}));
    EXPECT_EQ(PixelAt(host, 3, 0), (Pixel{25, 50, 100, 128}));
    EXPECT_EQ(PixelAt(host, 5, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(host, 7, 0), (Pixel{6, 5, 4, 255}));
    c32bppDIB opaque;
    ASSERT_TRUE(decode({255, 255, 255}, opaque));
    EXPECT_EQ(PixelAt(opaque, 7, 0), (Pixel{6, 5, 4, 255}));
    EXPECT_TRUE(opaque.Alpha()) << "any tRNS in a palette image";
}

TEST(cPNGparser, PaletteImagesWithoutAPaletteUseBlackOrBlackAndWhite) {
    c32bppDIB oneBit;
    ASSERT_TRUE(Decode(Png({Ihdr(2, 1, 1, 3), Idat({0, 0x40}), Iend()}), oneBit));
    EXPECT_EQ(PixelAt(oneBit, 0, 0), (Pixel{0, 0, 0, 255}));
    EXPECT_EQ(PixelAt(oneBit, 1, 0), (Pixel{255, 255, 255, 255}));
    EXPECT_FALSE(oneBit.Alpha());
    c32bppDIB fourBit;
    ASSERT_TRUE(Decode(Png({Ihdr(2, 1, 4, 3), Idat({0, 0x1F}), Iend()}), fourBit));
    EXPECT_EQ(PixelAt(fourBit, 0, 0), (Pixel{0, 0, 0, 255}));
    EXPECT_EQ(PixelAt(fourBit, 1, 0), (Pixel{0, 0, 0, 255}));
}

TEST(cPNGparser, PalettesAreIgnoredInGreyImagesAndMustBeWholeInPaletteImages) {
    c32bppDIB grey;
    ASSERT_TRUE(Decode(GrayFiveSix({Chunk("PLTE", Bytes(10, 7))}), grey));
    EXPECT_EQ(PixelAt(grey, 0, 0), (Pixel{5, 5, 5, 255}));
    c32bppDIB broken;
    EXPECT_TRUE(
        Decode(Png({Ihdr(1, 1, 8, 3), Chunk("PLTE", Bytes(10, 7)), Idat({0, 0}), Iend()}), broken));
    EXPECT_EQ(broken.BitsPointer(), nullptr);
    c32bppDIB pastTheEnd;
    EXPECT_TRUE(Decode(Png({Ihdr(1, 1, 8, 3), Chunk("PLTE", Bytes(6, 7)), Idat({0, 2}), Iend()}),
                       pastTheEnd));
    EXPECT_EQ(pastTheEnd.BitsPointer(), nullptr) << "index 2 of a 2-entry palette";
}

TEST(cPNGparser, AnUnknownFilterIsRawDataUnlessTheImageIsInterlaced) {
    c32bppDIB plain;
    ASSERT_TRUE(Decode(Png({Ihdr(1, 1, 8, 6), Idat({7, 1, 2, 3, 255}), Iend()}), plain));
    EXPECT_EQ(PixelAt(plain, 0, 0), (Pixel{3, 2, 1, 255}));
    c32bppDIB interlaced;
    ASSERT_TRUE(Decode(Png({Ihdr(1, 1, 8, 6, 1), Idat({7, 1, 2, 3, 255}), Iend()}), interlaced));
    EXPECT_EQ(interlaced.BitsPointer(), nullptr);
}

// Pixel values of a 2 x 3 grey image: 10 * (row + 1) + column. Its passes: 1 (0,0), 6 (1,0) and
// (1,2), 7 the whole of row 1; pass 6 is the largest.
TEST(cPNGparser, SmallInterlacedImagesDecodeEveryPass) {
    c32bppDIB single;
    ASSERT_TRUE(Decode(Png({Ihdr(1, 1, 8, 0, 1), Idat({0, 77}), Iend()}), single));
    EXPECT_EQ(PixelAt(single, 0, 0), (Pixel{77, 77, 77, 255}));
    const Bytes passes = {0, 10,         // pass 1: (0,0)
                          0, 30,         // pass 5: (0,2)
                          0, 11, 0, 31,  // pass 6: (1,0) and (1,2)
                          0, 20, 21};    // pass 7: row 1
    c32bppDIB host;
    ASSERT_TRUE(Decode(Png({Ihdr(2, 3, 8, 0, 1), Idat(passes), Iend()}), host));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 2; ++x) {
            const int level = 10 * (y + 1) + x;
            EXPECT_EQ(PixelAt(host, x, y), (Pixel{level, level, level, 255})) << x << "," << y;
        }
    }
}

TEST(cPNGparser, TheFourFiltersUseLeftUpAndUpperLeftBytes) {
    // Grey and alpha at 8 bits: the left neighbour is two bytes back.
    const Bytes rows = {0, 100, 255, 50, 255,  // none
                        1, 10,  0,   20, 0,    // sub: 10, 0, 30, 0
                        2, 5,   255, 5,  255,  // up:  15, 255, 35, 255
                        3, 4,   1,   2,  0,    // average
                        4, 1,   0,   1,  0};   // Paeth
    c32bppDIB host;
    ASSERT_TRUE(Decode(Png({Ihdr(2, 5, 8, 4), Idat(rows), Iend()}), host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{100, 100, 100, 255}));
    EXPECT_EQ(PixelAt(host, 1, 1), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(host, 0, 1)[3], 0);
    EXPECT_EQ(PixelAt(host, 0, 2), (Pixel{15, 15, 15, 255}));
    EXPECT_EQ(PixelAt(host, 1, 2), (Pixel{35, 35, 35, 255}));
    // Average: 4 + (0 + 15) / 2 = 11, 1 + (0 + 255) / 2 = 128; 2 + (11 + 35) / 2 = 25,
    // 0 + (128 + 255) / 2 = 191.
    EXPECT_EQ(PixelAt(host, 0, 3), (Pixel{5, 5, 5, 128}));
    EXPECT_EQ(PixelAt(host, 1, 3), (Pixel{18, 18, 18, 191}));
    // Paeth: first pixel predicts up (11, 128); second: left 12, up 25, upper-left 11 gives
    // 25 + 1 = 26; alpha: left 128, up 191, upper-left 128 gives 191.
    EXPECT_EQ(PixelAt(host, 0, 4), (Pixel{6, 6, 6, 128}));
    EXPECT_EQ(PixelAt(host, 1, 4), (Pixel{19, 19, 19, 191}));
}

TEST(cPNGparser, CrcChecksDependOnZlibAndOnTheChunk) {
    const Bytes rows = RgbaRow({{1, 2, 3, 255}});
    const Bytes zeroCrc =
        Png({Ihdr(1, 1, 8, 6), pngtest::ChunkWithCrc("IDAT", pngtest::Compress(rows), 0), Iend()});
    const Bytes wrongIdat = Png(
        {Ihdr(1, 1, 8, 6), pngtest::ChunkWithCrc("IDAT", pngtest::Compress(rows), 1234), Iend()});
    const Bytes wrongText = Png(
        {Ihdr(1, 1, 8, 6), pngtest::ChunkWithCrc("tEXt", {'a', 0, 'b'}, 9), Idat(rows), Iend()});
    const Bytes wrongHeader = Png(
        {pngtest::ChunkWithCrc("IHDR", pngtest::HeaderData(1, 1, 8, 6), 5), Idat(rows), Iend()});
    struct Case {
        const char* what;
        const Bytes& png;
        bool decodesWithZlib;
    };
    for (const Case& c :
         {Case{"IDAT CRC 0", zeroCrc, true}, Case{"wrong IDAT CRC", wrongIdat, false},
          Case{"wrong tEXt CRC", wrongText, true}, Case{"wrong IHDR CRC", wrongHeader, false}}) {
        for (const bool absent : {false, true}) {
            const pngtest::ZlibAbsent zlib(absent);
            c32bppDIB host;
            EXPECT_TRUE(Decode(c.png, host));
            EXPECT_EQ(host.BitsPointer() != nullptr, absent || c.decodesWithZlib)
                << c.what << (absent ? " without zlib" : " with zlib");
        }
    }
}

TEST(cPNGparser, AWrongTransparencyCrcOnlyDropsTheTransparency) {
    const Bytes png = GrayFiveSix({pngtest::ChunkWithCrc("tRNS", {0, 5}, 77)});
    c32bppDIB withZlib;
    ASSERT_TRUE(Decode(png, withZlib));
    EXPECT_EQ(PixelAt(withZlib, 0, 0), (Pixel{5, 5, 5, 255}));
    EXPECT_FALSE(withZlib.Alpha());
    const pngtest::ZlibAbsent zlib;
    c32bppDIB withoutZlib;
    ASSERT_TRUE(Decode(png, withoutZlib));
    EXPECT_EQ(PixelAt(withoutZlib, 0, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_TRUE(withoutZlib.Alpha());
}

TEST(cPNGparser, ImageDataIsJoinedAcrossChunksAndNothingAfterTheEndIsRead) {
    const Bytes compressed = pngtest::Compress({0, 5, 6});
    const Bytes first(compressed.begin(), compressed.begin() + 3);
    const Bytes second(compressed.begin() + 3, compressed.end());
    Bytes png = Png({Ihdr(2, 1, 8, 0), Chunk("IDAT", first), Chunk("zzZz", {1, 2, 3}),
                     Chunk("IDAT", {}), Chunk("IDAT", second), Iend()});
    png.insert(png.end(), {0xFF, 0xFF, 0xFF, 0xFF, 'I', 'D', 'A', 'T', 1});
    c32bppDIB host;
    ASSERT_TRUE(Decode(png, host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{5, 5, 5, 255}));
    EXPECT_EQ(PixelAt(host, 1, 0), (Pixel{6, 6, 6, 255}));
}

TEST(cPNGparser, BrokenChunkStructureGivesAnEmptyHost) {
    const Bytes whole = GrayFiveSix({});
    const Bytes noEnd(whole.begin(), whole.end() - 12);
    const Bytes cutInData(whole.begin(), whole.end() - 16);
    Bytes hugeLength = whole;
    hugeLength[33] = 0x80;  // the IDAT length field
    const Bytes noHeader = Png({Idat({0, 5, 6}), Iend()});
    const Bytes noData = Png({Ihdr(2, 1, 8, 0), Iend()});
    for (const Bytes* png :
         std::initializer_list<const Bytes*>{&noEnd, &cutInData, &hugeLength, &noHeader, &noData}) {
        c32bppDIB host;
        host.InitializeDIB(1, 1);
        EXPECT_TRUE(Decode(*png, host));
        EXPECT_EQ(host.BitsPointer(), nullptr) << png->size();
    }
}

TEST(cPNGparser, DataThatEndsEarlyLeavesTransparentBlackRows) {
    const Bytes firstRow = RgbaRow({{9, 9, 9, 255}});
    c32bppDIB host;
    ASSERT_TRUE(Decode(Png({Ihdr(1, 3, 8, 6), Idat(firstRow), Iend()}), host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{9, 9, 9, 255}));
    EXPECT_EQ(PixelAt(host, 0, 2), (Pixel{0, 0, 0, 0}));
}

TEST(cPNGparser, ABadChecksumInTheImageDataStillDecodesEitherWay) {
    Bytes compressed = pngtest::Compress(RgbaRow({{1, 2, 3, 255}}));
    compressed.back() ^= 1;
    const Bytes png = Png({Ihdr(1, 1, 8, 6), Chunk("IDAT", compressed), Iend()});
    for (const bool absent : {false, true}) {
        const pngtest::ZlibAbsent zlib(absent);
        c32bppDIB host;
        ASSERT_TRUE(Decode(png, host));
        EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{3, 2, 1, 255}));
    }
}

TEST(cPNGparser, StreamRangesAndFilesReadTheSameImage) {
    const Bytes png = OneRgbaPixel(200, 100, 50, 128);
    Bytes padded(5, 0xAA);
    padded.insert(padded.end(), png.begin(), png.end());
    padded.insert(padded.end(), 7, 0xBB);
    c32bppDIB fromRange;
    cPNGparser rangeParser;
    ASSERT_TRUE(
        rangeParser.LoadStream(padded, fromRange, 5, static_cast<std::int64_t>(png.size())));
    EXPECT_EQ(PixelAt(fromRange, 0, 0), (Pixel{25, 50, 100, 128}));
    cPNGparser outside;
    c32bppDIB untouched;
    EXPECT_FALSE(
        outside.LoadStream(padded, untouched, 10, static_cast<std::int64_t>(padded.size())));
    EXPECT_FALSE(outside.LoadStream(padded, untouched, -1, 4));

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fwrite(png.data(), 1, png.size(), file);
    std::fflush(file);
    c32bppDIB fromFile;
    cPNGparser fileParser;
    EXPECT_TRUE(fileParser.LoadFile(fileno(file), fromFile));
    EXPECT_EQ(PixelAt(fromFile, 0, 0), (Pixel{25, 50, 100, 128}));
    ASSERT_EQ(::ftruncate(fileno(file), static_cast<off_t>(png.size() - 12)), 0);
    c32bppDIB cut;
    cPNGparser cutParser;
    EXPECT_TRUE(cutParser.LoadFile(fileno(file), cut)) << "no IEND";
    EXPECT_EQ(cut.BitsPointer(), nullptr);
    std::fclose(file);
}

}  // namespace
