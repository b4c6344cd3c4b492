// SPDX-License-Identifier: MIT
#pragma once

#include "platform/gdi/GdiTypes.h"

namespace gdi {

// Resolves system colours (0x80000000 + index) to the classic Windows scheme.
class SystemColors {
  public:
    static constexpr COLORREF kSystemColorFlag = 0x80000000;
    static constexpr int kCount = 31;

    // A system colour becomes its 0x00BBGGRR value (an unknown index becomes black); any other
    // value keeps its colour bytes.
    static COLORREF TranslateColor(COLORREF color);
};

}  // namespace gdi
