// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

// One character of UTF-8 text at the start of `text`: how many bytes it takes and which code
// point it is, or a length of 0 when those bytes are no well-formed character (a stray or
// missing continuation byte, an overlong form, a surrogate, a value beyond U+10FFFF).
struct Utf8Sequence {
    std::size_t length = 0;
    char32_t codePoint = 0;

    static Utf8Sequence At(std::string_view text);
};
