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

inline std::size_t RowBytes(int width, int bitCount) {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32) * 4;
}

// One pixel's value (index or colour bytes) per call; rows bottom-up as the file holds them.
struct BitmapImage {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::vector<std::uint32_t> palette;     // 0x00RRGGBB
    std::vector<std::uint32_t> pixels;      // top row first: index, or 0xAARRGGBB
    std::vector<bool> transparent;          // top row first; empty = all opaque
    std::uint16_t headerBitCount = 0xFFFF;  // 0xFFFF: the real bit count
};

inline void PutPixelRow(Bytes& bytes, const BitmapImage& image, int y) {
    const int bits = image.bitCount;
    Bytes row(RowBytes(image.width, bits), 0);
    for (int x = 0; x < image.width; ++x) {
        const std::uint32_t value = image.pixels[static_cast<std::size_t>(y * image.width + x)];
        if (bits < 8) {
            const int bit = x * bits;
            row[static_cast<std::size_t>(bit / 8)] |=
                static_cast<std::uint8_t>(value << (8 - bits - bit % 8));
        } else {
            for (int b = 0; b < bits / 8; ++b) {
                row[static_cast<std::size_t>(x * bits / 8 + b)] =
                    static_cast<std::uint8_t>(value >> (8 * b));
            }
        }
    }
    bytes.insert(bytes.end(), row.begin(), row.end());
}

inline void PutMaskRow(Bytes& bytes, const BitmapImage& image, int y) {
    Bytes row(RowBytes(image.width, 1), 0);
    for (int x = 0; x < image.width; ++x) {
        if (!image.transparent.empty() &&
            image.transparent[static_cast<std::size_t>(y * image.width + x)]) {
            row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    bytes.insert(bytes.end(), row.begin(), row.end());
}

// Header (height doubled), palette, colour bits, AND mask.
inline Bytes EntryData(const BitmapImage& image) {
    Bytes data;
    Put(data, 40, 4);
    Put(data, static_cast<std::uint32_t>(image.width), 4);
    Put(data, static_cast<std::uint32_t>(image.height * 2), 4);
    Put(data, 1, 2);
    Put(data,
        image.headerBitCount == 0xFFFF ? static_cast<std::uint32_t>(image.bitCount)
                                       : image.headerBitCount,
        2);
    Put(data, 0, 24);
    if (image.bitCount <= 8) {
        for (std::size_t i = 0; i < (std::size_t{1} << image.bitCount); ++i) {
            Put(data, i < image.palette.size() ? image.palette[i] : 0, 4);
        }
    }
    for (int y = image.height - 1; y >= 0; --y) {
        PutPixelRow(data, image, y);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        PutMaskRow(data, image, y);
    }
    return data;
}

struct Entry {
    std::uint8_t width = 0;
    std::uint8_t height = 0;
    std::uint16_t bitCount = 0;
    Bytes data;
};

inline Entry BitmapEntry(const BitmapImage& image, std::uint16_t directoryBitCount) {
    return {static_cast<std::uint8_t>(image.width), static_cast<std::uint8_t>(image.height),
            directoryBitCount, EntryData(image)};
}

inline Bytes IconFile(const std::vector<Entry>& entries, std::uint16_t type = 1) {
    Bytes file;
    Put(file, 0, 2);
    Put(file, type, 2);
    Put(file, static_cast<std::uint32_t>(entries.size()), 2);
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const Entry& entry : entries) {
        file.push_back(entry.width);
        file.push_back(entry.height);
        Put(file, 0, 2);
        Put(file, 1, 2);
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
    BitmapImage image{side, side, bitCount, {}, {}, {}};
    if (bitCount <= 8) {
        image.palette = {0, color};
        image.pixels.assign(static_cast<std::size_t>(side * side), 1);
    } else {
        image.pixels.assign(static_cast<std::size_t>(side * side), color | 0xFF000000u);
    }
    return image;
}

}  // namespace icotest
