// SPDX-License-Identifier: MIT
#include "app/CellSelection.h"

#include <algorithm>
#include <iterator>
#include <numeric>

namespace {

std::vector<int> Range(int first, int count) {
    std::vector<int> range(static_cast<std::size_t>(count));
    std::iota(range.begin(), range.end(), first);
    return range;
}

bool Contains(const std::vector<int>& sorted, int position) {
    return std::binary_search(sorted.begin(), sorted.end(), position);
}

}  // namespace

std::vector<int> CellSelection::Normalised(std::vector<int> positions, int count) {
    std::erase_if(positions, [count](int p) { return p < 0 || p >= count; });
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

std::optional<std::vector<int>> CellSelection::MoveBy(std::vector<int>& cells,
                                                      const std::vector<int>& positions, int step) {
    std::vector<int> moved = Normalised(positions, static_cast<int>(cells.size()));
    const bool back = step < 0;
    if (moved.empty() || (back ? moved.front() == 0 : moved.back() == std::ssize(cells) - 1)) {
        return std::nullopt;
    }
    // Swapping from the leading end outward carries each cell past one unselected neighbour.
    if (!back) {
        std::reverse(moved.begin(), moved.end());
    }
    for (int& position : moved) {
        const int to = position + (back ? -1 : 1);
        std::swap(cells[static_cast<std::size_t>(position)], cells[static_cast<std::size_t>(to)]);
        position = to;
    }
    std::sort(moved.begin(), moved.end());
    return moved;
}

std::optional<std::vector<int>> CellSelection::MoveBefore(std::vector<int>& cells,
                                                          const std::vector<int>& positions,
                                                          int before) {
    const int count = static_cast<int>(cells.size());
    const std::vector<int> moved = Normalised(positions, count);
    if (moved.empty() || before < 0 || before > count) {
        return std::nullopt;
    }
    std::vector<int> block, rest;
    for (int p = 0; p < count; ++p) {
        (Contains(moved, p) ? block : rest).push_back(cells[static_cast<std::size_t>(p)]);
    }
    const auto passed =
        std::count_if(moved.begin(), moved.end(), [&](int p) { return p < before; });
    const int at = before - static_cast<int>(passed);
    rest.insert(rest.begin() + at, block.begin(), block.end());
    if (rest == cells) {
        return std::nullopt;
    }
    cells = std::move(rest);
    return Range(at, static_cast<int>(block.size()));
}

std::optional<std::vector<int>> CellSelection::Remove(std::vector<int>& cells,
                                                      const std::vector<int>& positions) {
    const std::vector<int> removed = Normalised(positions, static_cast<int>(cells.size()));
    if (removed.empty()) {
        return std::nullopt;
    }
    std::vector<int> kept;
    for (int p = 0; p < std::ssize(cells); ++p) {
        if (!Contains(removed, p)) {
            kept.push_back(cells[static_cast<std::size_t>(p)]);
        }
    }
    cells = std::move(kept);
    const int next = std::min(removed.front(), static_cast<int>(cells.size()) - 1);
    return next < 0 ? std::vector<int>{} : std::vector<int>{next};
}

std::optional<std::vector<int>> CellSelection::Duplicate(std::vector<int>& cells,
                                                         const std::vector<int>& positions) {
    const std::vector<int> copied = Normalised(positions, static_cast<int>(cells.size()));
    if (copied.empty()) {
        return std::nullopt;
    }
    std::vector<int> copies;
    std::transform(copied.begin(), copied.end(), std::back_inserter(copies),
                   [&](int p) { return cells[static_cast<std::size_t>(p)]; });
    const int at = copied.back() + 1;
    cells.insert(cells.begin() + at, copies.begin(), copies.end());
    return Range(at, static_cast<int>(copies.size()));
}
