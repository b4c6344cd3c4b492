// SPDX-License-Identifier: MIT
#include "app/PngStripWriter.h"

#include <algorithm>
#include <cerrno>

#include "app/ReplacingFileWriter.h"
#include "app/StripFile.h"
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

std::vector<std::uint8_t> PngStripWriter::StraightRgba(const gdi::Bitmap& bitmap, int rows) {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(bitmap.Width()) * static_cast<std::size_t>(rows) * 4);
    for (int y = 0; y < rows; ++y) {
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

Status PngStripWriter::SaveToFile(gdi::HBITMAP surface, const std::string& path) {
    const gdi::Bitmap* bitmap = gdi::BitmapFromHandle(surface);
    if (bitmap == nullptr) {
        return Error::Io(EINVAL, path);
    }
    return SaveBandsToFile(path, bitmap->Width(), bitmap->Height(), bitmap->Height(),
                           [bitmap](int) { return bitmap; });
}

Status PngStripWriter::SaveBandsToFile(const std::string& path, int width, int height, int bandRows,
                                       const DrawBand& drawBand, int cellWidth) {
    if (width < 1 || height < 1 || bandRows < 1) {
        return Error::Io(EINVAL, path);
    }
    ReplacingFileWriter writer;
    Status written;
    PngEncoder encoder(width, height, [&writer, &written](std::span<const std::uint8_t> bytes) {
        written = writer.Write(bytes);
        return static_cast<bool>(written);
    });
    if (cellWidth > 0) {
        encoder.AddText(StripFile::kCellSizeKeyword, StripFile::CellSizeText(cellWidth, height));
    }
    // Whatever the writer did not fail on, zlib did.
    const auto failed = [&]() -> Status {
        return written ? Error::Io(ENOMEM, path) : written.Error();
    };
    for (int top = 0; top < height; top += bandRows) {
        const int rows = std::min(bandRows, height - top);
        const gdi::Bitmap* band = drawBand(top);
        if (!Fits(band, width, rows)) {
            return Error::Io(EINVAL, path);
        }
        // Opened once the first band has shown that there is something to write.
        if (top == 0) {
            written = writer.Open(path);
        }
        if (!written || !encoder.AddRows(StraightRgba(*band, rows))) {
            return failed();
        }
    }
    if (!encoder.Finish()) {
        return failed();
    }
    return writer.Commit();
}

bool PngStripWriter::Fits(const gdi::Bitmap* band, int width, int rows) {
    return band != nullptr && band->BitCount() == 32 && band->Width() == width &&
           band->Height() >= rows;
}
