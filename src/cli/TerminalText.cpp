// SPDX-License-Identifier: MIT
#include "cli/TerminalText.h"

#include <string_view>

#include "app/Utf8Sequence.h"

namespace {

bool IsControl(char32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

}  // namespace

std::string PrintableText(const std::string& text) {
    std::string printable;
    const std::string_view rest(text);
    for (std::size_t at = 0; at < rest.size();) {
        const Utf8Sequence character = Utf8Sequence::At(rest.substr(at));
        const std::size_t length = character.length == 0 ? 1 : character.length;
        if (character.length == 0 || IsControl(character.codePoint)) {
            printable += '?';
        } else {
            printable.append(rest.substr(at, length));
        }
        at += length;
    }
    return printable;
}
