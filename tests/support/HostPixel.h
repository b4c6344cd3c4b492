#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "image/c32bppDIB.h"

namespace testsupport {

// Pixel of picture row y (top row 0) as blue, green, red, alpha.
inline std::array<int, 4> PixelAt(const c32bppDIB& host, int x, int y) {
    const std::uint8_t* pixel = host.BitsPointer() +
                                static_cast<std::size_t>(host.Height() - 1 - y) *
                                    static_cast<std::size_t>(host.scanWidth()) +
                                static_cast<std::size_t>(x) * 4;
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

inline std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path,
                           const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testsupport
