#include <gtest/gtest.h>

#include "IcoBuilder.h"
#include "PngBuilder.h"
#include "codecs/cICOparser.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"
#include "support/HostPixel.h"

namespace {

using icotest::BitmapEntry;
using icotest::BitmapImage;
using icotest::Bytes;
using icotest::Entry;
using icotest::IconFile;
using icotest::Solid;
using testsupport::PixelAt;
using Pixel = std::array<int, 4>;

bool Load(const Bytes& file, c32bppDIB* host, int width = 32, int height = 32, int depth = 32,
          cICOparser* parser = nullptr) {
    cICOparser own;
    std::int64_t length = static_cast<std::int64_t>(file.size());
    return (parser != nullptr ? *parser : own)
        .LoadStream(file, width, height, host, 0, length, depth, 0);
}

Pixel Bgra(std::uint32_t rgb, int alpha = 255) {
    return {static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
            static_cast<int>((rgb >> 16) & 0xFF), alpha};
}

// The colour of the chosen entry tells which one it was.
struct ChoiceCase {
    std::vector<std::array<int, 2>> entries;  // side, bit count
    int wantedSide;
    int wantedDepth;
    int chosen;  // 1-based
};

TEST(cICOparser, ChoosesTheEntryThatFitsBest) {
    const ChoiceCase cases[] = {
        // Scores -36, 28, 24, 32: the lowest positive score wins.
        {{{16, 4}, {32, 4}, {32, 8}, {48, 32}}, 32, 32, 3},
        // Score 0 chooses at once.
        {{{16, 4}, {32, 4}, {32, 8}, {48, 32}}, 32, 8, 3},
        // No positive score: the second pass ties at 64 and the higher entry number wins.
        {{{16, 32}, {16, 8}}, 32, 32, 2},
        // A single entry is chosen whatever its size.
        {{{48, 4}}, 16, 8, 1},
        // Ties in the first pass go to the lower entry number.
        {{{32, 24}, {32, 24}}, 16, 8, 1},
    };
    for (const ChoiceCase& test : cases) {
        std::vector<Entry> entries;
        for (std::size_t i = 0; i < test.entries.size(); ++i) {
            const auto [side, bits] = test.entries[i];
            const std::uint32_t color = 0x101010u * static_cast<std::uint32_t>(i + 1);
            entries.push_back(
                BitmapEntry(Solid(side, bits, color), static_cast<std::uint16_t>(bits)));
        }
        c32bppDIB host;
        ASSERT_TRUE(
            Load(IconFile(entries), &host, test.wantedSide, test.wantedSide, test.wantedDepth));
        const std::uint32_t expected = 0x101010u * static_cast<std::uint32_t>(test.chosen);
        EXPECT_EQ(PixelAt(host, 0, 0), Bgra(expected)) << "wanted " << test.wantedSide;
        EXPECT_EQ(host.Width(), test.entries[static_cast<std::size_t>(test.chosen - 1)][0]);
    }
}

TEST(cICOparser, WantedSizeBelowOneMeans32) {
    const Bytes file =
        IconFile({BitmapEntry(Solid(16, 8, 0x112233), 8), BitmapEntry(Solid(32, 8, 0x445566), 8)});
    c32bppDIB host;
    ASSERT_TRUE(Load(file, &host, 0, -5, 8));
    EXPECT_EQ(host.Width(), 32);
}

// A 5 x 3 image whose pixels and mask differ everywhere, at every depth.
BitmapImage Patterned(int bitCount) {
    BitmapImage image{5, 3, bitCount, {}, {}, {}};
    const std::uint32_t colors[] = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF,
                                    0xABCDEF, 0x010203, 0x808080, 0xFFFFFF};
    const std::size_t entries = bitCount <= 8 ? std::size_t{1} << bitCount : 0;
    for (std::size_t i = 0; i < entries; ++i) {
        image.palette.push_back(colors[i % 8] ^ static_cast<std::uint32_t>(i));
    }
    for (int i = 0; i < 15; ++i) {
        if (bitCount <= 8) {
            image.pixels.push_back(static_cast<std::uint32_t>(i) % entries);
        } else {
            image.pixels.push_back(colors[i % 8] | 0xFF000000u);
        }
        image.transparent.push_back(i % 4 == 1);
    }
    return image;
}

TEST(cICOparser, MaskedEntriesAtEveryDepth) {
    for (const int bits : {1, 4, 8, 24}) {
        const BitmapImage image = Patterned(bits);
        c32bppDIB host;
        ASSERT_TRUE(Load(IconFile({BitmapEntry(image, static_cast<std::uint16_t>(bits))}), &host));
        ASSERT_EQ(host.Width(), 5);
        for (int i = 0; i < 15; ++i) {
            const std::uint32_t value = image.pixels[static_cast<std::size_t>(i)];
            const std::uint32_t rgb = bits <= 8 ? image.palette[value] : value & 0xFFFFFF;
            const Pixel expected =
                image.transparent[static_cast<std::size_t>(i)] ? Pixel{0, 0, 0, 0} : Bgra(rgb);
            EXPECT_EQ(PixelAt(host, i % 5, i / 5), expected) << bits << " bits, pixel " << i;
        }
        EXPECT_TRUE(host.Alpha());
        EXPECT_EQ(host.ImageType(), 3);
    }
}

TEST(cICOparser, CursorWithMaskIsType5AndWithAlphaType12) {
    c32bppDIB host;
    ASSERT_TRUE(Load(IconFile({BitmapEntry(Patterned(4), 4)}, 2), &host));
    EXPECT_EQ(host.ImageType(), 5);
    ASSERT_TRUE(Load(IconFile({BitmapEntry(Solid(4, 32, 0x123456), 32)}, 2), &host));
    EXPECT_EQ(host.ImageType(), 12);
}

TEST(cICOparser, ThirtyTwoBitEntriesTakeTheirOwnAlphaAndIgnoreTheMask) {
    BitmapImage image{4, 1, 32, {}, {0x00FFFFFF, 0xFFC86432, 0x80C86432, 0x01FFFFFF}, {}};
    image.transparent = {false, true, true, true};
    c32bppDIB host;
    ASSERT_TRUE(Load(IconFile({BitmapEntry(image, 32)}), &host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(host, 1, 0), (Pixel{0x32, 0x64, 0xC8, 255}));
    // 0x32 * 128 / 255 = 25, 0x64 * 128 / 255 = 50, 0xC8 * 128 / 255 = 100.
    EXPECT_EQ(PixelAt(host, 2, 0), (Pixel{25, 50, 100, 128}));
    EXPECT_EQ(PixelAt(host, 3, 0), (Pixel{1, 1, 1, 1}));
    EXPECT_TRUE(host.Alpha());
    EXPECT_EQ(host.ImageType(), 8);

    image.pixels = {0x00FFFFFF, 0x00102030, 0x00000000, 0x00ABCDEF};
    image.transparent = {false, false, false, false};
    ASSERT_TRUE(Load(IconFile({BitmapEntry(image, 32)}), &host));
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(PixelAt(host, x, 0), (Pixel{0, 0, 0, 0}));
    }
}

TEST(cICOparser, BitCountComesFromTheImageHeader) {
    BitmapImage image = Solid(8, 8, 0x336699);
    // Directory says 4 bits, the header 8: the header wins.
    c32bppDIB host;
    cICOparser parser;
    ASSERT_TRUE(Load(IconFile({BitmapEntry(image, 4)}), &host, 32, 32, 32, &parser));
    EXPECT_EQ(parser.bitDepth(1), 8);
    EXPECT_EQ(PixelAt(host, 3, 3), Bgra(0x336699));
    // Header 0: the directory's count is used; both 0: not a usable file.
    image.headerBitCount = 0;
    ASSERT_TRUE(Load(IconFile({BitmapEntry(image, 8)}), &host));
    EXPECT_EQ(PixelAt(host, 3, 3), Bgra(0x336699));
    EXPECT_FALSE(Load(IconFile({BitmapEntry(image, 0)}), &host));
}

Bytes PngEntryData(std::uint32_t side) {
    pngtest::Bytes rows;
    for (std::uint32_t y = 0; y < side; ++y) {
        rows.push_back(0);
        for (std::uint32_t x = 0; x < side; ++x) {
            rows.insert(rows.end(), {200, 100, 50, 128});
        }
    }
    return pngtest::Png({pngtest::Ihdr(side, side, 8, 6), pngtest::Idat(rows), pngtest::Iend()});
}

TEST(cICOparser, PngEntriesGoThroughThePngDecoder) {
    const Bytes file = IconFile({{0, 0, 0, PngEntryData(256)}, BitmapEntry(Solid(16, 4, 1), 4)});
    cICOparser parser;
    c32bppDIB host;
    ASSERT_TRUE(Load(file, &host, 256, 256, 32, &parser));
    EXPECT_TRUE(parser.IsIconPNG(1));
    EXPECT_FALSE(parser.IsIconPNG(2));
    EXPECT_EQ(parser.bitDepth(1), 32);
    EXPECT_EQ(parser.Width(1), 256);
    EXPECT_EQ(host.Width(), 256);
    EXPECT_EQ(PixelAt(host, 255, 255), (Pixel{25, 50, 100, 128}));
    EXPECT_EQ(host.ImageType(), 11);
}

TEST(cICOparser, PngEntryWithBrokenHeaderMakesTheFileInvalid) {
    Bytes png = PngEntryData(4);
    png[1] = 'X';
    EXPECT_FALSE(Load(IconFile({{4, 4, 0, png}}), nullptr));
    // Neither the directory nor the header gives a bit count.
    Bytes noDepth = PngEntryData(4);
    noDepth[24] = 0;
    EXPECT_FALSE(Load(IconFile({{4, 4, 0, noDepth}}), nullptr));
    // Too wide for the directory: the width byte stays, the bit count comes from the header.
    Bytes tooWide = PngEntryData(4);
    tooWide[18] = 1;
    cICOparser parser;
    ASSERT_TRUE(Load(IconFile({{4, 4, 0, tooWide}}), nullptr, 0, 0, 32, &parser));
    EXPECT_EQ(parser.Width(1), 4);
    EXPECT_EQ(parser.bitDepth(1), 32);
}

TEST(cICOparser, DirectoryOnlyParseDescribesEveryEntry) {
    const Bytes file = IconFile({BitmapEntry(Solid(16, 4, 1), 4),
                                 BitmapEntry(Solid(48, 24, 2), 24),
                                 {0, 0, 0, PngEntryData(256)}});
    cICOparser parser;
    ASSERT_TRUE(Load(file, nullptr, 0, 0, 32, &parser));
    ASSERT_EQ(parser.IconCount(), 3);
    const int expected[3][3] = {{16, 16, 4}, {48, 48, 24}, {256, 256, 32}};
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(parser.Width(i), expected[i - 1][0]);
        EXPECT_EQ(parser.Height(i), expected[i - 1][1]);
        EXPECT_EQ(parser.bitDepth(i), expected[i - 1][2]);
    }
    // 16 x 16 x 4: 128 bytes of colour, 64 of mask, 16 table entries after the 40-byte header.
    EXPECT_EQ(parser.ColorCount(1), 16);
    EXPECT_EQ(parser.ColorByteOffset(1), 6 + 3 * 16 + 40 + 64);
    EXPECT_EQ(parser.ColorCount(2), 0);
    EXPECT_EQ(parser.Width(0), 0);
    EXPECT_EQ(parser.Width(4), 0);
}

TEST(cICOparser, MaskEntry256PixelsWideLoads) {
    BitmapImage image{256, 2, 4, {0x000000, 0xFF8000}, {}, {}};
    image.pixels.assign(512, 1);
    image.transparent.assign(512, false);
    image.transparent[255] = true;
    image.transparent[256] = true;
    c32bppDIB host;
    ASSERT_TRUE(Load(IconFile({BitmapEntry(image, 4)}), &host, 256, 2, 4));
    ASSERT_EQ(host.Width(), 256);
    EXPECT_EQ(PixelAt(host, 254, 0), Bgra(0xFF8000));
    EXPECT_EQ(PixelAt(host, 255, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(host, 0, 1), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(host, 1, 1), Bgra(0xFF8000));
}

TEST(cICOparser, BrokenDirectoriesAreRefused) {
    const Bytes good = IconFile({BitmapEntry(Solid(8, 8, 0x123456), 8)});
    const auto patched = [&](std::size_t at, std::uint8_t value) {
        Bytes file = good;
        file[at] = value;
        return file;
    };
    const Bytes cases[] = {
        patched(0, 1),                          // reserved not 0
        patched(2, 3),                          // type 3
        patched(4, 0),                          // no entries
        patched(5, 0x80),                       // negative count
        patched(4, 2),                          // a second entry the file lacks
        patched(8 + 6, 0xFF),                   // bytes in resource beyond the stream
        patched(12 + 6 + 3, 0x10),              // image offset far beyond the stream
        Bytes(good.begin(), good.begin() + 5),  // shorter than the header
        Bytes(good.begin(), good.end() - 1),    // one byte short of the image data
    };
    for (const Bytes& file : cases) {
        c32bppDIB host;
        EXPECT_FALSE(Load(file, &host));
        EXPECT_EQ(host.Handle(), 0u);
    }
}

TEST(cICOparser, ImageDataOutsideTheEntryFailsWithoutReadingPastTheStream) {
    Bytes file = IconFile({BitmapEntry(Solid(8, 8, 0x123456), 8)});
    // The header claims 64 x 64 pixels; the entry holds 8 x 8.
    file[6] = 64;
    file[7] = 64;
    c32bppDIB host;
    EXPECT_TRUE(Load(file, &host));
    EXPECT_EQ(host.Handle(), 0u);
}

TEST(cICOparser, CallersStreamIsLeftAsItWas) {
    const Bytes file = IconFile({BitmapEntry(Solid(8, 8, 0x123456), 8)});
    Bytes copy = file;
    c32bppDIB host;
    ASSERT_TRUE(Load(copy, &host));
    EXPECT_EQ(copy, file);
}

TEST(cICOparser, LengthZeroMeansTheWholeStreamAndIsWrittenBack) {
    const Bytes file = IconFile({BitmapEntry(Solid(8, 8, 0x123456), 8)});
    cICOparser parser;
    c32bppDIB host;
    std::int64_t length = 0;
    ASSERT_TRUE(parser.LoadStream(file, 8, 8, &host, 0, length, 8, 0));
    EXPECT_EQ(length, static_cast<std::int64_t>(file.size()));
}

gdi::HBITMAP MonoBitmap(int width, int height, const std::vector<int>& whiteRows) {
    gdi::BITMAPINFOHEADER header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 1;
    const gdi::RGBQUAD table[] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    const gdi::HBITMAP bitmap = gdi::CreateDIBSection(header, table, nullptr);
    for (const int y : whiteRows) {
        for (int x = 0; x < width; ++x) {
            gdi::BitmapFromHandle(bitmap)->WritePixel(x, y, {255, 255, 255, 0});
        }
    }
    return bitmap;
}

TEST(cICOparser, IconHandlesConvertWithTheirMaskOrAlpha) {
    // Colour icon without alpha: row 0 of the mask set makes the top row transparent.
    gdi::UniqueGdiObject mask(MonoBitmap(3, 2, {0}));
    gdi::BITMAPINFOHEADER header;
    header.biWidth = 3;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 32;
    gdi::UniqueGdiObject color(gdi::CreateDIBSection(header, {}, nullptr));
    for (int x = 0; x < 3; ++x) {
        gdi::BitmapFromHandle(color.Get())->WritePixel(x, 1, {10, 20, 30, 0});
    }
    gdi::ICONINFO parts{true, 0, 0, mask.Get(), color.Get()};
    gdi::UniqueGdiObject icon(gdi::CreateIconIndirect(parts));
    c32bppDIB host;
    ASSERT_TRUE(cICOparser().ConvertstdPicTo32bpp(icon.Get(), host));
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(host, 2, 1), (Pixel{10, 20, 30, 255}));
    EXPECT_EQ(host.ImageType(), 3);

    // With alpha: judged, premultiplied, type 8 for an icon and 12 for a cursor.
    gdi::BitmapFromHandle(color.Get())->WritePixel(1, 1, {200, 100, 50, 128});
    parts.fIcon = false;
    gdi::UniqueGdiObject cursor(gdi::CreateIconIndirect(parts));
    ASSERT_TRUE(cICOparser().ConvertstdPicTo32bpp(cursor.Get(), host));
    EXPECT_EQ(PixelAt(host, 1, 1), (Pixel{100, 50, 25, 128}));
    EXPECT_EQ(host.ImageType(), 12);

    // Monochrome: AND half on top of the XOR half.
    gdi::UniqueGdiObject mono(MonoBitmap(2, 4, {0, 3}));
    gdi::ICONINFO monoParts{true, 0, 0, mono.Get(), 0};
    gdi::UniqueGdiObject monoIcon(gdi::CreateIconIndirect(monoParts));
    ASSERT_TRUE(cICOparser().ConvertstdPicTo32bpp(monoIcon.Get(), host));
    ASSERT_EQ(host.Height(), 2);
    EXPECT_EQ(PixelAt(host, 0, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(host, 0, 1), (Pixel{255, 255, 255, 255}));

    EXPECT_FALSE(cICOparser().ConvertstdPicTo32bpp(0, host));
    EXPECT_FALSE(cICOparser().ConvertstdPicTo32bpp(mask.Get(), host));
}

}  // namespace
