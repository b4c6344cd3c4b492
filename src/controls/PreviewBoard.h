// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

// The background of the picture previews in the dialogs: white with 6 x 6 grey squares every
// 12 pixels, rows shifted by 6, and a light grey frame; at a device pixel ratio, as many device
// pixels as kSize logical ones.
class PreviewBoard {
  public:
    static constexpr int kSize = 256;

    static QImage Checkerboard(double devicePixelRatio = 1);
};
