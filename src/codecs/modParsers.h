#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Small helpers shared by the decoders.
namespace modParsers {

// Reverses the byte order of a 32-bit value (for big-endian fields read as little-endian).
std::uint32_t SwapLongBytes(std::uint32_t value);

// True when the array holds at least one element.
bool ArrayHasStorage(const std::vector<std::uint8_t>& bytes);

// zlib is linked at build time; it counts as found unless the process-wide switch says absent.
// libraryName receives the linked library's name and version.
bool LocateZlib(std::string& libraryName);

// Bounds-checked little-endian readers: false, and value untouched, when the field does not lie
// entirely inside bytes.
bool ReadUInt16(std::span<const std::uint8_t> bytes, std::size_t position, std::uint16_t& value);
bool ReadUInt32(std::span<const std::uint8_t> bytes, std::size_t position, std::uint32_t& value);

}  // namespace modParsers
