#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A PNG file as readers that forgive nothing see it: pngcheck, and libpng with every CRC check
// (ancillary chunks and IEND included) turned into an error.
struct StrictPng {
    // Empty when both accept the file.
    std::string problem;
    int width = 0;
    int height = 0;
    // Straight R, G, B, A rows from the top, as libpng decodes them.
    std::vector<std::uint8_t> rgba;
};

StrictPng ReadStrictPng(const std::string& path);

}  // namespace testsupport
