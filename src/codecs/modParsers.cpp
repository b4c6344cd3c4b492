#include "codecs/modParsers.h"

#include <zlib.h>

#include "codecs/ZlibBridge.h"

namespace modParsers {

std::uint32_t SwapLongBytes(std::uint32_t value) {
    return ((value & 0xFFu) << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) |
           (value >> 24);
}

bool ArrayHasStorage(const std::vector<std::uint8_t>& bytes) {
    return !bytes.empty();
}

bool LocateZlib(std::string& libraryName) {
    if (!ZlibBridge::IsZlibPresent()) {
        libraryName.clear();
        return false;
    }
    libraryName = std::string("zlib ") + zlibVersion();
    return true;
}

bool ReadUInt16(std::span<const std::uint8_t> bytes, std::size_t position, std::uint16_t& value) {
    if (position > bytes.size() || bytes.size() - position < 2) {
        return false;
    }
    value = static_cast<std::uint16_t>(bytes[position] | (bytes[position + 1] << 8));
    return true;
}

bool ReadUInt32(std::span<const std::uint8_t> bytes, std::size_t position, std::uint32_t& value) {
    if (position > bytes.size() || bytes.size() - position < 4) {
        return false;
    }
    value = static_cast<std::uint32_t>(bytes[position]) |
            (static_cast<std::uint32_t>(bytes[position + 1]) << 8) |
            (static_cast<std::uint32_t>(bytes[position + 2]) << 16) |
            (static_cast<std::uint32_t>(bytes[position + 3]) << 24);
    return true;
}

}  // namespace modParsers
