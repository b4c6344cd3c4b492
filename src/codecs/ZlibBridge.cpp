#include "codecs/ZlibBridge.h"

#include <zlib.h>

#include <limits>

namespace {

bool& ZlibPresent() {
    static bool present = true;
    return present;
}

std::uint32_t FromBigEndian(std::uint32_t value) {
    return ((value & 0xFF) << 24) | ((value & 0xFF00) << 8) | ((value >> 8) & 0xFF00) |
           (value >> 24);
}

}  // namespace

bool ZlibBridge::IsZlibPresent() {
    return ZlibPresent();
}

void ZlibBridge::SetZlibPresent(bool present) {
    ZlibPresent() = present;
}

bool ZlibBridge::VerifyCRC(std::span<const std::uint8_t> bytes, std::uint32_t storedBigEndian) {
    if (!IsZlibPresent() || bytes.size() > std::numeric_limits<uInt>::max()) {
        return false;
    }
    const uLong crc = crc32(0, bytes.data(), static_cast<uInt>(bytes.size()));
    return crc != 0 && FromBigEndian(storedBigEndian) == crc;
}

bool ZlibBridge::ZlibUncompress(std::span<std::uint8_t> destination, std::size_t& destinationLength,
                                std::span<const std::uint8_t> source) {
    if (!IsZlibPresent() || destinationLength > destination.size()) {
        return false;
    }
    uLongf length = destinationLength;
    const int result = uncompress(destination.data(), &length, source.data(), source.size());
    destinationLength = length;
    return result == Z_OK;
}
