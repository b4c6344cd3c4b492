// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "codecs/DecodeRequest.h"
#include "codecs/DecodedImage.h"
#include "platform/file/ByteReader.h"
#include "platform/file/Error.h"
#include "platform/file/Expected.h"
#include "platform/gdi/GdiTypes.h"

namespace gdi {
class Bitmap;
}
namespace picture {
class Picture;
}

// Decodes a bitmap file of any variant straight into pixels. Uncompressed 32-bit files, and 32-bit
// bit fields whose header names an alpha mask, are judged for alpha; every other variant is
// opaque. Data that is no bitmap file goes to the platform picture loader, so that NotThisFormat
// means that neither knows it.
class BmpDecoder {
  public:
    static Expected<DecodedImage, Error> Decode(ByteReader& reader, const DecodeRequest& request);
    // Draws a picture, or with no picture a bitmap handle.
    static Expected<DecodedImage, Error> FromPicture(const picture::Picture* picture,
                                                     gdi::HBITMAP handle);

  private:
    struct FileFields {
        std::uint16_t magic = 0;
        std::uint16_t bitCount = 0;
        std::int32_t dataPosition = 0;
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::uint32_t compression = 0;
    };

    static Expected<FileFields, Error> ReadFileFields(ByteReader& reader);
    static std::int64_t SpareLength(std::int64_t length, const FileFields& fields);
    static Expected<DecodedImage, Error> LoadDirect(std::span<const std::uint8_t> bytes,
                                                    const FileFields& fields);
    static bool DeclaresAlphaMask(ByteReader& reader, const FileFields& fields);
    static Expected<DecodedImage, Error> LoadAnyVariant(std::span<const std::uint8_t> bytes,
                                                        bool keepAlpha);
    static Expected<DecodedImage, Error> FromPictureLoader(std::span<const std::uint8_t> bytes);
    static Error ReasonForUnread(std::int64_t length, const Expected<FileFields, Error>& fields);
    static Expected<DecodedImage, Error> DrawBitmapHandle(gdi::HBITMAP handle);
    static Expected<DecodedImage, Error> DrawPicture(const picture::Picture& picture);
    static void CopyOpaqueBitmap(const gdi::Bitmap& bitmap, DecodedImage& image);
    static std::int32_t HimetricToPixels(std::int32_t value);
};
