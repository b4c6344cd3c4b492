// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// A block of 32-bit premultiplied B, G, R, A pixels without row padding, rows bottom-up.
struct PixelView {
    std::uint8_t* Bits = nullptr;
    int Width = 0;
    int Height = 0;

    std::uint8_t* AtMemoryRow(int x, int memoryRow) const {
        return Bits + (static_cast<std::size_t>(memoryRow) * Width + x) * 4;
    }
    // Picture row 0 is the top row, the last row in memory.
    std::uint8_t* AtPictureRow(int x, int pictureRow) const {
        return AtMemoryRow(x, Height - 1 - pictureRow);
    }
};
