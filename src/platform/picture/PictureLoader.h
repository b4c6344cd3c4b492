// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/picture/Picture.h"

namespace picture {

// The platform picture loader: a bitmap file of any variant, or a GIF's first image, becomes a
// bitmap picture. Anything else is not a picture.
class PictureLoader {
  public:
    static std::unique_ptr<Picture> Load(std::span<const std::uint8_t> bytes);
};

}  // namespace picture
