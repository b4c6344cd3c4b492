// SPDX-License-Identifier: MIT
#include "codecs/ZlibBridge.h"

#include <zlib.h>

#include <limits>

#include "codecs/modParsers.h"

namespace {

bool& ZlibPresent() {
    static bool present = true;
    return present;
}

}  // namespace

bool ZlibBridge::IsZlibPresent() {
    return ZlibPresent();
}

void ZlibBridge::SetZlibPresent(bool present) {
    ZlibPresent() = present;
}

bool ZlibBridge::VerifyCRC(std::span<const std::uint8_t> bytes, std::uint32_t storedBigEndian) {
    if (bytes.size() > std::numeric_limits<uInt>::max()) {
        return false;
    }
    const uLong crc = crc32(0, bytes.data(), static_cast<uInt>(bytes.size()));
    return crc != 0 && modParsers::SwapLongBytes(storedBigEndian) == crc;
}

bool ZlibBridge::ZlibUncompress(std::span<std::uint8_t> destination, std::size_t& destinationLength,
                                std::span<const std::uint8_t> source) {
    if (destinationLength > destination.size()) {
        return false;
    }
    uLongf length = destinationLength;
    const int result = uncompress(destination.data(), &length, source.data(), source.size());
    destinationLength = length;
    return result == Z_OK;
}
