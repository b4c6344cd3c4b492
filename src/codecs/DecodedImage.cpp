#include "codecs/DecodedImage.h"

#include <new>

#include "platform/gdi/Bitmap.h"

// The limits of the bitmap that will hold the pixels, so that every image decoded here fits.
Expected<DecodedImage, DecodeError> DecodedImage::Allocate(int width, int height) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (width < 1 || height < 1 || pixels > gdi::Bitmap::kMaxPixelBytes / 4) {
        return DecodeError::SizeLimit(width, height);
    }
    try {
        return DecodedImage(width, height, std::vector<std::uint8_t>(pixels * 4, 0));
    } catch (const std::bad_alloc&) {
        return DecodeError::SizeLimit(width, height);
    }
}
