// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

// Builds bitmap files byte by byte, 32-bit unless told otherwise.
namespace bmptest {

using Bytes = std::vector<std::uint8_t>;

inline void Put(Bytes& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// pixels: B, G, R, A of each pixel in file order (bottom row first unless height < 0), or the
// bits as they are for another bit count.
inline Bytes BitmapFile(int width, int height, const Bytes& pixels, std::uint32_t compression = 0,
                        std::uint16_t bitCount = 32) {
    Bytes file(54, 0);
    Put(file, 0, 0x4D42, 2);
    Put(file, 2, static_cast<std::uint32_t>(54 + pixels.size()), 4);
    Put(file, 10, 54, 4);
    Put(file, 14, 40, 4);
    Put(file, 18, static_cast<std::uint32_t>(width), 4);
    Put(file, 22, static_cast<std::uint32_t>(height), 4);
    Put(file, 26, 1, 2);
    Put(file, 28, bitCount, 2);
    Put(file, 30, compression, 4);
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

}  // namespace bmptest
