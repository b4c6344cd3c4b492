// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Reads the tEXt chunks of a PNG file, before or after its image data.
class PngTextChunk {
  public:
    // The text of the first tEXt chunk with this keyword; none when the bytes are no PNG file,
    // have no such chunk, or a chunk on the way is cut short or fails its CRC.
    static std::optional<std::string> Find(std::span<const std::uint8_t> file,
                                           std::string_view keyword);
};
