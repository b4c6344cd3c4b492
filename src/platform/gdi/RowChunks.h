// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>

namespace gdi {

// Row-wise conversions go through a pixel buffer; taking each row in pieces of at most
// kRowChunkPixels keeps that buffer small however wide the bitmap.
inline constexpr int kRowChunkPixels = 4096;

inline std::size_t RowChunkBufferSize(int width) {
    return static_cast<std::size_t>(std::clamp(width, 0, kRowChunkPixels));
}

// Calls visit(first column, pixel count) for consecutive pieces of a row of `width` pixels.
template <typename Visit>
void ForEachRowChunk(int width, Visit visit) {
    for (int x = 0; x < width; x += kRowChunkPixels) {
        visit(x, std::min(kRowChunkPixels, width - x));
    }
}

}  // namespace gdi
