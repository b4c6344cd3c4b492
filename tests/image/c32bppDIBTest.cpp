// SPDX-License-Identifier: MIT
#include "image/c32bppDIB.h"

#include <gtest/gtest.h>

#include <cstring>

#include "../codecs/BmpBuilder.h"
#include "../codecs/IcoBuilder.h"
#include "../codecs/PngBuilder.h"
#include "platform/desktop/FallbackDecoder.h"
#include "platform/gdi/DibReader.h"
#include "platform/gdi/Gdi.h"
#include "platform/picture/ClipboardSource.h"
#include "support/TempFolder.h"
#include "support/TestSurface.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Pixel = std::array<std::uint8_t, 4>;  // B, G, R, A

// One row of pixels, left to right.
void SetRow(c32bppDIB& image, const std::vector<Pixel>& row) {
    ASSERT_TRUE(image.InitializeDIB(static_cast<int>(row.size()), 1));
    std::memcpy(image.BitsPointer(), row.data(), row.size() * 4);
}

// The first row in memory, which is the bottom row of the picture.
std::vector<Pixel> Row(const c32bppDIB& image) {
    std::vector<Pixel> row(static_cast<std::size_t>(image.Width()));
    std::memcpy(row.data(), image.BitsPointer(), row.size() * 4);
    return row;
}

// The image's type, alpha flag, width, height and kept original bytes.
std::tuple<int, bool, int, int, Bytes> State(const c32bppDIB& image) {
    return {image.ImageType(), image.Alpha(), image.Width(), image.Height(),
            image.OriginalFormat()};
}

TEST(c32bppDIB, ANewImageIsBlankUnpaddedOrNoneAtAllAndEraseAndDestroyResetTheFlags) {
    c32bppDIB image;
    // Capabilities the platform lacks cannot be switched on.
    image.SetisAlphaBlendFriendly(true);
    image.SetisGDIplusEnabled(true);
    EXPECT_EQ(std::tuple(image.ImageType(), image.HighQualityInterpolation(),
                         image.isAlphaBlendFriendly(), image.isGDIplusEnabled()),
              std::tuple(0, false, false, false));
    ASSERT_TRUE(image.InitializeDIB(5, -3));
    EXPECT_EQ(State(image), std::tuple(0, true, 5, 3, Bytes{}));
    EXPECT_EQ(image.scanWidth(), 20);
    EXPECT_EQ(std::vector(image.BitsPointer(), image.BitsPointer() + 60), Bytes(60));
    gdi::BITMAP description;
    ASSERT_TRUE(gdi::GetObject(image.Handle(), description));
    EXPECT_EQ(description.bmBits, image.BitsPointer());
    EXPECT_EQ(description.bmBitsPixel, 32);
    // Impossible sizes leave the image empty.
    const int sizes[][2] = {{4, 0}, {-1, 4}, {0, 4}, {65536, 16384}, {1, -2147483647 - 1}};
    for (const auto& size : sizes) {
        ASSERT_TRUE(image.InitializeDIB(2, 2));
        EXPECT_FALSE(image.InitializeDIB(size[0], size[1])) << size[0] << " x " << size[1];
        EXPECT_EQ(std::tuple(image.Handle(), image.BitsPointer(), image.Width()),
                  std::tuple(gdi::HBITMAP{0}, nullptr, 0));
    }
    // Erasing and destroying reset the flags.
    image.InitializeDIB(2, 2);
    image.SetOriginalFormat({1, 2, 3});
    image.BitsPointer()[5] = 9;
    image.SetAlpha(false);
    image.SetImageType(10);
    image.EraseDIB();
    EXPECT_EQ(image.BitsPointer()[5], 0);
    EXPECT_EQ(State(image), std::tuple(0, true, 2, 2, Bytes{1, 2, 3}));
    image.DestroyDIB();
    EXPECT_EQ(State(image), std::tuple(-1, false, 0, 0, Bytes{}));
}

TEST(Render, TheFirstRowInMemoryIsTheBottomOfThePictureAndBlendsTakeTheContextsColours) {
    c32bppDIB image;
    image.InitializeDIB(2, 2);
    image.BitsPointer()[0] = 255;  // bottom-left blue
    image.BitsPointer()[3] = 255;
    std::uint8_t* topLeft = image.BitsPointer() + image.scanWidth();
    topLeft[2] = 255;  // red
    topLeft[3] = 255;
    TestSurface target(2, 2, 24);
    ASSERT_TRUE(image.Render(target.dc.Get()));
    EXPECT_EQ((std::array{target.At(0, 0), target.At(0, 1), target.At(1, 1)}),
              (std::array{Rgb(255, 0, 0), Rgb(0, 0, 255), 0u}));
    // Blends go through the context's colours.
    c32bppDIB source;
    SetRow(source, {{0, 0, 128, 128}, {0, 0, 0, 0}});
    TestSurface deep(2, 1, 24);
    deep.Fill(Rgb(200, 200, 200));
    ASSERT_TRUE(source.Render(deep.dc.Get()));
    EXPECT_EQ(std::pair(deep.At(0, 0), deep.At(1, 0)),
              std::pair(Rgb(227, 99, 99), Rgb(200, 200, 200)));
    TestSurface palette(2, 1, 8);
    palette.Fill(Rgb(255, 255, 255));
    ASSERT_TRUE(source.Render(palette.dc.Get()));
    EXPECT_EQ(palette.At(0, 0), Rgb(255, 102, 102)) << "nearest entry to (255, 127, 127)";
}

TEST(c32bppDIB, LoadDIBinDCNestsAndReleasesTheOwnContext) {
    c32bppDIB image;
    EXPECT_EQ(image.LoadDIBinDC(true), 0u) << "no image";
    image.InitializeDIB(2, 2);
    const gdi::HDC dc = image.LoadDIBinDC(true);
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(image.LoadDIBinDC(true), dc);
    EXPECT_EQ(gdi::GetCurrentBitmap(dc), image.Handle());
    EXPECT_EQ(image.LoadDIBinDC(false), 0u);
    EXPECT_EQ(gdi::GetCurrentBitmap(dc), 0u) << "the context is deleted";

    image.SetManageOwnDC(true);
    const gdi::HDC kept = image.LoadDIBinDC(true);
    image.LoadDIBinDC(false);
    EXPECT_EQ(gdi::GetCurrentBitmap(kept), gdi::StockBitmap()) << "kept, bitmap deselected";
    image.SetManageOwnDC(false);
    EXPECT_EQ(gdi::GetCurrentBitmap(kept), 0u);
}

TEST(Alpha, OnlyPartlyTransparentPixelsCountAndAreRemoved) {
    const Pixel clear{}, opaque{9, 9, 9, 255};
    const struct {
        std::vector<Pixel> before;
        bool partly;
        std::vector<Pixel> after;
    } cases[] = {
        {{{1, 2, 3, 255}, opaque}, false, {{1, 2, 3, 255}, opaque}},
        {{clear, opaque}, false, {clear, opaque}},
        {{{10, 20, 30, 128}, opaque}, true, {clear, opaque}},
        {{{1, 1, 1, 1}, opaque}, true, {clear, opaque}},
        {{opaque, {200, 200, 200, 254}}, true, {opaque, clear}},
    };
    for (const auto& c : cases) {
        c32bppDIB image;
        SetRow(image, c.before);
        // Braces keep the calls in order; the alpha flag is left alone.
        EXPECT_EQ((std::tuple{image.HavePixelsAlpha(), image.RemoveAlpha(), Row(image),
                              image.HavePixelsAlpha(), image.Alpha()}),
                  std::tuple(c.partly, true, c.after, false, true));
    }
    c32bppDIB empty;
    EXPECT_EQ((std::pair{empty.HavePixelsAlpha(), empty.RemoveAlpha()}), std::pair(false, false));
}

TEST(Render, BlendsIntoAHostImageWithIntegerArithmeticAndClipsToBothImages) {
    const struct {
        Pixel source, target;
        int opacity;
        Pixel expected;
    } cases[] = {
        {{0, 0, 128, 128}, {200, 200, 200, 255}, 100, {99, 99, 227, 255}},
        {{0, 0, 255, 255}, {0, 0, 0, 0}, 50, {0, 0, 127, 127}},
        {{0, 0, 255, 255}, {0, 0, 0, 0}, 150, {0, 0, 127, 127}},
        {{0, 0, 255, 255}, {0, 0, 0, 0}, 200, {0, 0, 255, 255}},
        {{1, 2, 3, 255}, {9, 9, 9, 9}, 100, {1, 2, 3, 255}},
        {{0, 0, 0, 0}, {9, 9, 9, 9}, 100, {9, 9, 9, 9}},
        // A colour byte above its alpha: the sum passes 255 and that byte keeps its value.
        {{250, 0, 0, 10}, {255, 40, 40, 255}, 100, {255, 38, 38, 255}},
    };
    for (const auto& c : cases) {
        c32bppDIB source, host;
        SetRow(source, {c.source});
        SetRow(host, {c.target});
        EXPECT_TRUE(source.Render(0, 0, 0, 0, 0, 0, 0, 0, 0, c.opacity, true, true, &host));
        EXPECT_EQ(Row(host)[0], c.expected) << "opacity " << c.opacity;
    }
    // Nothing to draw, nowhere to draw it, or only what the target holds.
    c32bppDIB empty;
    TestSurface target(3, 1, 24);
    EXPECT_FALSE(empty.Render(target.dc.Get()));
    EXPECT_FALSE(empty.Render(target.dc.Get(), 0, 0, 0, 0, 0, 0, 0, 0, 0));
    c32bppDIB image;
    SetRow(image, {{0, 0, 255, 255}});
    EXPECT_TRUE(image.Render(target.dc.Get(), 0, 0, 0, 0, 0, 0, 0, 0, 0)) << "opacity 0";
    EXPECT_EQ(target.At(0, 0), 0u);
    EXPECT_FALSE(image.Render(0));
    EXPECT_FALSE(image.Render(target.dc.Get(), 5, 0)) << "clipped to nothing";
    EXPECT_FALSE(image.Render(target.dc.Get(), 0, 0, 0, 0, 3, 0)) << "source outside the image";
    // A negative target position cuts the start of the source.
    SetRow(image, {{0, 0, 10, 255}, {0, 0, 20, 255}, {0, 0, 30, 255}});
    ASSERT_TRUE(image.Render(target.dc.Get(), -1, 0));
    EXPECT_EQ((std::array{target.At(0, 0), target.At(1, 0), target.At(2, 0)}),
              (std::array{Rgb(20, 0, 0), Rgb(30, 0, 0), 0u}));
}

TEST(Resize, PixelsScaleByNearestNeighbourOrBilinearAndNegativeSizesMirror) {
    const Pixel p1{1, 1, 1, 1}, p2{2, 2, 2, 2}, p3{3, 3, 3, 3}, p4{4, 4, 4, 4}, black{};
    const Pixel grey{100, 100, 100, 100}, light{200, 200, 200, 200};
    const struct {
        const char* what;
        std::vector<Pixel> row;
        bool bilinear;
        int width;
        std::vector<Pixel> expected;
    } cases[] = {
        {"nearest halving takes columns 0 and 2", {p1, p2, p3, p4}, false, 2, {p1, p3}},
        {"bilinear: the last column alone", {black, light}, true, 4, {black, grey, light, light}},
        {"a negative width mirrors", {p1, p2, p3}, false, -3, {p3, p2, p1}},
    };
    for (const auto& c : cases) {
        c32bppDIB image;
        SetRow(image, c.row);
        image.SetHighQualityInterpolation(c.bilinear);
        ASSERT_TRUE(image.Resize(c.width, 1)) << c.what;
        EXPECT_EQ(Row(image), c.expected) << c.what;
    }
    // Bilinear rows pair upwards and the top row stands alone.
    c32bppDIB image;
    ASSERT_TRUE(image.InitializeDIB(1, 2));
    std::memset(image.BitsPointer() + 4, 100, 4);  // top row 100, bottom row 0
    image.SetHighQualityInterpolation(true);
    ASSERT_TRUE(image.Resize(1, 4));
    // Memory rows, bottom first.
    EXPECT_EQ(Bytes(image.BitsPointer(), image.BitsPointer() + 16),
              (Bytes{0, 0, 0, 0, 50, 50, 50, 50, 100, 100, 100, 100, 100, 100, 100, 100}));
}

TEST(Resize, ResizesAndCopiesKeepTheFlagsAndCopiesTakeTheOriginalBytesWhenAsked) {
    c32bppDIB image;
    EXPECT_FALSE(image.Resize(4, 4));
    SetRow(image, {{5, 5, 5, 5}, {6, 6, 6, 6}});
    image.SetImageType(10);
    image.SetOriginalFormat({7, 8});
    // A same-size copy keeps the target's bitmap.
    c32bppDIB copy;
    ASSERT_TRUE(copy.InitializeDIB(2, 1));
    const gdi::HBITMAP kept = copy.Handle();
    image.CopyImageTo(copy);
    EXPECT_EQ(std::tuple(copy.Handle(), Row(copy)[1], State(copy)),
              std::tuple(kept, Pixel{6, 6, 6, 6}, std::tuple(10, true, 2, 1, Bytes{})));
    image.CopyImageTo(copy, 4, 1, true);
    EXPECT_EQ(std::pair(Row(copy)[3], State(copy)),
              std::pair(Pixel{6, 6, 6, 6}, std::tuple(10, true, 4, 1, Bytes{7, 8})));
    image.SetAlpha(false);
    const gdi::HBITMAP before = image.Handle();
    EXPECT_TRUE(image.Resize(0, 0));
    EXPECT_TRUE(image.Resize(2, 1));
    EXPECT_EQ(image.Handle(), before) << "same size: nothing changes";
    ASSERT_TRUE(image.Resize(3, 2));
    EXPECT_EQ(State(image), std::tuple(10, false, 3, 2, Bytes{7, 8}));
}

// Answers every load with a 2 x 1 image and counts the calls, installed while it lives.
class FakeFallback : public FallbackDecoder {
  public:
    FakeFallback() { FallbackDecoder::Install(this); }
    ~FakeFallback() override { FallbackDecoder::Install(nullptr); }
    Expected<bool, Error> Decode(std::span<const std::uint8_t> bytes, int, int,
                                 const PixelRoom& room) const override {
        ++calls;
        seen.assign(bytes.begin(), bytes.end());
        if (const auto pixels = room(2, 1); !pixels) {
            return pixels.Error();
        }
        return true;
    }
    mutable int calls = 0;
    mutable Bytes seen;
};

// A 1 x 1 32-bit bitmap of exactly `size` bytes whose pixel is the last four.
Bytes TinyBitmap(std::size_t size) {
    Bytes file = bmptest::BitmapFile(1, 1, {10, 20, 30, 255});
    file.resize(size);
    bmptest::Put(file, 10, static_cast<std::uint32_t>(size - 4), 4);
    bmptest::Put(file, size - 4, 0xFF1E140A, 4);
    return file;
}

std::string WriteFile(const TempFolder& folder, const std::string& name, const Bytes& bytes) {
    TempFolder::Write(folder.File(name), bytes);
    return folder.File(name);
}

bool LoadStream(c32bppDIB& image, const Bytes& stream, std::int64_t start = 0,
                std::int64_t length = 0, bool save = false, int depth = 32) {
    return image.LoadPicture_Stream(stream, 0, 0, start, length, save, depth);
}

Bytes HugePng(std::uint32_t width, std::uint32_t height, std::uint8_t depth,
              std::uint8_t colorType) {
    return pngtest::Png(
        {pngtest::Ihdr(width, height, depth, colorType), pngtest::Idat({0}), pngtest::Iend()});
}

// One image of the given size with a 2-colour table and a few bytes of LZW data.
Bytes HugeGif(std::uint16_t width, std::uint16_t height) {
    Bytes gif = {'G',  'I', 'F', '8', '9', 'a', 1,   0,   1,   0,
                 0x80, 0,   0,   0,   0,   0,   255, 255, 255, 0x2C};
    gif.insert(gif.end(), {0, 0, 0, 0, std::uint8_t(width), std::uint8_t(width >> 8),
                           std::uint8_t(height), std::uint8_t(height >> 8)});
    gif.insert(gif.end(), {0, 2, 2, 0x4C, 0x01, 0, 0x3B});
    gif.resize(64, 0);
    return gif;
}

TEST(Loading, ShortOutOfRangeOrOverlargeSourcesAreRejectedAndFilesKeepTheirBytes) {
    TempFolder folder;
    c32bppDIB image;
    EXPECT_FALSE(
        image.LoadPicture_File(WriteFile(folder, "56.bmp", TinyBitmap(56)), 0, 0, false, 32));
    EXPECT_TRUE(
        image.LoadPicture_File(WriteFile(folder, "57.bmp", TinyBitmap(57)), 0, 0, false, 32));
    EXPECT_EQ(Row(image)[0], (Pixel{10, 20, 30, 255}));
    EXPECT_FALSE(LoadStream(image, TinyBitmap(56)));
    EXPECT_EQ(image.Handle(), 0u);
    EXPECT_TRUE(LoadStream(image, TinyBitmap(57)));
    EXPECT_FALSE(image.LoadPicture_File(folder.File("missing.bmp"), 0, 0, false, 32));
    // A file past 1 GiB (sparse, so nothing is written) is refused before it is read.
    const std::string large = WriteFile(folder, "large.gif", HugeGif(16, 16));
    std::filesystem::resize_file(large, (std::uint64_t{1} << 30) + 1);
    EXPECT_FALSE(image.LoadPicture_File(large, 0, 0, false, 32));
    ASSERT_TRUE(image.LoadError());
    EXPECT_EQ(image.LoadError()->Text(),
              "file of 1073741825 bytes exceeds the size limit of 1073741824 bytes");
    const Bytes png = pngtest::Png({pngtest::Ihdr(3, 1, 8, 0), pngtest::Idat({0, 1, 2, 3}),
                                    pngtest::Iend(), pngtest::Chunk("tEXt", Bytes(20, 'x'))});
    const std::string path = WriteFile(folder, "gray.png", png);
    ASSERT_TRUE(image.LoadPicture_File(path, 0, 0, true, 32));
    EXPECT_EQ(image.OriginalFormat(), png);
    ASSERT_TRUE(image.LoadPicture_File(path, 0, 0, false, 32));
    EXPECT_TRUE(image.OriginalFormat().empty());
    // Streams are read from their start for their length, both within the stream.
    const Bytes bitmap = bmptest::BitmapFile(3, 3, Bytes(36, 0x40));
    ASSERT_EQ(bitmap.size(), 90u);
    Bytes stream(10, 0xEE);
    stream.insert(stream.end(), bitmap.begin(), bitmap.end());
    EXPECT_TRUE(LoadStream(image, stream, 10, 0) && image.Width() == 3);
    EXPECT_TRUE(LoadStream(image, bitmap, -5, 0) && image.Width() == 3) << "a negative start is 0";
    EXPECT_FALSE(LoadStream(image, stream, 10, 91));
    EXPECT_FALSE(LoadStream(image, stream, 101, 0));
    // Headers that claim more than 256 MiB of 32-bit pixels are refused before anything that large
    // is allocated, whichever decoder reads them; none of these inputs is longer than 64 bytes.
    const Bytes endOfBitmap = {0, 1, 0, 1};
    const std::pair<const char*, Bytes> cases[] = {
        {"PNG of 2^31-1 squared pixels", HugePng(0x7FFFFFFF, 0x7FFFFFFF, 8, 6)},
        {"PNG of 8192 x 8193 one-bit pixels", HugePng(8192, 8193, 1, 0)},
        {"bitmap row of 1.3 billion one-bit pixels",
         bmptest::BitmapFile(0x4D00000D, 1, {0, 0, 0}, 0, 1)},
        {"RLE8 bitmap of 16384 x 16385", bmptest::BitmapFile(16384, 16385, endOfBitmap, 1, 8)},
        {"RLE4 bitmap of 8193 x 8192", bmptest::BitmapFile(8193, 8192, endOfBitmap, 2, 4)},
        {"GIF of 8193 x 8192", HugeGif(8193, 8192)},
        {"GIF of 65535 x 65535", HugeGif(65535, 65535)}};
    for (const auto& [name, bytes] : cases) {
        EXPECT_FALSE(LoadStream(image, bytes)) << name;
        EXPECT_EQ(image.Handle(), 0u) << name;
    }
}

TEST(Loading, IconDepthIsNormalisedBeforeTheIconDecoder) {
    const Bytes file =
        icotest::IconFile({icotest::BitmapEntry(icotest::Solid(16, 24, 0x445566), 24),
                           icotest::BitmapEntry(icotest::Solid(16, 32, 0x112233), 32)});
    const std::pair<int, int> cases[] = {{33, 8}, {-1, 8}, {32, 8}, {24, 3}};
    for (const auto& [depth, imageType] : cases) {
        c32bppDIB image;
        ASSERT_TRUE(image.LoadPicture_Stream(file, 16, 16, 0, 0, false, depth)) << depth;
        EXPECT_EQ(image.ImageType(), imageType) << depth;
    }
}

TEST(Loading, DecodersAreTriedInOrderAndAPngOrTheFallbackEndsTheChain) {
    Bytes jpeg(200, 0x33);
    jpeg[0] = 0xFF;
    jpeg[1] = 0xD8;
    c32bppDIB image;
    ASSERT_TRUE(LoadStream(image, TinyBitmap(60)));
    // Without a fallback the load fails and empties the image.
    EXPECT_EQ((std::tuple{LoadStream(image, jpeg), image.Handle(), State(image)}),
              std::tuple(false, gdi::HBITMAP{0}, std::tuple(-1, false, 0, 0, Bytes{})));

    FakeFallback fallback;
    const Bytes png =
        pngtest::Png({pngtest::Ihdr(2, 2, 8, 2), pngtest::Idat(Bytes(14, 7)), pngtest::Iend()});
    Bytes padded = png;
    padded.resize(80, 0);
    ASSERT_TRUE(LoadStream(image, padded));
    EXPECT_EQ(std::pair(fallback.calls, image.Width()), std::pair(0, 2));

    // A PNG that fails to decode is not offered to the other decoders, only to the fallback.
    Bytes broken = padded;
    broken[30] ^= 0xFF;
    ASSERT_TRUE(LoadStream(image, broken));
    EXPECT_EQ(std::pair(fallback.calls, State(image)),
              std::pair(1, std::tuple(10, true, 2, 1, Bytes{})));
    Bytes whole(5, 1);
    whole.insert(whole.end(), jpeg.begin(), jpeg.end());
    ASSERT_TRUE(LoadStream(image, whole, 5, 0, true));
    EXPECT_EQ(std::pair(fallback.seen, State(image)),
              std::pair(whole, std::tuple(10, true, 2, 1, whole)));
}

class FakeClipboard : public picture::ClipboardSource {
  public:
    bool HasPicture() const override { return bitmap != 0; }
    std::unique_ptr<picture::Picture> GetPicture() const override {
        return picture::Picture::FromBitmap(
            gdi::LoadBitmapFile(bmptest::BitmapFile(1, 1, {5, 6, 7, 0})));
    }
    gdi::HBITMAP bitmap = 0;
};

TEST(Loading, PicturesFromTheClipboardOrAHandle) {
    c32bppDIB image;
    EXPECT_FALSE(image.LoadPicture_StdPicture(nullptr));
    ASSERT_TRUE(LoadStream(image, TinyBitmap(60)));
    EXPECT_FALSE(image.LoadPicture_ClipBoard());
    FakeClipboard clipboard;
    picture::ClipboardSource::Install(&clipboard);
    EXPECT_FALSE(image.LoadPicture_ClipBoard());
    EXPECT_EQ(Row(image), (std::vector{Pixel{10, 20, 30, 255}})) << "a failed paste keeps it";
    clipboard.bitmap = 1;
    EXPECT_EQ((std::pair{image.LoadPicture_ClipBoard(), Row(image)}),
              std::pair(true, std::vector{Pixel{5, 6, 7, 255}}));
    picture::ClipboardSource::Install(nullptr);
    const auto bitmap = picture::Picture::FromBitmap(
        gdi::LoadBitmapFile(bmptest::BitmapFile(2, 1, {1, 2, 3, 4, 5, 6, 7, 8})));
    ASSERT_TRUE(image.LoadPicture_StdPicture(bitmap.get()));
    EXPECT_EQ(std::pair(image.ImageType(), Row(image)[1]), std::pair(7, Pixel{5, 6, 7, 8}));
}

}  // namespace
