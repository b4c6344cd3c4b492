// SPDX-License-Identifier: MIT
#pragma once

#include "image/PixelView.h"

// Scales a rectangle of one pixel block onto the whole of another, working on premultiplied
// bytes directly.
class PixelScaler {
  public:
    struct Source {
        PixelView pixels;
        int x = 0;  // the rectangle, in picture coordinates (row 0 = top)
        int y = 0;
        int width = 0;
        int height = 0;
    };

    // Nearest neighbour, or bilinear when `bilinear`; the mirror flags flip the output.
    static void Scale(const Source& source, const PixelView& target, bool bilinear, bool mirrorX,
                      bool mirrorY);

  private:
    struct Tap {
        int first = 0;      // source index, relative to the rectangle
        int second = 0;     // the neighbour blended in; equal to first when used alone
        double weight = 0;  // weight of the second
    };
    static Tap NearestTap(int output, double ratio, int sourceLength);
    static Tap BilinearTap(int output, double ratio, int sourceLength);
};
