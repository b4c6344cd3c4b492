// SPDX-License-Identifier: MIT
#include "import/ResourceFileName.h"

#include <optional>
#include <string_view>

namespace {

constexpr char kReplacement = '_';

struct CodePoint {
    char32_t value;
    std::size_t bytes;
};

// One well-formed UTF-8 sequence at the start of `text`; nothing for a stray or short one.
std::optional<CodePoint> Decode(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || text.size() < length) {
        return std::nullopt;
    }
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        value = (value << 6) | (next & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    return CodePoint{value, length};
}

bool IsKeptAscii(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::u32string_view(U" #._-()").find(c) != std::u32string_view::npos;
}

// Letters of other scripts stay; controls, separators, format marks (direction overrides,
// zero widths), private use and the replacement for invalid units do not.
bool IsKeptBeyondAscii(char32_t c) {
    const bool latin1Sign = c < 0xC0 || c == 0xD7 || c == 0xF7;
    const bool punctuation = c >= 0x2000 && c <= 0x206F;
    const bool privateUse = (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000;
    const bool special = (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || c >= 0xFFF0;
    return !latin1Sign && !punctuation && !privateUse && !special;
}

}  // namespace

std::string ResourceFileName::Safe(const std::string& name) {
    std::string safe;
    std::size_t characters = 0;
    for (std::size_t at = 0; at < name.size() && characters < kMaxCharacters; ++characters) {
        const std::optional<CodePoint> point = Decode(std::string_view(name).substr(at));
        const std::size_t bytes = point ? point->bytes : 1;
        const bool kept = point && (point->value < 0x80 ? IsKeptAscii(point->value)
                                                        : IsKeptBeyondAscii(point->value));
        safe += kept ? name.substr(at, bytes) : std::string(1, kReplacement);
        at += bytes;
    }
    if (!safe.empty() && (safe[0] == '-' || safe[0] == '.')) {
        safe[0] = kReplacement;
    }
    return safe;
}

std::string ResourceFileName::ForModuleBitmap(const std::string& moduleFileName,
                                              const std::string& resourceName) {
    return moduleFileName + Safe(resourceName) + ".bmp";
}
