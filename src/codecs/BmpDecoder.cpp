// SPDX-License-Identifier: MIT
#include "codecs/BmpDecoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "codecs/DrawingCanvas.h"
#include "codecs/modParsers.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DibReader.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/RowChunks.h"
#include "platform/picture/Picture.h"

namespace {

constexpr std::uint16_t kBitmapMagic = 0x4D42;
constexpr std::uint32_t kBitFields = 3;
constexpr std::int64_t kInfoHeaderAt = 14;
constexpr std::uint32_t kFirstHeaderWithAlphaMask = 56;
constexpr std::int64_t kAlphaMaskAt = kInfoHeaderAt + 52;
constexpr int kTwipsPerInch = 1440;

}  // namespace

// Bytes left after the pixel data the header claims; -1 when that does not fit 32 bits.
std::int64_t BmpDecoder::SpareLength(std::int64_t length, const FileFields& fields) {
    const std::int64_t rows = std::abs(std::int64_t{fields.height});
    const std::int64_t spare =
        length - (std::int64_t{fields.dataPosition} +
                  std::int64_t{modParsers::RowByteWidth(static_cast<std::uint8_t>(fields.bitCount),
                                                        fields.width)} *
                      rows);
    const bool fits = spare >= std::numeric_limits<std::int32_t>::min() &&
                      spare <= std::numeric_limits<std::int32_t>::max();
    return fits ? spare : -1;
}

namespace {

bool IsBitmapDepth(std::uint16_t bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
}

void Judge(DecodedImage& image, std::int32_t imageType) {
    bool hasAlpha = false;
    modParsers::JudgeAlphaChannel(image.Pixels(), true, hasAlpha, imageType);
    image.SetAlpha(hasAlpha);
    image.SetImageType(imageType);
}

}  // namespace

Expected<DecodedImage, Error> BmpDecoder::Decode(ByteReader& reader,
                                                 const DecodeRequest& /*request*/) {
    const auto bytes = reader.Rest(0);
    if (!bytes) {
        return bytes.Error();
    }
    ByteReader fieldReader(*bytes);
    const auto magic = fieldReader.U16(0);
    if (!magic || *magic != kBitmapMagic) {
        return FromPictureLoader(*bytes);
    }
    const auto fields = ReadFileFields(fieldReader);
    if (fields) {
        if (fields->width < 1 || fields->height == 0) {
            return Error::BadHeader("width below 1 or height 0");
        }
        if (SpareLength(reader.Length(), *fields) >= 0 && fields->bitCount == 32 &&
            fields->compression == 0) {
            auto image = LoadDirect(*bytes, *fields);
            if (image) {
                return image;
            }
        }
    }
    auto image = LoadAnyVariant(*bytes, fields && DeclaresAlphaMask(fieldReader, *fields));
    if (!image) {
        return ReasonForUnread(reader.Length(), fields);
    }
    return image;
}

// Data that is no bitmap file: the platform picture loader may still know it.
Expected<DecodedImage, Error> BmpDecoder::FromPictureLoader(std::span<const std::uint8_t> bytes) {
    const auto picture =
        modParsers::PictureFromBytes(bytes, 0, static_cast<std::int64_t>(bytes.size()));
    auto drawn = FromPicture(picture.get(), 0);
    if (!drawn) {
        return Error::NotThisFormat();
    }
    return drawn;
}

Expected<BmpDecoder::FileFields, Error> BmpDecoder::ReadFileFields(ByteReader& reader) {
    const auto magic = reader.U16(0);
    const auto position = reader.U32(10);
    const auto width = reader.U32(18);
    const auto height = reader.U32(22);
    const auto bitCount = reader.U16(28);
    const auto compression = reader.U32(30);
    if (!compression) {
        return compression.Error();  // the last field: when it is there, all the others are
    }
    FileFields fields;
    fields.magic = *magic;
    fields.dataPosition = static_cast<std::int32_t>(*position);
    fields.width = static_cast<std::int32_t>(*width);
    fields.height = static_cast<std::int32_t>(*height);
    fields.bitCount = *bitCount;
    fields.compression = *compression;
    return fields;
}

Error BmpDecoder::ReasonForUnread(std::int64_t length, const Expected<FileFields, Error>& fields) {
    if (!fields || fields->magic != kBitmapMagic) {
        return Error::NotThisFormat();
    }
    if (SpareLength(length, *fields) < 0) {
        return Error::Truncated(length);
    }
    if (!IsBitmapDepth(fields->bitCount)) {
        return Error::UnsupportedDepth(fields->bitCount);
    }
    return Error::BadData("the bitmap's pixels cannot be read");
}

Expected<DecodedImage, Error> BmpDecoder::LoadDirect(std::span<const std::uint8_t> bytes,
                                                     const FileFields& fields) {
    const std::int32_t rows =
        fields.height == std::numeric_limits<std::int32_t>::min() ? 0 : std::abs(fields.height);
    if (fields.dataPosition < 0) {
        return Error::BadHeader("pixel data before the start of the file");
    }
    auto image = DecodedImage::Allocate(fields.width, rows);
    if (!image) {
        return image;
    }
    const std::size_t scan = image->ScanWidth();
    const std::uint8_t* source = bytes.data() + fields.dataPosition;
    std::uint8_t* target = image->Pixels().data();
    if (fields.height < 0) {
        for (std::int32_t y = 0; y < rows; ++y) {
            std::memcpy(target + static_cast<std::size_t>(y) * scan,
                        source + static_cast<std::size_t>(rows - 1 - y) * scan, scan);
        }
    } else {
        std::memcpy(target, source, scan * static_cast<std::size_t>(rows));
    }
    Judge(*image, 0);
    return image;
}

// Editors write translucent bitmaps as 32-bit bit fields whose header names an alpha mask; they
// must not be made opaque as other bit fields are.
bool BmpDecoder::DeclaresAlphaMask(ByteReader& reader, const FileFields& fields) {
    if (fields.bitCount != 32 || fields.compression != kBitFields) {
        return false;
    }
    const auto headerSize = reader.U32(kInfoHeaderAt);
    const auto alphaMask = reader.U32(kAlphaMaskAt);
    return headerSize && *headerSize >= kFirstHeaderWithAlphaMask && alphaMask && *alphaMask != 0;
}

// Every variant other than plain 32 bits is read at its own depth and made opaque, except that the
// alpha a mask names is kept.
Expected<DecodedImage, Error> BmpDecoder::LoadAnyVariant(std::span<const std::uint8_t> bytes,
                                                         bool keepAlpha) {
    const std::unique_ptr<gdi::Bitmap> bitmap = gdi::DibReader::ReadBitmapFile(bytes);
    if (!bitmap) {
        return Error::NoImage();
    }
    auto image = DecodedImage::Allocate(bitmap->Width(), bitmap->Height());
    if (!image) {
        return image;
    }
    if (keepAlpha && bitmap->BitCount() == 32) {
        std::memcpy(image->Pixels().data(), bitmap->Bits(), image->Pixels().size());
        Judge(*image, 0);
    } else {
        CopyOpaqueBitmap(*bitmap, *image);
    }
    return image;
}

Expected<DecodedImage, Error> BmpDecoder::FromPicture(const picture::Picture* picture,
                                                      gdi::HBITMAP handle) {
    return picture == nullptr ? DrawBitmapHandle(handle) : DrawPicture(*picture);
}

Expected<DecodedImage, Error> BmpDecoder::DrawBitmapHandle(gdi::HBITMAP handle) {
    gdi::BITMAP description;
    if (handle == 0 || !gdi::GetObject(handle, description)) {
        return Error::NoImage();
    }
    const int width = description.bmWidth;
    const int height = std::abs(description.bmHeight);
    auto image = DecodedImage::Allocate(width, height);
    if (!image) {
        return image;
    }
    const bool copied32 = description.bmBitsPixel == 32 && description.bmBits != nullptr;
    if (copied32) {
        std::memcpy(
            image->Pixels().data(), description.bmBits,
            static_cast<std::size_t>(description.bmWidthBytes) * static_cast<std::size_t>(height));
    } else {
        const DrawingCanvas canvas(*image);
        gdi::UniqueGdiObject source(gdi::CreateCompatibleDC());
        const gdi::HGDIOBJ previous = gdi::SelectObject(source.Get(), handle);
        gdi::BitBlt(canvas.Dc(), 0, 0, width, height, source.Get(), 0, 0);
        gdi::SelectObject(source.Get(), previous);
    }
    Judge(*image, copied32 ? 0 : -1);
    return image;
}

Expected<DecodedImage, Error> BmpDecoder::DrawPicture(const picture::Picture& picture) {
    if (picture.Type() <= picture::Picture::kNone) {
        return Error::NoImage();
    }
    const int width = HimetricToPixels(picture.Width());
    const int height = HimetricToPixels(picture.Height());
    auto image = DecodedImage::Allocate(width, height);
    if (!image) {
        return image;
    }
    const gdi::Bitmap* bitmap = gdi::BitmapFromHandle(picture.Handle());
    if (picture.Type() == picture::Picture::kBitmap && bitmap != nullptr &&
        bitmap->Width() == width && bitmap->Height() == height) {
        CopyOpaqueBitmap(*bitmap, *image);
        return image;
    }
    const bool metafile = picture.Type() == picture::Picture::kMetafile ||
                          picture.Type() == picture::Picture::kEnhancedMetafile;
    {
        const DrawingCanvas canvas(*image);
        if (metafile) {
            std::fill(canvas.Pixels().begin(), canvas.Pixels().end(), std::uint8_t{255});
        }
        picture.Render(canvas.Dc(), 0, 0, width, height);
    }
    const std::span<std::uint8_t> pixels = image->Pixels();
    if (metafile) {
        // Pixels the drawing left untouched are transparent.
        for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) {
            if (pixels[i + 3] == 255) {
                std::fill_n(pixels.begin() + static_cast<std::ptrdiff_t>(i), 4, std::uint8_t{0});
            } else {
                pixels[i + 3] = 255;
            }
        }
        image->SetAlpha(true);
    } else {
        Judge(*image, -1);
    }
    image->SetImageType(picture.Type());
    return image;
}

namespace {

bool AllZero(const std::uint8_t* bytes, std::size_t count) {
    return bytes[0] == 0 && std::memcmp(bytes, bytes + 1, count - 1) == 0;
}

// What bytes of zero read as in the bitmap, made opaque.
std::array<std::uint8_t, 4> OpaqueZeroColor(const gdi::Bitmap& bitmap) {
    if (bitmap.BitCount() > 8 || bitmap.ColorTable().empty()) {
        return {0, 0, 0, 255};
    }
    const gdi::RGBQUAD& entry = bitmap.ColorTable()[0];
    return {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 255};
}

// Picture row y of the bitmap into target, opaque; a piece of zero bytes takes one fill.
void CopyOpaqueRow(const gdi::Bitmap& bitmap, int y, std::uint8_t* target,
                   std::span<gdi::Bgra> buffer) {
    const auto bits = static_cast<std::uint64_t>(bitmap.BitCount());
    const std::uint8_t* source =
        bitmap.Bits() + static_cast<std::size_t>(bitmap.Height() - 1 - y) * bitmap.Stride();
    gdi::ForEachRowChunk(bitmap.Width(), [&](int x, int count) {
        const auto first = static_cast<std::size_t>(static_cast<std::uint64_t>(x) * bits / 8);
        const auto end =
            static_cast<std::size_t>((static_cast<std::uint64_t>(x) + count) * bits + 7) / 8;
        std::uint8_t* pixel = target + static_cast<std::size_t>(x) * 4;
        const std::span<gdi::Bgra> pixels = buffer.first(static_cast<std::size_t>(count));
        if (AllZero(source + first, end - first)) {
            modParsers::FillPixels({pixel, pixels.size() * 4}, OpaqueZeroColor(bitmap));
            return;
        }
        bitmap.ReadRow(x, y, pixels);
        for (const gdi::Bgra& color : pixels) {
            pixel[0] = color.b, pixel[1] = color.g, pixel[2] = color.r, pixel[3] = 255;
            pixel += 4;
        }
    });
}

}  // namespace

// The bitmap's pixels, made opaque, into an image of its size. Bytes of zero, as most of a large
// run-length or cut-short bitmap is, read as one colour: a run of such rows takes one fill, so
// that millions of them cost no more than their memory.
void BmpDecoder::CopyOpaqueBitmap(const gdi::Bitmap& bitmap, DecodedImage& image) {
    const int height = image.Height();
    const std::size_t usedBytes =
        (static_cast<std::size_t>(image.Width()) * static_cast<std::size_t>(bitmap.BitCount()) +
         7) /
        8;
    const auto sourceRow = [&](int row) {
        return bitmap.Bits() + static_cast<std::size_t>(row) * bitmap.Stride();
    };
    const auto targetRow = [&](int row) {
        return image.Pixels().data() + static_cast<std::size_t>(row) * image.ScanWidth();
    };
    std::vector<gdi::Bgra> buffer(gdi::RowChunkBufferSize(image.Width()));
    // Rows counted from the bottom, as both hold them.
    for (int row = 0; row < height;) {
        int zeroRows = 0;
        while (row + zeroRows < height && AllZero(sourceRow(row + zeroRows), usedBytes)) {
            ++zeroRows;
        }
        if (zeroRows == 0) {
            CopyOpaqueRow(bitmap, height - 1 - row, targetRow(row), buffer);
            ++row;
            continue;
        }
        modParsers::FillPixels(
            {targetRow(row), static_cast<std::size_t>(zeroRows) * image.ScanWidth()},
            OpaqueZeroColor(bitmap));
        row += zeroRows;
    }
    image.SetAlpha(false);
    image.SetImageType(DecodedImage::Type::NoAlpha);
}

std::int32_t BmpDecoder::HimetricToPixels(std::int32_t value) {
    const double twipsPerPixel =
        static_cast<double>(kTwipsPerInch) / picture::Picture::kPixelsPerInch;
    const double pixels =
        static_cast<double>(std::int64_t{value} * kTwipsPerInch) / 2540.0 / twipsPerPixel;
    return static_cast<std::int32_t>(std::nearbyint(pixels));
}
