// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The walls of the fallback decoder process, raised before it reads a byte of its input: the
// decoders behind it are parsers of untrusted data written by others.
class DecoderSandbox {
  public:
    static constexpr unsigned kCpuSeconds = 10;

    // Address space and CPU time, no core file and no file growth; false when the limits
    // could not be set.
    static bool Limit(std::uint64_t memoryBytes, unsigned cpuSeconds);
    // From here on no file opens for writing or is changed, no socket is made, no program is
    // started and no other process is signalled; such calls fail with EACCES. False when the
    // filter could not be loaded.
    static bool Enter();
};
