// SPDX-License-Identifier: MIT
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

// Pieces follow each other, zero and 64-byte aligned, in huge-page slabs until one is full; a
// larger piece has a block of its own; a slab goes with its last piece.
TEST(CellSlabs, PiecesAreZeroAndShareHugePageBlocksThatGoWithTheirLastPiece) {
    CellSlabs slabs;
    constexpr std::size_t kPiece = CellSlabs::kMaxPieceBytes;
    std::vector<std::shared_ptr<std::uint8_t[]>> pieces{slabs.Allocate(100)};
    const std::uint8_t* block = pieces[0].get();
    const auto inBlock = [&](const std::uint8_t* p) {
        return p >= block && p < block + CellSlabs::kSlabBytes;
    };
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(block) % CellSlabs::kHugePage, 0u);
    EXPECT_NE(MappingFlags(block).find(" hg "), std::string::npos) << MappingFlags(block);
    for (const std::uint8_t* previous = block; inBlock(pieces.back().get());) {
        pieces.push_back(slabs.Allocate(kPiece));
        std::uint8_t* piece = pieces.back().get();
        ASSERT_TRUE(piece >= previous + 100 || !inBlock(piece));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(piece) % 64, 0u);
        EXPECT_EQ(std::count(piece, piece + kPiece, 0), static_cast<std::ptrdiff_t>(kPiece));
        std::fill_n(piece, kPiece, 0xA5);
        previous = piece;
    }
    const auto large = slabs.Allocate(kPiece + 1);
    EXPECT_EQ(std::pair(large[kPiece], inBlock(large.get())), std::pair(std::uint8_t{0}, false));
    EXPECT_GE(pieces.size(), 8u);
    const auto next = pieces.back();
    pieces.erase(pieces.begin() + 1, pieces.end());
    EXPECT_FALSE(MappingFlags(block).empty()) << "its first piece is still held";
    pieces.clear();
    EXPECT_EQ(std::pair(MappingFlags(block).empty(), MappingFlags(next.get()).empty()),
              std::pair(true, false));
}

}  // namespace
}  // namespace gdi
