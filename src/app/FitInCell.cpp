// SPDX-License-Identifier: MIT
#include "app/FitInCell.h"

#include <algorithm>
#include <cstdint>

#include "image/c32bppDIB.h"

namespace {

// length x numerator / denominator rounded half up, kept within 1 and limit.
int ScaledLength(int length, int numerator, int denominator, int limit) {
    const std::int64_t scaled =
        (std::int64_t{2} * length * numerator + denominator) / (std::int64_t{2} * denominator);
    return static_cast<int>(std::clamp<std::int64_t>(scaled, 1, limit));
}

}  // namespace

FitInCell::Placement FitInCell::Place(int imageWidth, int imageHeight, int cellWidth,
                                      int cellHeight) {
    Placement placement{0, 0, cellWidth, cellHeight};
    if (imageWidth < 1 || imageHeight < 1 || cellWidth < 1 || cellHeight < 1) {
        return placement;
    }
    // Comparing cross products decides which side limits the scale without rounding.
    const bool widthLimits =
        std::int64_t{cellWidth} * imageHeight <= std::int64_t{cellHeight} * imageWidth;
    if (widthLimits) {
        placement.height = ScaledLength(imageHeight, cellWidth, imageWidth, cellHeight);
    } else {
        placement.width = ScaledLength(imageWidth, cellHeight, imageHeight, cellWidth);
    }
    placement.x = (cellWidth - placement.width) / 2;
    placement.y = (cellHeight - placement.height) / 2;
    return placement;
}

bool FitInCell::Apply(c32bppDIB& picture, int cellWidth, int cellHeight) {
    const Placement place = Place(picture.Width(), picture.Height(), cellWidth, cellHeight);
    if (place.width == cellWidth && place.height == cellHeight) {
        return picture.Resize(cellWidth, cellHeight);
    }
    c32bppDIB cell;
    if (!cell.InitializeDIB(cellWidth, cellHeight) || !picture.Resize(place.width, place.height)) {
        return false;
    }
    cell.EraseDIB();
    cell.SetImageType(picture.ImageType());
    // Drawn unscaled onto transparent black, every premultiplied pixel is copied as it is.
    if (!picture.Render(0, place.x, place.y, 0, 0, 0, 0, 0, 0, 100, true, false, &cell)) {
        return false;
    }
    cell.CopyImageTo(picture);
    return picture.Width() == cellWidth && picture.Height() == cellHeight;
}
