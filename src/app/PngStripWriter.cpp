#include "app/PngStripWriter.h"

#include <algorithm>
#include <cerrno>

#include "app/ReplacingFileWriter.h"
#include "codecs/PngEncoder.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"

namespace {

// The smallest straight value that premultiplies back (colour x alpha, remainder dropped) to the
// same byte, so that cells written as PNG load as the very cells they were.
std::uint8_t Unpremultiply(std::uint8_t channel, std::uint8_t alpha) {
    const int straight = (channel * 255 + alpha - 1) / alpha;
    return static_cast<std::uint8_t>(std::min(straight, 255));
}

}  // namespace

std::vector<std::uint8_t> PngStripWriter::StraightRgba(const gdi::Bitmap& bitmap) {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(bitmap.Width()) * bitmap.Height() * 4);
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            const gdi::Bgra pixel = bitmap.ReadPixel(x, y);
            if (pixel.a == 0) {
                rgba.insert(rgba.end(), {0, 0, 0, 0});
            } else {
                rgba.insert(rgba.end(),
                            {Unpremultiply(pixel.r, pixel.a), Unpremultiply(pixel.g, pixel.a),
                             Unpremultiply(pixel.b, pixel.a), pixel.a});
            }
        }
    }
    return rgba;
}

bool PngStripWriter::SaveToFile(gdi::HBITMAP surface, const std::string& path, std::string& error) {
    const gdi::Bitmap* bitmap = gdi::BitmapFromHandle(surface);
    if (bitmap == nullptr || bitmap->BitCount() != 32) {
        error = ReplacingFileWriter::ErrorText(EINVAL);
        return false;
    }
    const std::vector<std::uint8_t> file =
        PngEncoder::EncodeRgba(bitmap->Width(), bitmap->Height(), StraightRgba(*bitmap));
    if (file.empty()) {
        error = ReplacingFileWriter::ErrorText(ENOMEM);
        return false;
    }
    ReplacingFileWriter writer;
    if (!writer.Open(path) || !writer.Write(file) || !writer.Commit()) {
        error = ReplacingFileWriter::ErrorText(writer.Error());
        return false;
    }
    return true;
}
