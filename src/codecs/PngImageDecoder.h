// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "codecs/DecodedImage.h"
#include "platform/file/Error.h"
#include "platform/file/Expected.h"

// The image header fields of a PNG, as its IHDR chunk gives them.
struct PngHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint8_t bitDepth = 0;
    std::uint8_t colorType = 0;
    std::uint8_t interlaceMethod = 0;

    int GetBitsPerPixel() const;
    // Distance in bytes between a byte and the one the row filters take as its left neighbour.
    int BytesPerPixel() const;
    std::int64_t RowBytes(std::int64_t pixels) const;
};

// Turns inflated PNG image data into the pixels of a decoded image: undoes the row filters, takes
// the interlace passes apart and converts every pixel to premultiplied blue, green, red, alpha.
class PngImageDecoder {
  public:
    // transparentKey is -1 when no transparency chunk applies.
    PngImageDecoder(const PngHeader& header, std::vector<std::uint8_t> palette,
                    std::vector<std::uint8_t> transparency, std::int32_t transparentKey);

    // Bytes of filtered rows that the header asks for: what the inflated data must hold.
    static std::int64_t CalcUncompressedSize(const PngHeader& header);

    // The image from the inflated data, which it unfilters in place.
    Expected<DecodedImage, Error> DecodeImage(std::span<std::uint8_t> inflated);

  private:
    using Status = Expected<std::monostate, Error>;

    struct Pass {
        int firstRow;
        int firstColumn;
        int rowStep;
        int columnStep;
        int Width(int imageWidth) const;
        int Height(int imageHeight) const;
    };
    static const Pass kPasses[8];

    void BuildDefaultPalette();
    Status DecodeInterlaced(std::span<std::uint8_t> inflated, DecodedImage& image) const;
    Status DecodeNonInterlaced(std::span<std::uint8_t> inflated, DecodedImage& image) const;
    Status FindZeroRowPixel(std::size_t inflatedSize);
    std::uint8_t* PassPixel(DecodedImage& image, const Pass& pass, int r) const;
    void FillZeroRows(DecodedImage& image, const Pass& pass, int firstRow, int passHeight) const;
    int RowsWithData(std::size_t offset, std::size_t stride, int rowCount) const;
    // An interlaced image's pass; an unknown filter fails it.
    Status UnfilterRows(std::span<std::uint8_t> rows, int rowCount, std::size_t stride) const;
    Status ConvertPass(std::span<const std::uint8_t> rows, const Pass& pass, int passHeight,
                       int dataRows, std::size_t stride, DecodedImage& image) const;
    Status ConvertPixels(const std::uint8_t* source, std::uint8_t* target, int step,
                         int count) const;
    void ConvertTrueColor8(const std::uint8_t* source, std::uint8_t* target, int step,
                           int count) const;
    Status ConvertIndexedGray(const std::uint8_t* source, std::uint8_t* target, int step,
                              int count) const;
    Status ConvertDepth16(const std::uint8_t* source, std::uint8_t* target, int step,
                          int count) const;
    bool MatchesColorKey(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const;

    PngHeader m_Header;
    std::vector<std::uint8_t> m_Palette;
    std::vector<std::uint8_t> m_Transparency;
    std::int32_t m_TransparentKey;
    std::size_t m_DataEnd = 0;  // the inflated bytes up to the last one that is not zero
    std::array<std::uint8_t, 4> m_ZeroRowPixel{};
};
