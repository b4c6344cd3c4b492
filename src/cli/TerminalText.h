#pragma once

#include <string>

// Text fit for a terminal: control characters, which a file or list may carry to move the
// cursor, recolour the screen or break a message in two, shown as '?'.
std::string PrintableText(const std::string& text);
