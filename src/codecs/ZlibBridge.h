// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The PNG decoder's two services from zlib: CRC-32 of chunks and inflating image data. zlib is
// linked at build time; a process-wide switch makes it count as absent, so that loads that take
// the default request behave exactly as on a system without it (no CRC checks, only the own
// inflater). The services themselves do not look at the switch: the request decides.
class ZlibBridge {
  public:
    static bool IsZlibPresent();
    static void SetZlibPresent(bool present);

    // CRC-32 of the bytes equals the stored value (as read from the file, big-endian). A computed
    // CRC of 0 counts as a mismatch.
    static bool VerifyCRC(std::span<const std::uint8_t> bytes, std::uint32_t storedBigEndian);
    // zlib's uncompress into destination; destinationLength is in/out. True exactly when zlib
    // returned Z_OK.
    static bool ZlibUncompress(std::span<std::uint8_t> destination, std::size_t& destinationLength,
                               std::span<const std::uint8_t> source);
};
