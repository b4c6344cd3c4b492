// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/file/Error.h"
#include "platform/file/Expected.h"

// Every read of a decoder: from a range of memory or from an open file, bounds-checked, a read
// past the end reported as Truncated at the first byte that is missing.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes);
    // The handle stays open and the caller's; a handle of no regular file reads as empty.
    static ByteReader FromFile(int fileHandle);
    // The same for a file whose length the caller has from its own look at it.
    static ByteReader FromFile(int fileHandle, std::int64_t length) {
        return ByteReader(fileHandle, std::max<std::int64_t>(length, 0));
    }

    std::int64_t Length() const { return m_Length; }
    // The bytes stay valid until the next read.
    Expected<std::span<const std::uint8_t>, Error> Read(std::int64_t position, std::size_t count);
    // Everything from position to the end.
    Expected<std::span<const std::uint8_t>, Error> Rest(std::int64_t position);
    Expected<std::uint8_t, Error> U8(std::int64_t position);
    Expected<std::uint16_t, Error> U16(std::int64_t position);
    Expected<std::uint32_t, Error> U32(std::int64_t position);
    Expected<std::uint32_t, Error> U32BigEndian(std::int64_t position);

  private:
    static constexpr std::size_t kWindowBytes = 64 * 1024;

    ByteReader(int fileHandle, std::int64_t length);
    bool InWindow(std::int64_t position, std::size_t count) const;
    bool FillWindow(std::int64_t position);
    bool ReadLarge(std::int64_t position, std::size_t count);
    bool ReadAt(std::int64_t position, std::span<std::uint8_t> destination) const;

    std::span<const std::uint8_t> m_Bytes;
    int m_FileHandle = -1;
    std::int64_t m_Length = 0;
    // A file's chunk headers and small chunks come from a window read at once, so that many
    // tiny reads cost one system call per window.
    std::vector<std::uint8_t> m_Window;
    std::int64_t m_WindowStart = 0;
    std::vector<std::uint8_t> m_Buffer;
};
