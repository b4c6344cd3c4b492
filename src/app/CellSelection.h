// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <vector>

// Edits of several cells of a strip's order at once. Positions are 0-based; each edit takes them
// through Normalised and returns where the edited cells stand afterwards, or nothing when the
// order cannot change (an empty selection, a block already at that end).
class CellSelection {
  public:
    // Ascending, without repeats, only positions of the `count` cells.
    static std::vector<int> Normalised(std::vector<int> positions, int count);
    // Every selected cell one place back (step -1) or forward (step +1); the cells it passes
    // close up behind the block.
    static std::optional<std::vector<int>> MoveBy(std::vector<int>& cells,
                                                  const std::vector<int>& positions, int step);
    // The selected cells, in their order, before the cell at `before` (0 to the cell count).
    static std::optional<std::vector<int>> MoveBefore(std::vector<int>& cells,
                                                      const std::vector<int>& positions,
                                                      int before);
    // The position the first cell after the removed ones takes, clamped to the last cell.
    static std::optional<std::vector<int>> Remove(std::vector<int>& cells,
                                                  const std::vector<int>& positions);
    // Copies of the selected cells, in their order, right after the last selected one.
    static std::optional<std::vector<int>> Duplicate(std::vector<int>& cells,
                                                     const std::vector<int>& positions);
};
