#include <gtest/gtest.h>

#include <zlib.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/ZlibBridge.h"
#include "codecs/cPNGparser.h"
#include "image/c32bppDIB.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Pixel = std::array<int, 4>;  // B, G, R, A as stored

void PutLittle(Bytes& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void PutBig(Bytes& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void PutChunk(Bytes& png, const std::string& type, const Bytes& data) {
    Bytes chunk(type.begin(), type.end());
    chunk.insert(chunk.end(), data.begin(), data.end());
    PutBig(png, static_cast<std::uint32_t>(data.size()));
    png.insert(png.end(), chunk.begin(), chunk.end());
    PutBig(png,
           static_cast<std::uint32_t>(crc32(0, chunk.data(), static_cast<uInt>(chunk.size()))));
}

Bytes Compress(const Bytes& raw) {
    uLongf length = compressBound(raw.size());
    Bytes compressed(length);
    compress2(compressed.data(), &length, raw.data(), raw.size(), 9);
    compressed.resize(length);
    return compressed;
}

// An 8-bit palette PNG whose complete zlib stream holds only the given filtered bytes.
Bytes PalettePng(std::uint32_t width, std::uint32_t height, std::uint8_t interlace,
                 const Bytes& palette, const Bytes& transparency, const Bytes& rows) {
    Bytes png = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header;
    PutBig(header, width);
    PutBig(header, height);
    header.insert(header.end(), {8, 3, 0, 0, interlace});
    PutChunk(png, "IHDR", header);
    PutChunk(png, "PLTE", palette);
    PutChunk(png, "tRNS", transparency);
    PutChunk(png, "IDAT", Compress(rows));
    PutChunk(png, "IEND", {});
    return png;
}

Bytes HugePng(std::uint32_t width, std::uint32_t height, std::uint8_t depth,
              std::uint8_t colorType) {
    Bytes png = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header;
    PutBig(header, width);
    PutBig(header, height);
    header.insert(header.end(), {depth, colorType, 0, 0, 0});
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", Compress({0}));
    PutChunk(png, "IEND", {});
    return png;
}

// A bitmap file header and 40-byte header with no colour table, then the bits given.
Bytes HugeBitmap(std::uint32_t width, std::uint32_t height, std::uint16_t bitCount,
                 std::uint32_t compression, const Bytes& bits) {
    Bytes file = {'B', 'M'};
    PutLittle(file, static_cast<std::uint32_t>(54 + bits.size()), 4);
    PutLittle(file, 0, 4);
    PutLittle(file, 54, 4);
    PutLittle(file, 40, 4);
    PutLittle(file, width, 4);
    PutLittle(file, height, 4);
    PutLittle(file, 1, 2);
    PutLittle(file, bitCount, 2);
    PutLittle(file, compression, 4);
    for (int field = 0; field < 5; ++field) {
        PutLittle(file, 0, 4);
    }
    file.insert(file.end(), bits.begin(), bits.end());
    return file;
}

// One image of the given size with a 2-colour table and a few bytes of LZW data.
Bytes HugeGif(std::uint16_t width, std::uint16_t height) {
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
    gif.push_back(0x2C);
    PutLittle(gif, 0, 4);
    PutLittle(gif, width, 2);
    PutLittle(gif, height, 2);
    gif.insert(gif.end(), {0, 2, 2, 0x4C, 0x01, 0, 0x3B});
    gif.resize(64, 0);
    return gif;
}

Pixel PixelAt(const c32bppDIB& image, int x, int y) {
    const std::uint8_t* p =
        image.BitsPointer() +
        (static_cast<std::size_t>(image.Height() - 1 - y) * image.Width() + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// Headers that claim more than 256 MiB of 32-bit pixels are refused before anything that large
// is allocated, whichever decoder reads them; none of these inputs is longer than 64 bytes.
TEST(HostileInput, ClaimsBeyondTwoHundredFiftySixMebibytesLoadNothing) {
    const Bytes endOfBitmap = {0, 1, 0, 1};
    const std::pair<const char*, Bytes> cases[] = {
        {"PNG of 2^31-1 squared pixels", HugePng(0x7FFFFFFF, 0x7FFFFFFF, 8, 6)},
        {"PNG of 8192 x 8193 one-bit pixels", HugePng(8192, 8193, 1, 0)},
        {"bitmap row of 1.3 billion one-bit pixels", HugeBitmap(0x4D00000D, 1, 1, 0, {0, 0, 0})},
        {"RLE8 bitmap of 16384 x 16385", HugeBitmap(16384, 16385, 8, 1, endOfBitmap)},
        {"RLE4 bitmap of 8193 x 8192", HugeBitmap(8193, 8192, 4, 2, endOfBitmap)},
        {"GIF of 8193 x 8192", HugeGif(8193, 8192)},
        {"GIF of 65535 x 65535", HugeGif(65535, 65535)}};
    for (const auto& [name, bytes] : cases) {
        c32bppDIB image;
        EXPECT_FALSE(image.LoadPicture_Stream(bytes, 0, 0, 0, 0, false, 32)) << name;
        EXPECT_EQ(image.Handle(), 0u) << name;
    }
}

// Rows that a short stream never reaches are zero rows: palette entry 0 with its transparency,
// premultiplied, in every row and pass the data did not reach; pixels decoded from the data keep
// their own values, a transparent one staying all zero.
TEST(HostileInput, RowsPastTheEndOfTheDataComeOutAsZeroRows) {
    const Bytes palette = {10, 20, 30, 200, 100, 50};
    const Bytes transparency = {128, 0};
    const Pixel zeroRow = {30 * 128 / 255, 20 * 128 / 255, 10 * 128 / 255, 128};
    struct Case {
        std::uint8_t interlace;
        Bytes rows;         // filter byte and indices of the data that is there
        int decodedPixels;  // leading pixels of the top row decoded from that data
    };
    const Case cases[] = {{0, {0, 1, 1, 1, 1}, 4}, {1, {0, 1}, 1}};
    for (const Case& c : cases) {
        for (const bool zlibPresent : {true, false}) {
            ZlibBridge::SetZlibPresent(zlibPresent);
            const Bytes png = PalettePng(4, 3, c.interlace, palette, transparency, c.rows);
            c32bppDIB image;
            ASSERT_TRUE(image.LoadPicture_Stream(png, 0, 0, 0, 0, false, 32));
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 4; ++x) {
                    const bool decoded = y == 0 && x < c.decodedPixels;
                    const Pixel expected = decoded ? Pixel{0, 0, 0, 0} : zeroRow;
                    EXPECT_EQ(PixelAt(image, x, y), expected)
                        << "interlace " << int{c.interlace} << ", zlib " << zlibPresent << " at "
                        << x << "," << y;
                }
            }
        }
    }
    ZlibBridge::SetZlibPresent(true);
}

}  // namespace
