// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
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

// An image whose pixel (x, y), top row 0, is bgraAt(x, y): premultiplied blue, green, red, alpha.
template <typename BgraAt>
std::unique_ptr<c32bppDIB> HostImage(int w, int h, BgraAt bgraAt) {
    auto host = std::make_unique<c32bppDIB>();
    host->InitializeDIB(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto p = bgraAt(x, y);
            std::uint8_t* at =
                host->BitsPointer() +
                static_cast<std::size_t>(h - 1 - y) * static_cast<std::size_t>(host->scanWidth()) +
                static_cast<std::size_t>(x) * 4;
            at[0] = p.b, at[1] = p.g, at[2] = p.r, at[3] = p.a;
        }
    }
    return host;
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
