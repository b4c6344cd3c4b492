// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "BmpBuilder.h"
#include "IcoBuilder.h"
#include "PngBuilder.h"
#include "codecs/BmpDecoder.h"
#include "codecs/GifDecoder.h"
#include "codecs/IcoDecoder.h"
#include "codecs/PngDecoder.h"

namespace {

using Kind = Error::Kind;
using Decoder = Expected<DecodedImage, Error> (*)(ByteReader&, const DecodeRequest&);
using pngtest::Bytes;
using pngtest::Chunk;
using pngtest::Ihdr;
using pngtest::Png;

struct Case {
    const char* name;
    Decoder decode;
    Bytes input;
    Kind kind;
    const char* text;
};

Bytes Cut(Bytes bytes, std::size_t length) {
    bytes.resize(length);
    return bytes;
}

Bytes Gif(const Bytes& afterScreen) {
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0};
    gif.insert(gif.end(), afterScreen.begin(), afterScreen.end());
    return gif;
}

// One 4 x 4 entry; at is a file offset to overwrite with value.
Bytes Icon(std::size_t at, std::uint32_t value, int size) {
    Bytes file = icotest::IconFile({icotest::BitmapEntry(icotest::Solid(4, 8, 0x112233), 0)});
    bmptest::Put(file, at, value, size);
    return file;
}

TEST(DecodeReason, EachBrokenInputNamesItsReason) {
    const Bytes rgb = Png({Ihdr(2, 2, 8, 2), pngtest::Idat(Bytes(14, 0)), pngtest::Iend()});
    const Bytes badIndex =
        Png({Ihdr(1, 1, 8, 3), Chunk("PLTE", {1, 2, 3}), pngtest::Idat({0, 5}), pngtest::Iend()});
    const Bytes badFilter = Png({Ihdr(1, 1, 8, 0, 1), pngtest::Idat({9, 0}), pngtest::Iend()});
    const Bytes bitmap = bmptest::BitmapFile(2, 2, Bytes(16, 7));
    const Case cases[] = {
        {"PngCut", PngDecoder::Decode, Cut(rgb, rgb.size() - 20), Kind::Truncated, "ends at"},
        {"PngCrc", PngDecoder::Decode, Png({Chunk("IHDR", pngtest::HeaderData(1, 1, 8, 0), 1)}),
         Kind::BadCrc, "IHDR"},
        {"PngDepth", PngDecoder::Decode, Png({Ihdr(1, 1, 3, 0)}), Kind::UnsupportedDepth, "3"},
        {"PngSize", PngDecoder::Decode, Png({Ihdr(50000, 50000, 8, 0)}), Kind::SizeLimit, "50000"},
        {"PngInflate", PngDecoder::Decode,
         Png({Ihdr(1, 1, 8, 0), Chunk("IDAT", {0x78, 0x9C, 0xFF, 0xFF}), pngtest::Iend()}),
         Kind::InflateError, "at byte"},
        {"PngWidth", PngDecoder::Decode, Png({Ihdr(0, 1, 8, 0)}), Kind::BadHeader, "width"},
        {"PngIndex", PngDecoder::Decode, badIndex, Kind::BadData, "PLTE"},
        {"PngPassFilter", PngDecoder::Decode, badFilter, Kind::BadData, "filter 9"},
        {"PngNoData", PngDecoder::Decode, Png({Ihdr(1, 1, 8, 0), pngtest::Iend()}), Kind::NoImage,
         "no image"},
        {"PngOther", PngDecoder::Decode, Gif({}), Kind::NotThisFormat, "not a picture"},
        {"GifCut", GifDecoder::Decode, Gif({0x21, 0xFE, 5, 1}), Kind::Truncated, "ends at"},
        {"GifTrailer", GifDecoder::Decode, Gif({0x3B}), Kind::NoImage, "no image"},
        {"GifOther", GifDecoder::Decode, rgb, Kind::NotThisFormat, "not a picture"},
        {"BmpWidth", BmpDecoder::Decode, bmptest::BitmapFile(0, 2, Bytes(16, 7)), Kind::BadHeader,
         "width"},
        {"BmpCut", BmpDecoder::Decode, Cut(bitmap, 60), Kind::Truncated, "ends at byte 60"},
        {"BmpDepth", BmpDecoder::Decode, bmptest::BitmapFile(2, 2, Bytes(16, 7), 0, 7),
         Kind::UnsupportedDepth, "7"},
        {"BmpOther", BmpDecoder::Decode, Bytes(60, 1), Kind::NotThisFormat, "not a picture"},
        {"IcoDirectory", IcoDecoder::Decode, Icon(14, 100000, 4), Kind::Truncated, "ends at"},
        {"IcoNoDepth", IcoDecoder::Decode, Icon(22 + 14, 0, 2), Kind::BadHeader, "no usable"},
        {"IcoOther", IcoDecoder::Decode, Bytes(60, 1), Kind::NotThisFormat, "not a picture"},
    };
    for (const Case& test : cases) {
        ByteReader reader(test.input);
        const auto result = test.decode(reader, DecodeRequest{});
        ASSERT_FALSE(result) << test.name;
        EXPECT_EQ(result.Error().Reason(), test.kind) << test.name;
        EXPECT_NE(result.Error().Text().find(test.text), std::string::npos)
            << test.name << ": " << result.Error().Text();
    }
}

// The image keeps the last load's reason and forgets it after a success. The icon decoder knew
// the format; the bitmap decoder after it did not.
TEST(DecodeReason, TheImageKeepsTheReasonOfItsLastLoad) {
    const std::pair<Bytes, std::optional<Kind>> loads[] = {
        {Png({Ihdr(1, 1, 3, 0), pngtest::Iend(), Bytes(40, 0)}), Kind::UnsupportedDepth},
        {Bytes(10, 0), Kind::Truncated},
        {Icon(22 + 14, 0, 2), Kind::BadHeader},
        {bmptest::BitmapFile(2, 2, Bytes(16, 7)), std::nullopt}};
    c32bppDIB image;
    for (const auto& [bytes, reason] : loads) {
        EXPECT_EQ(image.LoadPicture_Stream(bytes, 0, 0, 0, 0, false, 32), !reason);
        EXPECT_EQ(image.LoadError() ? std::optional(image.LoadError()->Reason()) : std::nullopt,
                  reason);
    }
}

}  // namespace
