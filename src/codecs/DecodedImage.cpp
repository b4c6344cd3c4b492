#include "codecs/DecodedImage.h"

#include "platform/gdi/Bitmap.h"

// The limits of the bitmap that will hold the pixels, so that every image decoded here fits.
Expected<DecodedImage, DecodeError> DecodedImage::Allocate(int width, int height) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (width < 1 || height < 1 || pixels > gdi::Bitmap::kMaxPixelBytes / 4) {
        return DecodeError::SizeLimit(width, height);
    }
    // calloc: a large block comes zeroed from the system, so pixels a decoder leaves at zero
    // cost no clearing.
    PixelBlock block(static_cast<std::uint8_t*>(std::calloc(pixels, 4)));
    if (!block) {
        return DecodeError::SizeLimit(width, height);
    }
    return DecodedImage(width, height, std::move(block));
}
