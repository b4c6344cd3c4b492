#include "app/CellSelection.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Cells = std::vector<int>;
using Edit = std::function<std::optional<Cells>(Cells&)>;

// Each edit on the strip 10 11 12 13 14: the order after it and where the edited cells stand,
// or the order untouched and nothing.
TEST(CellSelection, BlockEditsOnAFiveCellStrip) {
    const std::tuple<std::string, Edit, Cells, std::optional<Cells>> cases[] = {
        {"back",
         [](Cells& c) {
             return CellSelection::MoveBy(c, {2, 1}, -1);
         },
         {11, 12, 10, 13, 14},
         Cells{0, 1}},
        {"back from the start",
         [](Cells& c) {
             return CellSelection::MoveBy(c, {0, 2}, -1);
         },
         {10, 11, 12, 13, 14},
         std::nullopt},
        {"forward, apart",
         [](Cells& c) {
             return CellSelection::MoveBy(c, {1, 3}, 1);
         },
         {10, 12, 11, 14, 13},
         Cells{2, 4}},
        {"forward from the end",
         [](Cells& c) { return CellSelection::MoveBy(c, {4}, 1); },
         {10, 11, 12, 13, 14},
         std::nullopt},
        {"dragged right",
         [](Cells& c) {
             return CellSelection::MoveBefore(c, {0, 1}, 4);
         },
         {12, 13, 10, 11, 14},
         Cells{2, 3}},
        {"dragged to the start",
         [](Cells& c) {
             return CellSelection::MoveBefore(c, {3, 1}, 0);
         },
         {11, 13, 10, 12, 14},
         Cells{0, 1}},
        {"dragged onto itself",
         [](Cells& c) {
             return CellSelection::MoveBefore(c, {1, 2}, 2);
         },
         {10, 11, 12, 13, 14},
         std::nullopt},
        {"dragged past the end",
         [](Cells& c) { return CellSelection::MoveBefore(c, {1}, 6); },
         {10, 11, 12, 13, 14},
         std::nullopt},
        {"removed, outside ignored",
         [](Cells& c) {
             return CellSelection::Remove(c, {4, 0, 9, -1});
         },
         {11, 12, 13},
         Cells{0}},
        {"removed at the end",
         [](Cells& c) {
             return CellSelection::Remove(c, {3, 4});
         },
         {10, 11, 12},
         Cells{2}},
        {"removed all",
         [](Cells& c) {
             return CellSelection::Remove(c, {0, 1, 2, 3, 4});
         },
         {},
         Cells{}},
        {"nothing selected",
         [](Cells& c) { return CellSelection::Remove(c, {}); },
         {10, 11, 12, 13, 14},
         std::nullopt},
        {"duplicated",
         [](Cells& c) {
             return CellSelection::Duplicate(c, {3, 1, 1});
         },
         {10, 11, 12, 13, 11, 13, 14},
         Cells{4, 5}}};
    for (const auto& [name, edit, order, placed] : cases) {
        Cells cells{10, 11, 12, 13, 14};
        EXPECT_EQ(edit(cells), placed) << name;
        EXPECT_EQ(cells, order) << name;
    }
}

}  // namespace
