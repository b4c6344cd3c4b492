// SPDX-License-Identifier: MIT
#include "codecs/PngImageDecoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

#include "codecs/modParsers.h"

namespace {

constexpr std::uint8_t kGray = 0;
constexpr std::uint8_t kRgb = 2;
constexpr std::uint8_t kPalette = 3;
constexpr std::uint8_t kGrayAlpha = 4;
constexpr std::uint8_t kRgbAlpha = 6;
constexpr int kPaletteBytes = 768;

// Premultiplies by alpha with downward rounding; a pixel of alpha 0 keeps the image's zeros.
inline void StorePixel(std::uint8_t* target, unsigned red, unsigned green, unsigned blue,
                       unsigned alpha) {
    if (alpha == 0) {
        return;
    }
    if (alpha == 255) {
        target[0] = static_cast<std::uint8_t>(blue);
        target[1] = static_cast<std::uint8_t>(green);
        target[2] = static_cast<std::uint8_t>(red);
    } else {
        target[0] = static_cast<std::uint8_t>(blue * alpha / 255);
        target[1] = static_cast<std::uint8_t>(green * alpha / 255);
        target[2] = static_cast<std::uint8_t>(red * alpha / 255);
    }
    target[3] = static_cast<std::uint8_t>(alpha);
}

std::uint8_t PaethPredictor(int left, int up, int upperLeft) {
    const int estimate = left + up - upperLeft;
    const int distanceLeft = std::abs(estimate - left);
    const int distanceUp = std::abs(estimate - up);
    const int distanceUpperLeft = std::abs(estimate - upperLeft);
    if (distanceLeft <= distanceUp && distanceLeft <= distanceUpperLeft) {
        return static_cast<std::uint8_t>(left);
    }
    return static_cast<std::uint8_t>(distanceUp <= distanceUpperLeft ? up : upperLeft);
}

// The filters of one row; previous is null for the first row of a pass, where "up" reads 0.
void UnfilterSub(std::uint8_t* row, std::size_t length, std::size_t bpp) {
    for (std::size_t i = bpp; i < length; ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
    }
}

void UnfilterUp(std::uint8_t* row, const std::uint8_t* previous, std::size_t length) {
    if (previous == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < length; ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
    }
}

void UnfilterAverage(std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                     std::size_t bpp) {
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned left = i >= bpp ? row[i - bpp] : 0;
        const unsigned up = previous != nullptr ? previous[i] : 0;
        row[i] = static_cast<std::uint8_t>(row[i] + (left + up) / 2);
    }
}

void UnfilterPaeth(std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                   std::size_t bpp) {
    if (previous == nullptr) {
        UnfilterSub(row, length, bpp);  // with up and upper-left 0 the predictor is left
        return;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        const int upperLeft = i >= bpp ? previous[i - bpp] : 0;
        row[i] = static_cast<std::uint8_t>(row[i] + PaethPredictor(left, previous[i], upperLeft));
    }
}

// False for a filter that does not exist, which leaves the row as it is.
bool UnfilterRow(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous,
                 std::size_t length, std::size_t bpp) {
    switch (filter) {
        case 0:
            return true;
        case 1:
            UnfilterSub(row, length, bpp);
            return true;
        case 2:
            UnfilterUp(row, previous, length);
            return true;
        case 3:
            UnfilterAverage(row, previous, length, bpp);
            return true;
        case 4:
            UnfilterPaeth(row, previous, length, bpp);
            return true;
        default:
            return false;
    }
}

// Where the bytes end once trailing zeros are left out, found by blocks so that a large image
// whose data stopped early costs no more than a memory scan.
std::size_t EndOfNonZeroBytes(std::span<const std::uint8_t> bytes) {
    static constexpr std::size_t kBlock = 4096;
    static constexpr std::array<std::uint8_t, kBlock> kZeros{};
    std::size_t end = bytes.size();
    while (end >= kBlock && std::memcmp(bytes.data() + end - kBlock, kZeros.data(), kBlock) == 0) {
        end -= kBlock;
    }
    while (end > 0 && bytes[end - 1] == 0) {
        --end;
    }
    return end;
}

}  // namespace

int PngHeader::GetBitsPerPixel() const {
    switch (colorType) {
        case kRgb:
            return 3 * bitDepth;
        case kGrayAlpha:
            return 2 * bitDepth;
        case kRgbAlpha:
            return 4 * bitDepth;
        default:
            return bitDepth;
    }
}

int PngHeader::BytesPerPixel() const {
    if (colorType == kPalette) {
        return 1;
    }
    return std::max(1, GetBitsPerPixel() / 8);
}

std::int64_t PngHeader::RowBytes(std::int64_t pixels) const {
    return (GetBitsPerPixel() * pixels + 7) / 8;
}

const PngImageDecoder::Pass PngImageDecoder::kPasses[8] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4},
                                                           {0, 2, 4, 4}, {2, 0, 4, 2}, {0, 1, 2, 2},
                                                           {1, 0, 2, 1}, {0, 0, 1, 1}};

int PngImageDecoder::Pass::Width(int imageWidth) const {
    return imageWidth / columnStep + (imageWidth % columnStep > firstColumn ? 1 : 0);
}

int PngImageDecoder::Pass::Height(int imageHeight) const {
    return imageHeight / rowStep + (imageHeight % rowStep > firstRow ? 1 : 0);
}

PngImageDecoder::PngImageDecoder(const PngHeader& header, std::vector<std::uint8_t> palette,
                                 std::vector<std::uint8_t> transparency,
                                 std::int32_t transparentKey)
    : m_Header(header),
      m_Palette(std::move(palette)),
      m_Transparency(std::move(transparency)),
      m_TransparentKey(transparentKey) {}

std::int64_t PngImageDecoder::CalcUncompressedSize(const PngHeader& header) {
    if (header.interlaceMethod == 0) {
        return header.height * (header.RowBytes(header.width) + 1);
    }
    std::int64_t size = 0;
    for (int pass = 0; pass < 7; ++pass) {
        size += kPasses[pass].Height(header.height) *
                (header.RowBytes(kPasses[pass].Width(header.width)) + 1);
    }
    return size;
}

Expected<DecodedImage, Error> PngImageDecoder::DecodeImage(std::span<std::uint8_t> inflated) {
    BuildDefaultPalette();
    auto image = DecodedImage::Allocate(m_Header.width, m_Header.height);
    if (!image) {
        return image;
    }
    m_DataEnd = EndOfNonZeroBytes(inflated);
    Status decoded = FindZeroRowPixel(inflated.size());
    if (decoded) {
        decoded = m_Header.interlaceMethod == 1 ? DecodeInterlaced(inflated, *image)
                                                : DecodeNonInterlaced(inflated, *image);
    }
    if (!decoded) {
        return decoded.Error();
    }
    image->SetAlpha(m_Header.colorType == kGrayAlpha || m_Header.colorType == kRgbAlpha ||
                    m_TransparentKey != -1);
    image->SetImageType(DecodedImage::Type::Png);
    return image;
}

// Rows wholly made of zero bytes (filter 0, every sample 0), such as those that a stream ending
// early leaves, all come out as one pixel. It is found once, and those rows are filled with it
// instead of being unfiltered and converted, so that their cost stays that of a memory fill.
PngImageDecoder::Status PngImageDecoder::FindZeroRowPixel(std::size_t inflatedSize) {
    m_ZeroRowPixel = {};
    if (m_DataEnd == inflatedSize) {
        return {};
    }
    const std::array<std::uint8_t, 8> zeroSamples{};
    return ConvertPixels(zeroSamples.data(), m_ZeroRowPixel.data(), 4, 1);
}

void PngImageDecoder::BuildDefaultPalette() {
    if ((m_Header.colorType != kGray && m_Header.colorType != kPalette) || !m_Palette.empty()) {
        return;
    }
    m_Palette.assign(kPaletteBytes, 0);
    if (m_Header.colorType == kPalette) {
        if (m_Header.bitDepth == 1) {
            std::fill_n(m_Palette.begin() + 3, 3, 255);
        }
        return;
    }
    if (m_Header.bitDepth > 8) {
        return;
    }
    const int levels = (1 << m_Header.bitDepth) - 1;
    const int step = 255 / levels;
    for (int i = 1; i <= levels; ++i) {
        std::fill_n(m_Palette.begin() + 3 * i, 3, static_cast<std::uint8_t>(i * step));
    }
}

PngImageDecoder::Status PngImageDecoder::DecodeNonInterlaced(std::span<std::uint8_t> inflated,
                                                             DecodedImage& image) const {
    const auto stride = static_cast<std::size_t>(m_Header.RowBytes(m_Header.width) + 1);
    const int rows = RowsWithData(0, stride, m_Header.height);
    const auto bpp = static_cast<std::size_t>(m_Header.BytesPerPixel());
    const Pass& whole = kPasses[7];
    // Each row is converted while it is still in the cache from unfiltering it; an unknown
    // filter leaves a row as it is.
    const std::uint8_t* previous = nullptr;
    for (int r = 0; r < rows; ++r) {
        std::uint8_t* const row = inflated.data() + static_cast<std::size_t>(r) * stride;
        UnfilterRow(row[0], row + 1, previous, stride - 1, bpp);
        const Status converted =
            ConvertPixels(row + 1, PassPixel(image, whole, r), 4, m_Header.width);
        if (!converted) {
            return converted;
        }
        previous = row + 1;
    }
    FillZeroRows(image, whole, rows, m_Header.height);
    return {};
}

// The passes follow one another in the data; empty passes take no bytes.
PngImageDecoder::Status PngImageDecoder::DecodeInterlaced(std::span<std::uint8_t> inflated,
                                                          DecodedImage& image) const {
    std::size_t offset = 0;
    for (int p = 0; p < 7; ++p) {
        const Pass& pass = kPasses[p];
        const int passWidth = pass.Width(m_Header.width);
        const int passHeight = pass.Height(m_Header.height);
        if (passWidth == 0 || passHeight == 0) {
            continue;
        }
        const auto stride = static_cast<std::size_t>(m_Header.RowBytes(passWidth) + 1);
        const std::size_t size = stride * static_cast<std::size_t>(passHeight);
        if (size > inflated.size() - offset) {
            return Error::BadData("interlace pass " + std::to_string(p + 1) +
                                  " runs past the image data");
        }
        const std::span<std::uint8_t> rows = inflated.subspan(offset, size);
        const int dataRows = RowsWithData(offset, stride, passHeight);
        offset += size;
        Status done = UnfilterRows(rows, dataRows, stride);
        if (done) {
            done = ConvertPass(rows, pass, passHeight, dataRows, stride, image);
        }
        if (!done) {
            return done;
        }
    }
    return {};
}

// The rows of a pass starting at offset up to the last that holds a non-zero byte.
int PngImageDecoder::RowsWithData(std::size_t offset, std::size_t stride, int rowCount) const {
    if (m_DataEnd <= offset) {
        return 0;
    }
    const std::size_t rows = (m_DataEnd - offset + stride - 1) / stride;
    return static_cast<int>(std::min<std::size_t>(rows, static_cast<std::size_t>(rowCount)));
}

PngImageDecoder::Status PngImageDecoder::UnfilterRows(std::span<std::uint8_t> rows, int rowCount,
                                                      std::size_t stride) const {
    const std::size_t length = stride - 1;
    const auto bpp = static_cast<std::size_t>(m_Header.BytesPerPixel());
    const std::uint8_t* previous = nullptr;
    for (int r = 0; r < rowCount; ++r) {
        std::uint8_t* const filterByte = rows.data() + static_cast<std::size_t>(r) * stride;
        std::uint8_t* const row = filterByte + 1;
        if (!UnfilterRow(*filterByte, row, previous, length, bpp)) {
            return Error::BadData("unknown row filter " + std::to_string(*filterByte));
        }
        previous = row;
    }
    return {};
}

PngImageDecoder::Status PngImageDecoder::ConvertPass(std::span<const std::uint8_t> rows,
                                                     const Pass& pass, int passHeight, int dataRows,
                                                     std::size_t stride,
                                                     DecodedImage& image) const {
    const int passWidth = pass.Width(m_Header.width);
    const int step = pass.columnStep * 4;
    for (int r = 0; r < dataRows; ++r) {
        const std::uint8_t* source = rows.data() + static_cast<std::size_t>(r) * stride + 1;
        const Status converted = ConvertPixels(source, PassPixel(image, pass, r), step, passWidth);
        if (!converted) {
            return converted;
        }
    }
    FillZeroRows(image, pass, dataRows, passHeight);
    return {};
}

std::uint8_t* PngImageDecoder::PassPixel(DecodedImage& image, const Pass& pass, int r) const {
    const int y = pass.firstRow + r * pass.rowStep;
    return image.Pixels().data() +
           static_cast<std::size_t>(m_Header.height - 1 - y) * image.ScanWidth() +
           static_cast<std::size_t>(pass.firstColumn) * 4;
}

// Rows from firstRow to the end of the pass. A pixel of zeros is already there; the rows of a
// whole image lie together at the start of the bottom-up pixels and take one fill, so that
// millions of one-pixel rows cost no more than their bytes.
void PngImageDecoder::FillZeroRows(DecodedImage& image, const Pass& pass, int firstRow,
                                   int passHeight) const {
    if (firstRow >= passHeight || m_ZeroRowPixel == std::array<std::uint8_t, 4>{}) {
        return;
    }
    if (pass.rowStep == 1 && pass.columnStep == 1) {
        const std::size_t rowCount = static_cast<std::size_t>(passHeight - firstRow);
        modParsers::FillPixels(image.Pixels().first(rowCount * image.ScanWidth()), m_ZeroRowPixel);
        return;
    }
    const int passWidth = pass.Width(m_Header.width);
    const auto step = static_cast<std::size_t>(pass.columnStep) * 4;
    for (int r = firstRow; r < passHeight; ++r) {
        std::uint8_t* target = PassPixel(image, pass, r);
        for (int i = 0; i < passWidth; ++i, target += step) {
            std::copy(m_ZeroRowPixel.begin(), m_ZeroRowPixel.end(), target);
        }
    }
}

PngImageDecoder::Status PngImageDecoder::ConvertPixels(const std::uint8_t* source,
                                                       std::uint8_t* target, int step,
                                                       int count) const {
    if (m_Header.bitDepth == 16) {
        return ConvertDepth16(source, target, step, count);
    }
    if (m_Header.colorType == kGray || m_Header.colorType == kPalette) {
        return ConvertIndexedGray(source, target, step, count);
    }
    ConvertTrueColor8(source, target, step, count);
    return {};
}

bool PngImageDecoder::MatchesColorKey(std::uint8_t red, std::uint8_t green,
                                      std::uint8_t blue) const {
    return m_TransparentKey != -1 && red == ((m_TransparentKey >> 16) & 0xFF) &&
           green == ((m_TransparentKey >> 8) & 0xFF) && blue == (m_TransparentKey & 0xFF);
}

void PngImageDecoder::ConvertTrueColor8(const std::uint8_t* source, std::uint8_t* target, int step,
                                        int count) const {
    switch (m_Header.colorType) {
        case kRgbAlpha:
            for (int i = 0; i < count; ++i, source += 4, target += step) {
                StorePixel(target, source[0], source[1], source[2], source[3]);
            }
            return;
        case kGrayAlpha:
            for (int i = 0; i < count; ++i, source += 2, target += step) {
                StorePixel(target, source[0], source[0], source[0], source[1]);
            }
            return;
        default:
            for (int i = 0; i < count; ++i, source += 3, target += step) {
                const unsigned alpha = MatchesColorKey(source[0], source[1], source[2]) ? 0 : 255;
                StorePixel(target, source[0], source[1], source[2], alpha);
            }
            return;
    }
}

PngImageDecoder::Status PngImageDecoder::ConvertIndexedGray(const std::uint8_t* source,
                                                            std::uint8_t* target, int step,
                                                            int count) const {
    const int depth = m_Header.bitDepth;
    const unsigned sampleMask = (1u << depth) - 1;
    int shift = 8 - depth;
    const bool indexed = m_Header.colorType == kPalette;
    for (int i = 0; i < count; ++i, target += step) {
        const unsigned sample = (*source >> shift) & sampleMask;
        if (shift == 0) {
            ++source;
            shift = 8 - depth;
        } else {
            shift -= depth;
        }
        const std::size_t entry = 3 * static_cast<std::size_t>(sample);
        if (entry + 2 >= m_Palette.size()) {
            return Error::BadData("colour index " + std::to_string(sample) +
                                  " past the end of the PLTE chunk");
        }
        if (!indexed) {
            if (m_TransparentKey != static_cast<std::int32_t>(sample)) {
                StorePixel(target, m_Palette[entry], m_Palette[entry], m_Palette[entry], 255);
            }
            continue;
        }
        unsigned alpha = 255;
        if (m_TransparentKey != -1) {
            if (sample >= m_Transparency.size()) {
                return Error::BadData("colour index " + std::to_string(sample) +
                                      " past the end of the tRNS chunk");
            }
            alpha = m_Transparency[sample];
        }
        StorePixel(target, m_Palette[entry], m_Palette[entry + 1], m_Palette[entry + 2], alpha);
    }
    return {};
}

// Only the high byte of each 16-bit sample is used: truncation, no rounding.
PngImageDecoder::Status PngImageDecoder::ConvertDepth16(const std::uint8_t* source,
                                                        std::uint8_t* target, int step,
                                                        int count) const {
    const bool keyed = m_TransparentKey != -1;
    const std::size_t keyBytes = m_Header.colorType == kRgb ? 5 : 1;
    if (keyed && (m_Header.colorType == kRgb || m_Header.colorType == kGray) &&
        m_Transparency.size() < keyBytes) {
        return Error::BadData("tRNS key shorter than a 16-bit sample");
    }
    switch (m_Header.colorType) {
        case kRgbAlpha:
            for (int i = 0; i < count; ++i, source += 8, target += step) {
                StorePixel(target, source[0], source[2], source[4], source[6]);
            }
            return {};
        case kGrayAlpha:
            for (int i = 0; i < count; ++i, source += 4, target += step) {
                StorePixel(target, source[0], source[0], source[0], source[2]);
            }
            return {};
        case kRgb:
            for (int i = 0; i < count; ++i, source += 6, target += step) {
                const bool clear = keyed && source[0] == m_Transparency[0] &&
                                   source[2] == m_Transparency[2] && source[4] == m_Transparency[4];
                StorePixel(target, source[0], source[2], source[4], clear ? 0 : 255);
            }
            return {};
        case kGray:
            for (int i = 0; i < count; ++i, source += 2, target += step) {
                const bool clear = keyed && source[0] == m_Transparency[0];
                StorePixel(target, source[0], source[0], source[0], clear ? 0 : 255);
            }
            return {};
        default:
            return {};  // a 16-bit palette is no valid PNG: its pixels stay transparent
    }
}
