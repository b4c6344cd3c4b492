#include <gtest/gtest.h>

#include "../app/TempFolder.h"
#include "../codecs/BmpBuilder.h"
#include "../codecs/IcoBuilder.h"
#include "../codecs/PngBuilder.h"
#include "image/FallbackImageLoader.h"
#include "image/c32bppDIB.h"
#include "platform/gdi/DibReader.h"
#include "platform/gdi/Gdi.h"
#include "platform/picture/ClipboardSource.h"
#include "support/HostPixel.h"

namespace {

using bmptest::Bytes;
using testsupport::PixelAt;
using Pixel = std::array<int, 4>;

// Answers every load with a 2 x 1 image and counts the calls.
class FakeFallback : public FallbackImageLoader {
  public:
    bool Load(std::span<const std::uint8_t> bytes, c32bppDIB& host, bool& hasAlpha) const override {
        ++calls;
        seen.assign(bytes.begin(), bytes.end());
        hasAlpha = true;
        return host.InitializeDIB(2, 1);
    }
    mutable int calls = 0;
    mutable Bytes seen;
};

class Installed {
  public:
    explicit Installed(const FallbackImageLoader* loader) { FallbackImageLoader::Install(loader); }
    ~Installed() { FallbackImageLoader::Install(nullptr); }
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

TEST(Loading, SourcesShorterThan57BytesAreRejected) {
    TempFolder folder;
    c32bppDIB image;
    EXPECT_FALSE(
        image.LoadPicture_File(WriteFile(folder, "56.bmp", TinyBitmap(56)), 0, 0, false, 32));
    EXPECT_TRUE(
        image.LoadPicture_File(WriteFile(folder, "57.bmp", TinyBitmap(57)), 0, 0, false, 32));
    EXPECT_EQ(PixelAt(image, 0, 0), (Pixel{10, 20, 30, 255}));
    EXPECT_FALSE(LoadStream(image, TinyBitmap(56)));
    EXPECT_EQ(image.Handle(), 0u);
    EXPECT_TRUE(LoadStream(image, TinyBitmap(57)));
    EXPECT_FALSE(image.LoadPicture_File(folder.File("missing.bmp"), 0, 0, false, 32));
}

TEST(Loading, StreamRangeRules) {
    const Bytes bitmap = bmptest::BitmapFile(3, 3, Bytes(36, 0x40));
    ASSERT_EQ(bitmap.size(), 90u);
    Bytes stream(10, 0xEE);
    stream.insert(stream.end(), bitmap.begin(), bitmap.end());
    c32bppDIB image;
    EXPECT_TRUE(LoadStream(image, stream, 10, 0) && image.Width() == 3);
    EXPECT_TRUE(LoadStream(image, bitmap, -5, 0) && image.Width() == 3) << "a negative start is 0";
    EXPECT_FALSE(LoadStream(image, stream, 10, 91));
    EXPECT_FALSE(LoadStream(image, stream, 101, 0));
    EXPECT_FALSE(LoadStream(image, {}));
}

TEST(Loading, IconDepthIsNormalisedBeforeTheIconDecoder) {
    icotest::BitmapImage deep = icotest::Solid(16, 32, 0x112233);
    const Bytes file =
        icotest::IconFile({icotest::BitmapEntry(icotest::Solid(16, 24, 0x445566), 24),
                           icotest::BitmapEntry(deep, 32)});
    const std::pair<int, int> cases[] = {{33, 8}, {-1, 8}, {32, 8}, {24, 3}};
    for (const auto& [depth, imageType] : cases) {
        c32bppDIB image;
        ASSERT_TRUE(image.LoadPicture_Stream(file, 16, 16, 0, 0, false, depth)) << depth;
        EXPECT_EQ(image.ImageType(), imageType) << depth;
    }
}

TEST(Loading, DecodersAreTriedInOrderAndAPngEndsTheChain) {
    FakeFallback fallback;
    Installed installed(&fallback);
    const Bytes png =
        pngtest::Png({pngtest::Ihdr(2, 2, 8, 2), pngtest::Idat(Bytes(14, 7)), pngtest::Iend()});
    Bytes padded = png;
    padded.resize(80, 0);
    c32bppDIB image;
    ASSERT_TRUE(LoadStream(image, padded));
    EXPECT_EQ(fallback.calls, 0);
    EXPECT_EQ(image.Width(), 2);

    // A PNG that fails to decode is not offered to the other decoders, only to the fallback.
    Bytes broken = padded;
    broken[30] ^= 0xFF;
    ASSERT_TRUE(LoadStream(image, broken));
    EXPECT_EQ(fallback.calls, 1);
    EXPECT_EQ(image.ImageType(), 10);
    EXPECT_TRUE(image.Alpha());
}

TEST(Loading, UnknownFormatNeedsTheFallback) {
    Bytes jpeg(200, 0x33);
    jpeg[0] = 0xFF;
    jpeg[1] = 0xD8;
    c32bppDIB image;
    ASSERT_TRUE(LoadStream(image, TinyBitmap(60)));
    EXPECT_FALSE(LoadStream(image, Bytes(100, 0)));
    EXPECT_EQ(image.Handle(), 0u) << "a failed load leaves the image empty";
    EXPECT_EQ(image.Width(), 0);
    ASSERT_TRUE(LoadStream(image, TinyBitmap(60)));
    EXPECT_FALSE(LoadStream(image, jpeg));
    EXPECT_EQ(image.Handle(), 0u);
    EXPECT_EQ(image.ImageType(), -1);

    FakeFallback fallback;
    Installed installed(&fallback);
    Bytes whole(5, 1);
    whole.insert(whole.end(), jpeg.begin(), jpeg.end());
    ASSERT_TRUE(LoadStream(image, whole, 5, 0, true));
    EXPECT_EQ(fallback.seen, whole);
    EXPECT_EQ(image.ImageType(), 10);
    EXPECT_EQ(image.OriginalFormat(), whole);
}

TEST(Loading, SaveFormatKeepsTheEncodedBytes) {
    TempFolder folder;
    const Bytes png = pngtest::Png({pngtest::Ihdr(3, 1, 8, 0), pngtest::Idat({0, 1, 2, 3}),
                                    pngtest::Iend(), pngtest::Chunk("tEXt", Bytes(20, 'x'))});
    const std::string path = WriteFile(folder, "gray.png", png);
    c32bppDIB image;
    ASSERT_TRUE(image.LoadPicture_File(path, 0, 0, true, 32));
    EXPECT_EQ(image.OriginalFormat(), png);
    ASSERT_TRUE(image.LoadPicture_File(path, 0, 0, false, 32));
    EXPECT_TRUE(image.OriginalFormat().empty());
    const Bytes bitmap = TinyBitmap(64);
    ASSERT_TRUE(LoadStream(image, bitmap, 0, 0, true));
    EXPECT_EQ(image.OriginalFormat(), bitmap);
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

TEST(Loading, ClipboardWithoutAPictureLeavesTheImageAlone) {
    c32bppDIB image;
    ASSERT_TRUE(LoadStream(image, TinyBitmap(60)));
    EXPECT_FALSE(image.LoadPicture_ClipBoard());
    FakeClipboard clipboard;
    picture::ClipboardSource::Install(&clipboard);
    EXPECT_FALSE(image.LoadPicture_ClipBoard());
    EXPECT_EQ(image.Width(), 1);
    EXPECT_EQ(PixelAt(image, 0, 0), (Pixel{10, 20, 30, 255}));
    clipboard.bitmap = 1;
    EXPECT_TRUE(image.LoadPicture_ClipBoard());
    EXPECT_EQ(PixelAt(image, 0, 0), (Pixel{5, 6, 7, 255}));
    picture::ClipboardSource::Install(nullptr);
}

TEST(Loading, StdPictureOfEachKind) {
    c32bppDIB image;
    EXPECT_FALSE(image.LoadPicture_StdPicture(nullptr));
    const auto bitmap = picture::Picture::FromBitmap(
        gdi::LoadBitmapFile(bmptest::BitmapFile(2, 1, {1, 2, 3, 4, 5, 6, 7, 8})));
    ASSERT_TRUE(image.LoadPicture_StdPicture(bitmap.get()));
    EXPECT_EQ(image.ImageType(), 7);
    EXPECT_EQ(PixelAt(image, 1, 0), (Pixel{5, 6, 7, 8}));
}

}  // namespace
