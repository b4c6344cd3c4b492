// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Text fit for a terminal: control characters (C0, DEL and C1), which a file or list may carry
// to move the cursor, recolour the screen or break a message in two, and bytes that are no
// UTF-8, shown as '?'.
std::string PrintableText(const std::string& text);
