// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

// Resource names come from modules that anyone may have written. Made part of a file name they
// keep letters, digits, blanks and #._-(), and lose whatever could leave a folder, end a line,
// drive a terminal or pass for an option.
class ResourceFileName {
  public:
    static constexpr std::size_t kMaxCharacters = 100;

    // UTF-8 in and out: every other character becomes '_', a leading '-' or '.' too, and the
    // result holds at most kMaxCharacters characters.
    static std::string Safe(const std::string& name);
    // The name of a strip opened from a module's bitmap: "shell32.dll#133.bmp".
    static std::string ForModuleBitmap(const std::string& moduleFileName,
                                       const std::string& resourceName);
};
