// SPDX-License-Identifier: MIT
#include "platform/picture/PictureLoader.h"

#include "platform/gdi/DibReader.h"
#include "platform/picture/GifFrameReader.h"

namespace picture {

std::unique_ptr<Picture> PictureLoader::Load(std::span<const std::uint8_t> bytes) {
    gdi::UniqueGdiObject bitmap(gdi::LoadBitmapFile(bytes));
    if (!bitmap) {
        bitmap.Reset(GifFrameReader::ReadFirstFrame(bytes));
    }
    if (!bitmap) {
        return nullptr;
    }
    return Picture::FromBitmap(bitmap.Release());
}

}  // namespace picture
