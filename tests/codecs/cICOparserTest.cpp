// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "IcoBuilder.h"
#include "PngBuilder.h"
#include "codecs/cICOparser.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"
#include "support/HostPixel.h"
#include "support/TempFolder.h"
#include "support/TestSurface.h"

namespace {

using icotest::BitmapEntry;
using icotest::BitmapImage;
using icotest::Bytes;
using icotest::Entry;
using icotest::IconFile;
using icotest::Solid;
using testsupport::PixelAt;
using Pixel = std::array<int, 4>;
constexpr Pixel kClear = {0, 0, 0, 0};

bool Load(const Bytes& file, c32bppDIB* host, int side = 32, int depth = 32) {
    std::int64_t length = static_cast<std::int64_t>(file.size());
    return cICOparser().LoadStream(file, side, side, host, 0, length, depth, 0);
}

Pixel Bgra(std::uint32_t rgb) {
    return {int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF), 255};
}

// The host's pixels in reading order.
std::vector<Pixel> All(const c32bppDIB& host) {
    std::vector<Pixel> pixels;
    for (int i = 0; host.BitsPointer() != nullptr && i < host.Width() * host.Height(); ++i) {
        pixels.push_back(PixelAt(host, i % host.Width(), i / host.Width()));
    }
    return pixels;
}

Bytes With(Bytes bytes, std::size_t at, std::initializer_list<std::uint8_t> values) {
    std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return bytes;
}

TEST(cICOparser, ChoosesTheEntryThatFitsBest) {
    struct {
        std::vector<std::array<int, 2>> entries;  // side, bit count
        int wantedSide, wantedDepth, chosen;      // chosen: 1-based
    } const cases[] = {
        // Scores -36, 28, 24, 32: the lowest positive score wins.
        {{{16, 4}, {32, 4}, {32, 8}, {48, 32}}, 32, 32, 3},
        {{{16, 4}, {32, 4}, {32, 8}, {48, 32}}, 32, 8, 3},  // score 0 chooses at once
        // No positive score: the second pass ties at 64 and the higher entry number wins.
        {{{16, 32}, {16, 8}}, 32, 32, 2},
        {{{48, 4}}, 16, 8, 1},             // a single entry, whatever its size
        {{{32, 24}, {32, 24}}, 16, 8, 1},  // first-pass ties go to the lower number
        {{{16, 8}, {32, 8}}, 0, 8, 2},     // wanted size below 1 means 32
    };
    for (const auto& test : cases) {
        std::vector<Entry> entries;
        for (std::uint32_t i = 0; i < test.entries.size(); ++i) {
            const auto [side, bits] = test.entries[i];
            entries.push_back(BitmapEntry(Solid(side, bits, 0x101010u * (i + 1)),
                                          static_cast<std::uint16_t>(bits)));
        }
        c32bppDIB host;
        ASSERT_TRUE(Load(IconFile(entries), &host, test.wantedSide, test.wantedDepth));
        EXPECT_EQ(PixelAt(host, 0, 0), Bgra(0x101010u * static_cast<std::uint32_t>(test.chosen)));
        EXPECT_EQ(host.Width(), test.entries[test.chosen - 1][0]) << test.wantedSide;
    }
}

// A width x 3 image whose pixels and mask differ everywhere.
BitmapImage Patterned(int width, int bitCount) {
    BitmapImage image{width, 3, bitCount, {}, {}, {}};
    const std::uint32_t colors[] = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF,
                                    0xABCDEF, 0x010203, 0x808080, 0xFFFFFF};
    const std::uint32_t entries = bitCount <= 8 ? 1u << bitCount : 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        image.palette.push_back(colors[i % 8] ^ i);
    }
    for (std::uint32_t i = 0; i < 3u * width; ++i) {
        image.pixels.push_back(entries != 0 ? i % entries : colors[i % 8] | 0xFF000000u);
        image.transparent.push_back(i % 4 == 1);
    }
    return image;
}

// Pillow's reading of a one-entry icon file (ImageMagick trusts a directory's 256 over the
// image): premultiplied blue, green, red, alpha, top row first.
std::vector<Pixel> PillowPixels(const Bytes& icon) {
    const TempFolder folder;
    testsupport::WriteFileBytes(folder.File("x.ico"), icon);
    const std::string command =
        "/usr/bin/python3 -c \"import sys; from PIL import Image; "
        "sys.stdout.buffer.write(Image.open(sys.argv[1]).convert('RGBA').tobytes())\" " +
        folder.File("x.ico") + " >" + folder.File("x.rgba");
    EXPECT_EQ(std::system(command.c_str()), 0);
    const Bytes rgba = testsupport::ReadFileBytes(folder.File("x.rgba"));
    std::vector<Pixel> pixels;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const int a = rgba[i + 3];
        pixels.push_back({rgba[i + 2] * a / 255, rgba[i + 1] * a / 255, rgba[i] * a / 255, a});
    }
    return pixels;
}

// Every depth takes the mask, 32 bits their own alpha, as Pillow reads the same file. The entry's
// own header decides size, depth and colour table, whatever the directory says (16, 64 or 256
// for smaller pictures); a colour table may be shorter than the depth allows.
TEST(cICOparser, EntriesAtEveryDepthTakeTheMaskButThirtyTwoBitsTheirOwnAlpha) {
    Entry shortTable = BitmapEntry(Patterned(5, 8), 8);
    shortTable.data[32] = 15;  // colours used
    shortTable.data.erase(shortTable.data.begin() + 40 + 15 * 4,
                          shortTable.data.begin() + 40 + 256 * 4);
    // The entry, the side its directory gives (0 is 256) and the picture's width.
    const std::tuple<Entry, std::uint8_t, int> cases[] = {
        {BitmapEntry(Patterned(5, 1), 1), 5, 5},
        {BitmapEntry(Patterned(7, 4), 4), 16, 7},
        {shortTable, 5, 5},
        {BitmapEntry(Patterned(8, 24), 24), 64, 8},
        {BitmapEntry(Patterned(256, 4), 4), 0, 256},
        {BitmapEntry(Patterned(7, 32), 32), 0, 7}};
    for (auto [entry, directorySide, width] : cases) {
        SCOPED_TRACE(testing::Message() << entry.bitCount << " bits, " << width << " wide");
        entry.width = entry.height = directorySide;
        const Bytes icon = IconFile({entry});
        const std::vector<Pixel> expected = PillowPixels(icon);
        c32bppDIB host;
        ASSERT_TRUE(Load(icon, &host));
        ASSERT_EQ(std::tuple(host.Width(), host.Height(), host.ImageType(), host.Alpha()),
                  std::tuple(width, 3, entry.bitCount == 32 ? 8 : 3, true));
        EXPECT_EQ(All(host), expected);
    }
    // A cursor is type 5 with a mask, 12 with alpha.
    c32bppDIB host;
    ASSERT_TRUE(Load(IconFile({BitmapEntry(Patterned(5, 4), 4)}, 2), &host));
    EXPECT_EQ(host.ImageType(), 5);
    ASSERT_TRUE(Load(IconFile({BitmapEntry(Solid(4, 32, 0x123456), 32)}, 2), &host));
    EXPECT_EQ(host.ImageType(), 12);
    // 32-bit entries take their own alpha and ignore the mask.
    BitmapImage image{4, 1, 32, {}, {0x00FFFFFF, 0xFFC86432, 0x80C86432, 0x01FFFFFF}, {}};
    image.transparent = {false, true, true, true};
    ASSERT_TRUE(Load(IconFile({BitmapEntry(image, 32)}), &host));
    // 0x32 * 128 / 255 = 25, 0x64 * 128 / 255 = 50, 0xC8 * 128 / 255 = 100.
    EXPECT_EQ(All(host), (std::vector<Pixel>{
                             kClear, {0x32, 0x64, 0xC8, 255}, {25, 50, 100, 128}, {1, 1, 1, 1}}));
    EXPECT_EQ(host.ImageType(), 8);
    // Alpha 0 everywhere: fully transparent, whatever the mask says.
    image.pixels = {0x00FFFFFF, 0x00102030, 0x00000000, 0x00ABCDEF};
    image.transparent.assign(4, false);
    ASSERT_TRUE(Load(IconFile({BitmapEntry(image, 32)}), &host));
    EXPECT_EQ(All(host), std::vector<Pixel>(4, kClear));
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

TEST(cICOparser, DirectoriesTakeBitCountsFromTheImagesPngEntriesDecodeAndBrokenOnesFail) {
    Entry noHeaderDepth = BitmapEntry(Solid(24, 8, 0x336699), 8);
    noHeaderDepth.data[14] = 0;
    // The header's bit count wins over the directory's 4; without one the directory's is used.
    const Bytes file = IconFile(
        {BitmapEntry(Solid(16, 8, 0x336699), 4), noHeaderDepth, {0, 0, 0, PngEntryData(256)}});
    cICOparser parser;
    // Length 0 means all of the stream; without a host only the directory is read.
    std::int64_t length = 0;
    ASSERT_TRUE(parser.LoadStream(file, 0, 0, nullptr, 0, length, 32, 0));
    EXPECT_EQ(length, static_cast<std::int64_t>(file.size()));
    // Width, height, bit count, colours, whether a PNG.
    const std::array<int, 5> expected[] = {
        {16, 16, 8, 256, 0}, {24, 24, 8, 256, 0}, {256, 256, 32, 0, 1}};
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ((std::array{parser.Width(i), parser.Height(i), parser.bitDepth(i),
                              parser.ColorCount(i), int{parser.IsIconPNG(i)}}),
                  expected[i - 1]);
    }
    EXPECT_EQ(parser.ColorByteOffset(1), 6 + 48 + 40 + 1024);
    EXPECT_EQ(parser.Width(0) + parser.Width(4), 0);
    c32bppDIB host;
    for (const int side : {16, 24}) {
        ASSERT_TRUE(Load(file, &host, side, 8));
        EXPECT_EQ(PixelAt(host, side - 1, 3), Bgra(0x336699)) << side;
    }
    ASSERT_TRUE(Load(file, &host, 256, 32));
    EXPECT_EQ(std::tuple(host.Width(), PixelAt(host, 255, 255), host.ImageType()),
              std::tuple(256, Pixel{25, 50, 100, 128}, 11));
    // Broken directories are refused.
    const Bytes good = IconFile({BitmapEntry(Solid(8, 8, 0x123456), 8)});
    Entry noDepth = BitmapEntry(Solid(8, 8, 0x123456), 0);
    noDepth.data[14] = 0;
    // Reserved not 0, type 3, no entries, a negative count, a second entry the file lacks, more
    // bytes than the stream holds, an image offset beyond it, shorter than the header, one byte
    // short of the image data, neither header nor directory depth, a PNG entry with a broken
    // signature or depth 0.
    const Bytes cases[] = {With(good, 0, {1}),
                           With(good, 2, {3}),
                           With(good, 4, {0}),
                           With(good, 5, {0x80}),
                           With(good, 4, {2}),
                           With(good, 8 + 6, {0xFF}),
                           With(good, 12 + 6 + 3, {0x10}),
                           Bytes(good.begin(), good.begin() + 5),
                           Bytes(good.begin(), good.end() - 1),
                           IconFile({noDepth}),
                           IconFile({{4, 4, 0, With(PngEntryData(4), 1, {'X'})}}),
                           IconFile({{4, 4, 0, With(PngEntryData(4), 24, {0})}})};
    for (const Bytes& broken : cases) {
        c32bppDIB empty;
        EXPECT_EQ((std::pair{Load(broken, &empty), empty.Handle()}),
                  std::pair(false, gdi::HBITMAP{0}));
    }
}

gdi::HBITMAP Dib(int width, int height, std::uint16_t bits, const std::vector<int>& whiteRows) {
    const gdi::HBITMAP bitmap = TestSurface::NewBitmap(width, height, bits);
    for (const int y : whiteRows) {
        for (int x = 0; x < width; ++x) {
            gdi::BitmapFromHandle(bitmap)->WritePixel(x, y, {255, 255, 255, 0});
        }
    }
    return bitmap;
}

TEST(cICOparser, IconHandlesConvertWithTheirMaskOrAlpha) {
    // Colour icon without alpha: row 0 of the mask set makes the top row transparent.
    gdi::UniqueGdiObject mask(Dib(3, 2, 1, {0}));
    gdi::UniqueGdiObject color(Dib(3, 2, 32, {1}));
    gdi::ICONINFO parts{true, 0, 0, mask.Get(), color.Get()};
    gdi::UniqueGdiObject icon(gdi::CreateIconIndirect(parts));
    c32bppDIB host;
    ASSERT_TRUE(cICOparser().ConvertstdPicTo32bpp(icon.Get(), host));
    EXPECT_EQ(std::tuple(PixelAt(host, 0, 0), PixelAt(host, 2, 1), host.ImageType()),
              std::tuple(kClear, Pixel{255, 255, 255, 255}, 3));
    // With alpha: judged, premultiplied, type 12 for a cursor.
    gdi::BitmapFromHandle(color.Get())->WritePixel(1, 1, {200, 100, 50, 128});
    parts.fIcon = false;
    gdi::UniqueGdiObject cursor(gdi::CreateIconIndirect(parts));
    ASSERT_TRUE(cICOparser().ConvertstdPicTo32bpp(cursor.Get(), host));
    EXPECT_EQ(std::pair(PixelAt(host, 1, 1), host.ImageType()),
              std::pair(Pixel{100, 50, 25, 128}, 12));
    // Monochrome: AND half on top of the XOR half.
    gdi::UniqueGdiObject mono(Dib(2, 4, 1, {0, 3}));
    gdi::UniqueGdiObject monoIcon(gdi::CreateIconIndirect({true, 0, 0, mono.Get(), 0}));
    ASSERT_TRUE(cICOparser().ConvertstdPicTo32bpp(monoIcon.Get(), host));
    EXPECT_EQ(All(host),
              (std::vector<Pixel>{kClear, kClear, {255, 255, 255, 255}, {255, 255, 255, 255}}));
    EXPECT_FALSE(cICOparser().ConvertstdPicTo32bpp(0, host));
    EXPECT_FALSE(cICOparser().ConvertstdPicTo32bpp(mask.Get(), host));
}

}  // namespace
