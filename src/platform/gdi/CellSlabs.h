// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace gdi {

// Memory for the many small images of a strip's cells, carved out of large blocks instead of
// one allocation each. Blocks of 2 MiB and more are backed by huge pages, so a store of thousands
// of cells costs a few page faults instead of one per 4 KiB. A block goes back to the system
// when its last piece is released; pieces are not reused one by one, which suits a store whose
// cells are appended and dropped together. Any thread may ask for pieces.
class CellSlabs {
  public:
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
    static constexpr std::size_t kSlabBytes = 2 * kHugePage;
    // A larger piece gets a block of its own: a slab would hold only a few of them.
    static constexpr std::size_t kMaxPieceBytes = kSlabBytes / 8;

    // The slabs every cell store of the process shares.
    static CellSlabs& Shared();

    // A zeroed piece of `bytes` that keeps its block alive; null when there is no memory.
    std::shared_ptr<std::uint8_t[]> Allocate(std::size_t bytes);

  private:
    std::mutex m_Lock;
    std::shared_ptr<std::uint8_t[]> m_Slab;
    std::size_t m_Used = 0;
};

}  // namespace gdi
