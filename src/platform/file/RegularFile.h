// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file/Error.h"
#include "platform/file/Expected.h"

// Files read whole. Only regular files: a device gives no end, a pipe can block for ever and a
// folder has no bytes, so each of these is refused. The size comes from the system, bounded.
class RegularFile {
  public:
    static constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 30;

    // Fails as ReadAll does, and with the errno and path when the path names no regular file.
    static Expected<std::vector<std::uint8_t>, Error> Read(const std::string& path,
                                                           std::uint64_t maxBytes = kMaxBytes);
    // Everything behind an open descriptor of a regular file, read from its start. A file larger
    // than maxBytes, or one there is no memory for, is SizeLimit; a failed read is Truncated.
    static Expected<std::vector<std::uint8_t>, Error> ReadAll(int descriptor,
                                                              std::uint64_t maxBytes = kMaxBytes);
    // A descriptor open for reading, or -1 when the path names no regular file.
    static int OpenForReading(const std::string& path);
    // The same, with the file's length as it was when opened.
    static int OpenForReading(const std::string& path, std::int64_t& length);
};
