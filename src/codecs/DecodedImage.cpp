// SPDX-License-Identifier: MIT
#include "codecs/DecodedImage.h"

// The limits of the bitmap that will hold the pixels, so that every image decoded here fits.
Expected<DecodedImage, Error> DecodedImage::Allocate(int width, int height) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (width < 1 || height < 1 || pixels > gdi::Bitmap::kMaxPixelBytes / 4) {
        return Error::SizeLimit(width, height);
    }
    std::unique_ptr<gdi::Bitmap> bitmap = gdi::Bitmap::Create(width, height, 32);
    if (!bitmap) {
        return Error::SizeLimit(width, height);
    }
    return DecodedImage(width, height, std::move(bitmap));
}
