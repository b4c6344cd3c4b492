// SPDX-License-Identifier: MIT
#include "image/PixelBlender.h"

#include <cstddef>

namespace {

// A result above 255 only comes from a pixel whose colour exceeds its alpha; such a byte keeps
// the target's value.
void Store(std::uint8_t& target, unsigned value) {
    if (value <= 255) {
        target = static_cast<std::uint8_t>(value);
    }
}

std::size_t TargetStride(const PixelBlender::Target& target) {
    const std::size_t bytes = static_cast<std::size_t>(target.width) * target.bytesPerPixel;
    return target.bytesPerPixel == 4 ? bytes : (bytes + 3) / 4 * 4;
}

// A row at full opacity onto 24 or 32 bits: the common case, with the channel count fixed.
template <int Channels>
void BlendRowOpaque(const std::uint8_t* from, std::uint8_t* to, int w) {
    for (int j = 0; j < w; ++j, from += 4, to += Channels) {
        const unsigned alpha = from[3];
        if (alpha == 255) {
            for (int t = 0; t < Channels; ++t) {
                to[t] = from[t];
            }
        } else if (alpha != 0) {
            for (int t = 0; t < Channels; ++t) {
                Store(to[t], (255 - alpha) * to[t] / 255 + from[t]);
            }
        }
    }
}

}  // namespace

void PixelBlender::BlendPixel(const std::uint8_t* source, std::uint8_t* target, int channels,
                              std::uint8_t opacity) {
    const unsigned alpha = source[3];
    if (alpha == 0) {
        return;
    }
    if (opacity == 255) {
        for (int t = 0; t < channels; ++t) {
            if (alpha == 255) {
                target[t] = source[t];
            } else {
                Store(target[t], (255 - alpha) * target[t] / 255 + source[t]);
            }
        }
        return;
    }
    const unsigned scaledAlpha = alpha * opacity / 255;
    for (int t = 0; t < channels; ++t) {
        Store(target[t], ((255 - scaledAlpha) * target[t] + source[t] * opacity) / 255u);
    }
}

void PixelBlender::Blend(const PixelView& source, int sourceX, int sourceY, const Target& target,
                         int w, int h, std::uint8_t opacity) {
    const std::size_t stride = TargetStride(target);
    for (int k = 0; k < h; ++k) {
        const std::uint8_t* from = source.AtPictureRow(sourceX, sourceY + k);
        std::uint8_t* to = target.bits +
                           static_cast<std::size_t>(target.height - 1 - (target.y + k)) * stride +
                           static_cast<std::size_t>(target.x) * target.bytesPerPixel;
        if (opacity == 255 && target.bytesPerPixel == 3) {
            BlendRowOpaque<3>(from, to, w);
        } else if (opacity == 255 && target.bytesPerPixel == 4) {
            BlendRowOpaque<4>(from, to, w);
        } else {
            for (int j = 0; j < w; ++j, from += 4, to += target.bytesPerPixel) {
                BlendPixel(from, to, target.bytesPerPixel, opacity);
            }
        }
    }
}
