// SPDX-License-Identifier: MIT
#pragma once

#include <zlib.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "codecs/ZlibSwitchGuard.h"
#include "codecs/cPNGparser.h"
#include "image/c32bppDIB.h"
#include "support/HostPixel.h"

// Builds PNG byte streams chunk by chunk, so that tests can damage exactly one field.
namespace pngtest {

using Bytes = std::vector<std::uint8_t>;
using testsupport::PixelAt;

inline void PutBigEndian(Bytes& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// A chunk with its correct CRC, or with the CRC given.
inline Bytes Chunk(const std::string& type, const Bytes& data,
                   std::optional<std::uint32_t> crc = std::nullopt) {
    Bytes chunk;
    PutBigEndian(chunk, static_cast<std::uint32_t>(data.size()));
    chunk.insert(chunk.end(), type.begin(), type.end());
    chunk.insert(chunk.end(), data.begin(), data.end());
    const uLong correct = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
    PutBigEndian(chunk, crc.value_or(static_cast<std::uint32_t>(correct)));
    return chunk;
}

inline Bytes HeaderData(std::uint32_t width, std::uint32_t height, std::uint8_t depth,
                        std::uint8_t colorType, std::uint8_t interlace = 0) {
    Bytes data;
    PutBigEndian(data, width);
    PutBigEndian(data, height);
    data.insert(data.end(), {depth, colorType, 0, 0, interlace});
    return data;
}

inline Bytes Ihdr(std::uint32_t width, std::uint32_t height, std::uint8_t depth,
                  std::uint8_t colorType, std::uint8_t interlace = 0) {
    return Chunk("IHDR", HeaderData(width, height, depth, colorType, interlace));
}

inline Bytes Compress(const Bytes& raw) {
    uLongf length = compressBound(raw.size());
    Bytes compressed(length);
    compress2(compressed.data(), &length, raw.data(), raw.size(), 9);
    compressed.resize(length);
    return compressed;
}

inline Bytes Idat(const Bytes& filteredRows) {
    return Chunk("IDAT", Compress(filteredRows));
}
inline Bytes Iend() {
    return Chunk("IEND", {});
}

inline Bytes Png(std::initializer_list<Bytes> chunks) {
    Bytes png = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    for (const Bytes& chunk : chunks) {
        png.insert(png.end(), chunk.begin(), chunk.end());
    }
    return png;
}

inline bool Decode(const Bytes& png, c32bppDIB& host) {
    return cPNGparser().LoadStream(png, host, 0, static_cast<std::int64_t>(png.size()));
}

// Makes zlib count as absent for the lifetime of the object.
struct ZlibAbsent : ZlibSwitchGuard {
    explicit ZlibAbsent(bool absent = true) : ZlibSwitchGuard(!absent) {}
};

}  // namespace pngtest
