// SPDX-License-Identifier: MIT
// The GIF decoder: our block walk and the platform's expansion of the first image.
#include <cstddef>
#include <cstdint>

#include "codecs/cGIFparser.h"
#include "image/c32bppDIB.h"
#include "platform/gdi/Gdi.h"
#include "platform/picture/GifFrameReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes{data, size};
    c32bppDIB image;
    cGIFparser().LoadStream(bytes, image, 0, static_cast<std::int64_t>(size));
    const gdi::HBITMAP frame = picture::GifFrameReader::ReadFirstFrame(bytes);
    if (frame != 0) {
        gdi::DeleteObject(frame);
    }
    return 0;
}
