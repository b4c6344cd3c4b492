// SPDX-License-Identifier: MIT
// The bitmap decoder and the platform picture loader behind it.
#include <cstddef>
#include <cstdint>

#include "codecs/cBMPparser.h"
#include "image/c32bppDIB.h"
#include "platform/picture/PictureLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes{data, size};
    c32bppDIB image;
    cBMPparser().LoadStream(bytes, image, 0, static_cast<std::int64_t>(size));
    picture::PictureLoader::Load(bytes);
    return 0;
}
