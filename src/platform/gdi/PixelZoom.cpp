// SPDX-License-Identifier: MIT
#include "platform/gdi/PixelZoom.h"

#include <vector>

namespace gdi {

std::unique_ptr<Bitmap> PixelZoom::Enlarged(const Bitmap& bitmap, int factor) {
    const int width = bitmap.Width(), height = bitmap.Height();
    if (factor < 1 || width < 1 || height < 1) {
        return nullptr;
    }
    // Drawing reads colours through the row reader whatever their depth, so 32 bits hold any.
    std::unique_ptr<Bitmap> enlarged = Bitmap::Create(width * factor, height * factor, 32);
    if (!enlarged) {
        return nullptr;
    }
    std::vector<Bgra> row(static_cast<std::size_t>(width)), wide(row.size() * factor);
    for (int y = 0; y < height; ++y) {
        bitmap.ReadRow(0, y, row);
        WidenRow<Bgra>(row, factor, wide);
        for (int repeat = 0; repeat < factor; ++repeat) {
            enlarged->WriteRow(0, y * factor + repeat, wide);
        }
    }
    return enlarged;
}

}  // namespace gdi
