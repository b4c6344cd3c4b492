// SPDX-License-Identifier: MIT
#pragma once

class c32bppDIB;

// Where a picture lands in a cell when its shape is kept: as large as fits, centred, the cell
// transparent around it.
class FitInCell {
  public:
    struct Placement {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool operator==(const Placement&) const = default;
    };

    // The scaled size is rounded to the nearest pixel and never below 1; an odd margin leaves
    // the extra pixel on the right or at the bottom.
    static Placement Place(int imageWidth, int imageHeight, int cellWidth, int cellHeight);
    // The picture becomes cellWidth x cellHeight: scaled the way Resize scales it and centred on
    // transparent pixels. False, the picture unchanged, when no cell image can be made.
    static bool Apply(c32bppDIB& picture, int cellWidth, int cellHeight);
};
