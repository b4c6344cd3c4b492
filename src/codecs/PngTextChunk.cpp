// SPDX-License-Identifier: MIT
#include "codecs/PngTextChunk.h"

#include <zlib.h>

#include <algorithm>

#include "platform/file/ByteReader.h"

namespace {

constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool IsType(std::span<const std::uint8_t> type, std::string_view name) {
    return std::equal(type.begin(), type.end(), name.begin(), name.end());
}

}  // namespace

std::optional<std::string> PngTextChunk::Find(std::span<const std::uint8_t> file,
                                              std::string_view keyword) {
    ByteReader reader(file);
    const auto signature = reader.Read(0, sizeof kSignature);
    if (!signature || !std::equal(signature->begin(), signature->end(), std::begin(kSignature))) {
        return std::nullopt;
    }
    for (std::int64_t at = sizeof kSignature;;) {
        const auto length = reader.U32BigEndian(at);
        // Type, data and CRC together, so that the CRC check sees them in one piece.
        const auto chunk = length ? reader.Read(at + 4, std::size_t{*length} + 8) : length.Error();
        if (!chunk) {
            return std::nullopt;
        }
        const auto typeAndData = chunk->first(chunk->size() - 4);
        const auto crcBytes = chunk->last(4);
        const std::uint32_t crc = std::uint32_t{crcBytes[0]} << 24 |
                                  std::uint32_t{crcBytes[1]} << 16 |
                                  std::uint32_t{crcBytes[2]} << 8 | crcBytes[3];
        if (crc32(0, typeAndData.data(), static_cast<uInt>(typeAndData.size())) != crc) {
            return std::nullopt;
        }
        const auto type = typeAndData.first(4);
        if (IsType(type, "IEND")) {
            return std::nullopt;
        }
        const auto data = typeAndData.subspan(4);
        const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
        if (IsType(type, "tEXt") && end != data.end() &&
            std::equal(data.begin(), end, keyword.begin(), keyword.end())) {
            return std::string(end + 1, data.end());
        }
        at += std::int64_t{*length} + 12;
    }
}
