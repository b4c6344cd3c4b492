#include "platform/gdi/CellSlabs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace gdi {
namespace {

// The kernel's flags of the mapping that holds `address` ("hg": huge pages asked for); empty
// when no mapping holds it.
std::string MappingFlags(const void* address) {
    std::ifstream maps("/proc/self/smaps");
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    bool inside = false;
    for (std::string line; std::getline(maps, line);) {
        std::uintptr_t start = 0, end = 0;
        if (std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR " ", &start, &end) == 2) {
            inside = at >= start && at < end;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line.substr(8) + " ";
        }
    }
    return "";
}

TEST(CellSlabs, PiecesAreZeroAndShareHugePageBlocksThatGoWithTheirLastPiece) {
    CellSlabs slabs;
    std::vector<std::shared_ptr<std::uint8_t[]>> pieces{slabs.Allocate(100)};
    const std::uint8_t* block = pieces[0].get();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % CellSlabs::kHugePage, 0u);
    EXPECT_NE(MappingFlags(block).find(" hg "), std::string::npos) << MappingFlags(block);
    // Pieces follow each other, 64-byte aligned, until the slab is full; then another begins.
    while (pieces.back().get() >= block && pieces.back().get() < block + CellSlabs::kSlabBytes) {
        const std::uint8_t* previous = pieces.back().get();
        pieces.push_back(slabs.Allocate(CellSlabs::kMaxPieceBytes));
        ASSERT_NE(pieces.back(), nullptr);
        EXPECT_TRUE(pieces.back().get() >= previous + 100 || pieces.back().get() < block);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pieces.back().get()) % 64, 0u);
        const std::uint8_t* bytes = pieces.back().get();
        EXPECT_TRUE(std::all_of(bytes, bytes + CellSlabs::kMaxPieceBytes,
                                [](std::uint8_t byte) { return byte == 0; }));
        std::fill_n(pieces.back().get(), CellSlabs::kMaxPieceBytes, 0xA5);
    }
    EXPECT_GE(pieces.size(), 8u);
    // A larger piece has a block of its own.
    const auto large = slabs.Allocate(CellSlabs::kMaxPieceBytes + 1);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large[CellSlabs::kMaxPieceBytes], 0);
    EXPECT_FALSE(large.get() >= block && large.get() < block + CellSlabs::kSlabBytes);
    const auto next = pieces.back();
    pieces.pop_back();
    pieces.erase(pieces.begin() + 1);
    EXPECT_FALSE(MappingFlags(block).empty()) << "its first piece is still held";
    pieces.clear();
    EXPECT_TRUE(MappingFlags(block).empty());
    EXPECT_FALSE(MappingFlags(next.get()).empty());
}

}  // namespace
}  // namespace gdi
