// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

// Builds icon and cursor files byte by byte.
namespace icotest {

using Bytes = std::vector<std::uint8_t>;

// size bytes, little-endian; bytes past the fourth are 0.
inline void Put(Bytes& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(i < 4 ? static_cast<std::uint8_t>(value >> (8 * i)) : 0);
    }
}

struct BitmapImage {
    int width = 0, height = 0, bitCount = 0;
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
    std::vector<std::uint32_t> pixels;   // top row first: index, or 0xAARRGGBB
    std::vector<bool> transparent;       // top row first; empty = all opaque
};

// Rows bottom-up as the file holds them, each padded to whole double words.
template <typename ValueAt>
void PutRows(Bytes& bytes, const BitmapImage& image, int bits, ValueAt valueAt) {
    const std::size_t rowBytes = (static_cast<std::size_t>(image.width * bits) + 31) / 32 * 4;
    for (int y = image.height - 1; y >= 0; --y) {
        Bytes row(rowBytes, 0);
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t value = valueAt(y * image.width + x);
            for (int b = 0; b < bits / 8; ++b) {
                row[x * bits / 8 + b] = static_cast<std::uint8_t>(value >> (8 * b));
            }
            if (bits < 8) {
                row[x * bits / 8] |= static_cast<std::uint8_t>(value << (8 - bits - x * bits % 8));
            }
        }
        bytes.insert(bytes.end(), row.begin(), row.end());
    }
}

struct Entry {
    std::uint8_t width = 0, height = 0;
    std::uint16_t bitCount = 0;
    Bytes data;
};

// Header (height doubled), palette, colour bits, AND mask.
inline Entry BitmapEntry(const BitmapImage& image, std::uint16_t directoryBitCount) {
    Entry entry{std::uint8_t(image.width), std::uint8_t(image.height), directoryBitCount, {}};
    for (const std::uint32_t value : {40, image.width, image.height * 2}) {
        Put(entry.data, value, 4);
    }
    Put(entry.data, 1, 2);
    Put(entry.data, static_cast<std::uint32_t>(image.bitCount), 2);
    Put(entry.data, 0, 24);
    for (int i = 0; image.bitCount <= 8 && i < 1 << image.bitCount; ++i) {
        Put(entry.data, i < static_cast<int>(image.palette.size()) ? image.palette[i] : 0, 4);
    }
    PutRows(entry.data, image, image.bitCount, [&](int i) { return image.pixels[i]; });
    PutRows(entry.data, image, 1,
            [&](int i) { return !image.transparent.empty() && image.transparent[i]; });
    return entry;
}

inline Bytes IconFile(const std::vector<Entry>& entries, std::uint16_t type = 1) {
    Bytes file = {0, 0, std::uint8_t(type), 0, std::uint8_t(entries.size()), 0};
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const Entry& entry : entries) {
        file.insert(file.end(), {entry.width, entry.height, 0, 0, 1, 0});
        Put(file, entry.bitCount, 2);
        Put(file, static_cast<std::uint32_t>(entry.data.size()), 4);
        Put(file, offset, 4);
        offset += static_cast<std::uint32_t>(entry.data.size());
    }
    for (const Entry& entry : entries) {
        file.insert(file.end(), entry.data.begin(), entry.data.end());
    }
    return file;
}

// A square image of one palette colour or true colour.
inline BitmapImage Solid(int side, int bitCount, std::uint32_t color) {
    BitmapImage image{side, side, bitCount, {0, color}, {}, {}};
    image.pixels.assign(side * side, bitCount <= 8 ? 1 : color | 0xFF000000u);
    return image;
}

}  // namespace icotest
