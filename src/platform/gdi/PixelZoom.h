// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <memory>
#include <span>

#include "platform/gdi/Bitmap.h"

namespace gdi {

// Nearest-neighbour enlargement by a whole factor: each pixel becomes a factor x factor square,
// so no pixel comes out wider than another. The strip view and the dialogs' previews show cells
// this way.
class PixelZoom {
  public:
    // Each value of row repeated factor times into wide, which holds row.size() x factor values.
    template <typename T>
    static void WidenRow(std::span<const T> row, int factor, std::span<T> wide) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            std::fill_n(wide.begin() + static_cast<std::ptrdiff_t>(i * factor), factor, row[i]);
        }
    }
    // A 32-bit copy of the bitmap enlarged, its colours read as drawing reads them; null when it
    // cannot be made.
    static std::unique_ptr<Bitmap> Enlarged(const Bitmap& bitmap, int factor);
};

}  // namespace gdi
