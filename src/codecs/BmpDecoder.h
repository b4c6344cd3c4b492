// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "codecs/DecodeRequest.h"
#include "codecs/DecodedImage.h"
#include "platform/file/ByteReader.h"
#include "platform/file/DecodeError.h"
#include "platform/file/Expected.h"
#include "platform/gdi/GdiTypes.h"

namespace picture {
class Picture;
}

// Decodes a bitmap file. Uncompressed 32-bit files, and 32-bit bit fields whose header names an
// alpha mask, are read here and judged for alpha; every other stream goes through the platform
// picture loader, so that NotThisFormat means that neither knows it.
class BmpDecoder {
  public:
    static Expected<DecodedImage, DecodeError> Decode(ByteReader& reader,
                                                      const DecodeRequest& request);
    // Draws a picture, or with no picture a bitmap handle.
    static Expected<DecodedImage, DecodeError> FromPicture(const picture::Picture* picture,
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

    static Expected<FileFields, DecodeError> ReadFileFields(ByteReader& reader);
    static std::int64_t SpareLength(std::int64_t length, const FileFields& fields);
    static Expected<DecodedImage, DecodeError> LoadDirect(std::span<const std::uint8_t> bytes,
                                                          const FileFields& fields);
    static bool DeclaresAlphaMask(ByteReader& reader, const FileFields& fields);
    static Expected<DecodedImage, DecodeError> LoadWithAlphaMask(
        std::span<const std::uint8_t> bytes);
    static DecodeError ReasonForUnread(std::int64_t length,
                                       const Expected<FileFields, DecodeError>& fields);
    static Expected<DecodedImage, DecodeError> DrawBitmapHandle(gdi::HBITMAP handle);
    static Expected<DecodedImage, DecodeError> DrawPicture(const picture::Picture& picture);
    static bool CopyOpaqueBitmap(const picture::Picture& picture, DecodedImage& image);
    static std::int32_t HimetricToPixels(std::int32_t value);
};
