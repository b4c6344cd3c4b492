// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "image/PixelView.h"

// Draws premultiplied pixels over a target with a constant opacity, in integer arithmetic.
class PixelBlender {
  public:
    // How the target stores a pixel: 3 bytes (B, G, R, rows padded to 4 bytes) or 4 bytes
    // (B, G, R, A of a 32-bit image, whose alpha byte is blended as well).
    struct Target {
        std::uint8_t* bits = nullptr;
        int width = 0;
        int height = 0;
        int bytesPerPixel = 4;
        int x = 0;  // where the block goes, picture coordinates
        int y = 0;
    };

    // Source picture rows sourceY.. go to target picture rows y.., columns sourceX.. to x..;
    // w x h pixels, all inside both blocks.
    static void Blend(const PixelView& source, int sourceX, int sourceY, const Target& target,
                      int w, int h, std::uint8_t opacity);

  private:
    static void BlendPixel(const std::uint8_t* source, std::uint8_t* target, int channels,
                           std::uint8_t opacity);
};
