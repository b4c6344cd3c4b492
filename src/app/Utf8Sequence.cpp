// SPDX-License-Identifier: MIT
#include "app/Utf8Sequence.h"

namespace {

struct LeadByte {
    std::size_t length;
    char32_t bits;
};

LeadByte Lead(unsigned char byte) {
    if (byte < 0x80) {
        return {1, byte};
    }
    if (byte >= 0xC2 && byte <= 0xDF) {
        return {2, byte & 0x1Fu};
    }
    if (byte >= 0xE0 && byte <= 0xEF) {
        return {3, byte & 0x0Fu};
    }
    if (byte >= 0xF0 && byte <= 0xF4) {
        return {4, byte & 0x07u};
    }
    return {0, 0};
}

// The smallest code point each length may carry, so that overlong forms are refused.
constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};

}  // namespace

Utf8Sequence Utf8Sequence::At(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const LeadByte lead = Lead(static_cast<unsigned char>(text.front()));
    if (lead.length == 0 || text.size() < lead.length) {
        return {};
    }
    char32_t codePoint = lead.bits;
    for (std::size_t i = 1; i < lead.length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) {
            return {};
        }
        codePoint = (codePoint << 6) | (byte & 0x3Fu);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < kSmallest[lead.length] || surrogate || codePoint > 0x10FFFF) {
        return {};
    }
    return {lead.length, codePoint};
}
