// SPDX-License-Identifier: MIT
#include "app/CellSelection.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using Cells = std::vector<int>;
// MoveBy takes `arg` as its step, MoveBefore as the position to move before.
enum class Edit { MoveBy, MoveBefore, Remove, Duplicate };

std::optional<Cells> Apply(Edit edit, Cells& cells, const Cells& selected, int arg) {
    switch (edit) {
        case Edit::MoveBy:
            return CellSelection::MoveBy(cells, selected, arg);
        case Edit::MoveBefore:
            return CellSelection::MoveBefore(cells, selected, arg);
        case Edit::Remove:
            return CellSelection::Remove(cells, selected);
        case Edit::Duplicate:
            return CellSelection::Duplicate(cells, selected);
    }
    return std::nullopt;
}

// Each edit on the strip 10 11 12 13 14: the order after it and where the edited cells stand,
// or the order untouched and nothing.
TEST(CellSelection, BlockEditsOnAFiveCellStrip) {
    const Cells strip{10, 11, 12, 13, 14};
    const struct {
        const char* name;
        Edit edit;
        Cells selected;
        int arg;
        Cells order;
        std::optional<Cells> placed;
    } cases[] = {
        {"back", Edit::MoveBy, {2, 1}, -1, {11, 12, 10, 13, 14}, Cells{0, 1}},
        {"back from the start", Edit::MoveBy, {0, 2}, -1, strip, std::nullopt},
        {"forward, apart", Edit::MoveBy, {1, 3}, 1, {10, 12, 11, 14, 13}, Cells{2, 4}},
        {"forward from the end", Edit::MoveBy, {4}, 1, strip, std::nullopt},
        {"dragged right", Edit::MoveBefore, {0, 1}, 4, {12, 13, 10, 11, 14}, Cells{2, 3}},
        {"dragged to the start", Edit::MoveBefore, {3, 1}, 0, {11, 13, 10, 12, 14}, Cells{0, 1}},
        {"dragged onto itself", Edit::MoveBefore, {1, 2}, 2, strip, std::nullopt},
        {"dragged past the end", Edit::MoveBefore, {1}, 6, strip, std::nullopt},
        {"removed, outside ignored", Edit::Remove, {4, 0, 9, -1}, 0, {11, 12, 13}, Cells{0}},
        {"removed at the end", Edit::Remove, {3, 4}, 0, {10, 11, 12}, Cells{2}},
        {"removed all", Edit::Remove, {0, 1, 2, 3, 4}, 0, {}, Cells{}},
        {"nothing selected", Edit::Remove, {}, 0, strip, std::nullopt},
        {"duplicated", Edit::Duplicate, {3, 1, 1}, 0, {10, 11, 12, 13, 11, 13, 14}, Cells{4, 5}}};
    for (const auto& [name, edit, selected, arg, order, placed] : cases) {
        Cells cells = strip;
        EXPECT_EQ(Apply(edit, cells, selected, arg), placed) << name;
        EXPECT_EQ(cells, order) << name;
    }
}

}  // namespace
