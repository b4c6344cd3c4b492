// SPDX-License-Identifier: MIT
#include "platform/picture/GifFrameReader.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/HandleTable.h"

namespace picture {
namespace {

struct MemoryInput {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

int ReadFromMemory(GifFileType* file, GifByteType* buffer, int wanted) {
    auto* input = static_cast<MemoryInput*>(file->UserData);
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(wanted, 0)),
                                       input->bytes.size() - input->position);
    std::memcpy(buffer, input->bytes.data() + input->position, count);
    input->position += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* file) const {
        int error = 0;
        DGifCloseFile(file, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

bool SkipExtension(GifFileType* file) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(file, &code, &block) == GIF_ERROR) {
        return false;
    }
    while (block != nullptr) {
        if (DGifGetExtensionNext(file, &block) == GIF_ERROR) {
            return false;
        }
    }
    return true;
}

std::vector<gdi::RGBQUAD> ColorTableOf(const GifFileType* file) {
    const ColorMapObject* map =
        file->Image.ColorMap != nullptr ? file->Image.ColorMap : file->SColorMap;
    std::vector<gdi::RGBQUAD> table;
    if (map == nullptr) {
        return table;
    }
    for (int i = 0; i < std::min(map->ColorCount, 256); ++i) {
        const GifColorType& color = map->Colors[i];
        table.push_back({color.Blue, color.Green, color.Red, 0});
    }
    return table;
}

// Display rows in the order they are stored: all rows for a plain image, the four passes of
// every 8th, 8th from 4, 4th from 2 and 2nd from 1 for an interlaced one.
std::vector<int> StoredRowOrder(int height, bool interlaced) {
    std::vector<int> order;
    if (!interlaced) {
        for (int y = 0; y < height; ++y) {
            order.push_back(y);
        }
        return order;
    }
    constexpr std::array<int, 4> kStart = {0, 4, 2, 1};
    constexpr std::array<int, 4> kStep = {8, 8, 4, 2};
    for (std::size_t pass = 0; pass < kStart.size(); ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass]) {
            order.push_back(y);
        }
    }
    return order;
}

std::unique_ptr<gdi::Bitmap> ReadImage(GifFileType* file) {
    if (DGifGetImageDesc(file) == GIF_ERROR) {
        return nullptr;
    }
    const GifImageDesc& image = file->Image;
    std::unique_ptr<gdi::Bitmap> bitmap =
        gdi::Bitmap::Create(image.Width, image.Height, 8, ColorTableOf(file));
    if (!bitmap) {
        return nullptr;
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(image.Width));
    for (const int y : StoredRowOrder(image.Height, image.Interlace)) {
        if (DGifGetLine(file, line.data(), image.Width) == GIF_ERROR) {
            return nullptr;
        }
        // Bitmap rows are bottom-up.
        std::uint8_t* row =
            bitmap->Bits() + static_cast<std::size_t>(image.Height - 1 - y) * bitmap->Stride();
        std::copy(line.begin(), line.end(), row);
    }
    return bitmap;
}

}  // namespace

gdi::HBITMAP GifFrameReader::ReadFirstFrame(std::span<const std::uint8_t> gif) {
    MemoryInput input{gif};
    int error = 0;
    GifFile file(DGifOpen(&input, ReadFromMemory, &error));
    if (!file) {
        return 0;
    }
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    while (DGifGetRecordType(file.get(), &record) != GIF_ERROR) {
        if (record == IMAGE_DESC_RECORD_TYPE) {
            return gdi::HandleTable::Insert(ReadImage(file.get()));
        }
        if (record != EXTENSION_RECORD_TYPE || !SkipExtension(file.get())) {
            return 0;
        }
    }
    return 0;
}

}  // namespace picture
