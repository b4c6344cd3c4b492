// SPDX-License-Identifier: MIT
// The PNG decoder bound to zlib (CRC checks, zlib's inflate first) and without it (no CRC checks,
// only the own inflater).
#include <cstddef>
#include <cstdint>

#include "codecs/ZlibSwitchGuard.h"
#include "codecs/cPNGparser.h"
#include "image/c32bppDIB.h"

namespace {

void Decode(std::span<const std::uint8_t> bytes, bool zlibPresent) {
    const ZlibSwitchGuard zlib(zlibPresent);
    c32bppDIB image;
    cPNGparser().LoadStream(bytes, image, 0, static_cast<std::int64_t>(bytes.size()));
}

}  // namespace

// Inputs of even length decode bound to zlib, odd ones without it: both modes are covered
// without an input paying for two decodes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Decode({data, size}, size % 2 == 0);
    return 0;
}
