// SPDX-License-Identifier: MIT
#include "app/JsonText.h"

#include <cstdio>

#include "app/Utf8Sequence.h"

// File names are bytes, not always UTF-8: a byte that starts no character becomes U+FFFD, so
// that every line written stays valid JSON.
std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    const std::string_view rest(text);
    for (std::size_t at = 0; at < rest.size();) {
        const Utf8Sequence character = Utf8Sequence::At(rest.substr(at));
        const char c = rest[at];
        if (character.length == 0) {
            quoted += "\\ufffd";
        } else if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (character.codePoint < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            quoted += escape;
        } else {
            quoted.append(rest.substr(at, character.length));
        }
        at += character.length == 0 ? 1 : character.length;
    }
    return quoted + "\"";
}
