// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

// The background of the picture previews in the dialogs: white with 6 x 6 grey squares every
// 12 pixels, rows shifted by 6, and a light grey frame.
class PreviewBoard {
  public:
    static constexpr int kSize = 256;

    static QImage Checkerboard();
};
