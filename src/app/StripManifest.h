// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// What build wrote, for build systems: each strip's file, cell size and depth, and for every
// source in order the cell it became (its index and x offset) or why it was skipped.
class StripManifest {
  public:
    struct Cell {
        std::string source;
        int index = -1;  // -1: skipped
        std::string skipped;
    };
    struct Strip {
        std::string file;
        int cellWidth = 0;
        int cellHeight = 0;
        int depth = 0;
        std::vector<Cell> cells;
    };

    void Add(Strip strip) { m_Strips.push_back(std::move(strip)); }
    // One JSON object: {"strips": [...]}, a strip a line.
    std::string Text() const;

  private:
    std::vector<Strip> m_Strips;
};
