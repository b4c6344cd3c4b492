// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "app/CellSource.h"
#include "app/clsImgList.h"

// The stored images of one cell size and, by the same index, where each came from. A change of
// cell size makes a new layer; steps of history keep the layer their cells index.
struct CellLayer {
    clsImgList store;
    std::vector<CellSource> sources;

    // Keeps the sources of the images at the given ascending indexes, as the store does.
    void Retain(const std::vector<int>& kept);
    void Clear();
};
