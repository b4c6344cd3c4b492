#include "cli/TerminalText.h"

#include <algorithm>

std::string PrintableText(const std::string& text) {
    std::string printable = text;
    std::replace_if(
        printable.begin(), printable.end(),
        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
    return printable;
}
