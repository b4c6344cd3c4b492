// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// What one load asks of the decoders. The icon fields choose among the images of an icon file;
// 0 means the decoder's default.
struct DecodeRequest {
    bool verifyCrc = true;
    bool useZlib = true;
    std::int32_t iconWidth = 0;
    std::int32_t iconHeight = 0;
    std::int32_t iconDepth = 0;

    // Both zlib services follow the process-wide zlib switch.
    static DecodeRequest Default();
};
