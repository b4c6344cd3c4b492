// SPDX-License-Identifier: MIT
#include "app/IconFileWriter.h"

#include <cerrno>

#include "app/PngStripWriter.h"
#include "app/ReplacingFileWriter.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"

namespace {

constexpr std::uint32_t kDirectoryBytes = 6 + 16;
constexpr std::uint32_t kHeaderBytes = 40;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

}  // namespace

std::vector<std::uint8_t> IconFileWriter::FileBytes(const gdi::Bitmap& bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    if (bitmap.BitCount() != 32 || w < 1 || h < 1 || w > kMaxSize || h > kMaxSize) {
        return {};
    }
    const auto width = static_cast<std::uint32_t>(w), height = static_cast<std::uint32_t>(h);
    const std::uint32_t maskRow = (width + 31) / 32 * 4;
    const std::uint32_t imageBytes = width * height * 4 + maskRow * height;
    std::vector<std::uint8_t> file;
    file.reserve(kDirectoryBytes + kHeaderBytes + imageBytes);
    // The directory: one icon image; 256 is written as 0.
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, 1);
    file.insert(file.end(), {static_cast<std::uint8_t>(width % 256),
                             static_cast<std::uint8_t>(height % 256), 0, 0});
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, kHeaderBytes + imageBytes);
    Put32(file, kDirectoryBytes);
    // The image's header counts the colour rows and the mask rows as one bitmap twice as high.
    for (const std::uint32_t value : {kHeaderBytes, width, height * 2}) {
        Put32(file, value);
    }
    Put16(file, 1);
    Put16(file, 32);
    for (const std::uint32_t value : {0u, imageBytes, 0u, 0u, 0u, 0u}) {
        Put32(file, value);
    }
    const std::vector<std::uint8_t> rgba = PngStripWriter::StraightRgba(bitmap, h);
    for (int y = h - 1; y >= 0; --y) {
        const std::uint8_t* pixel = rgba.data() + static_cast<std::size_t>(y) * width * 4;
        for (std::uint32_t x = 0; x < width; ++x, pixel += 4) {
            file.insert(file.end(), {pixel[2], pixel[1], pixel[0], pixel[3]});
        }
    }
    // A set mask bit marks a fully transparent pixel.
    for (int y = h - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskRow, 0);
        for (std::uint32_t x = 0; x < width; ++x) {
            if (rgba[(static_cast<std::size_t>(y) * width + x) * 4 + 3] == 0) {
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        file.insert(file.end(), row.begin(), row.end());
    }
    return file;
}

Status IconFileWriter::SaveToFile(gdi::HBITMAP surface, const std::string& path) {
    const gdi::Bitmap* bitmap = gdi::BitmapFromHandle(surface);
    const std::vector<std::uint8_t> file =
        bitmap != nullptr ? FileBytes(*bitmap) : std::vector<std::uint8_t>{};
    if (file.empty()) {
        return Error::Io(EINVAL, path);
    }
    return ReplacingFileWriter::WriteFile(path, file);
}
