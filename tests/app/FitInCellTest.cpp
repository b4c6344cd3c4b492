// SPDX-License-Identifier: MIT
#include "app/FitInCell.h"

#include <gtest/gtest.h>

namespace {

// Which side limits, rounding of the other, the 1-pixel floor and where an odd margin goes.
TEST(FitInCell, PlacesTheLargestCentredRectangleOfTheImagesShape) {
    using P = FitInCell::Placement;
    const struct {
        int w, h, cellW, cellH;
        P placed;
    } cases[] = {{32, 16, 16, 16, {0, 4, 16, 8}},  {16, 32, 16, 16, {4, 0, 8, 16}},
                 {3, 1, 16, 16, {0, 5, 16, 5}},    {3, 2, 16, 16, {0, 2, 16, 11}},
                 {1000, 1, 16, 16, {0, 7, 16, 1}}, {1, 1000, 24, 16, {11, 0, 1, 16}},
                 {16, 16, 24, 16, {4, 0, 16, 16}}, {16, 16, 16, 15, {0, 0, 15, 15}},
                 {32, 32, 16, 16, {0, 0, 16, 16}}, {0, 5, 16, 16, {0, 0, 16, 16}}};
    for (const auto& c : cases) {
        EXPECT_EQ(FitInCell::Place(c.w, c.h, c.cellW, c.cellH), c.placed)
            << c.w << "x" << c.h << " in " << c.cellW << "x" << c.cellH;
    }
}

}  // namespace
