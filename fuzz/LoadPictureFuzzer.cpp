// SPDX-License-Identifier: MIT
// The loading front end as a whole: every decoder in its order, with the icon size and depth
// wanted taken from the first five bytes.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "image/c32bppDIB.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input({data, size});
    const int iconCx = static_cast<std::int16_t>(input.TakeUint16());
    const int iconCy = static_cast<std::int16_t>(input.TakeUint16());
    const int iconBitDepth = static_cast<std::int8_t>(input.TakeByte());
    c32bppDIB image;
    image.LoadPicture_Stream(input.Rest(), iconCx, iconCy, 0, 0, (iconBitDepth & 1) != 0,
                             iconBitDepth);
    return 0;
}
