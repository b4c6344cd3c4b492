// SPDX-License-Identifier: MIT
#pragma once

// The width and height of a strip's cells, in pixels.
struct CellSize {
    int width = 16;
    int height = 16;
    bool operator==(const CellSize&) const = default;
};
