// SPDX-License-Identifier: MIT
#include "platform/gdi/CellSlabs.h"

#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace gdi {
namespace {

constexpr std::size_t kPageBytes = 4096;
constexpr std::size_t kPieceAlignment = 64;
#if defined(__SANITIZE_ADDRESS__)
// Checked builds keep a poisoned gap after every piece, so that running past a cell is caught as
// it would be between separate allocations.
constexpr std::size_t kRedZone = 64;
void MarkUnusable(std::uint8_t* start, std::size_t bytes) {
    ASAN_POISON_MEMORY_REGION(start, bytes);
}
void MarkUsable(std::uint8_t* start, std::size_t bytes) {
    ASAN_UNPOISON_MEMORY_REGION(start, bytes);
}
#else
constexpr std::size_t kRedZone = 0;
void MarkUnusable(std::uint8_t*, std::size_t) {}
void MarkUsable(std::uint8_t*, std::size_t) {}
#endif

std::size_t RoundUp(std::size_t value, std::size_t step) {
    return (value + step - 1) / step * step;
}

// Fresh anonymous memory, zero until written. A block of huge-page size or more starts on a
// huge-page boundary and asks for huge pages, which it only gets when it is aligned.
std::shared_ptr<std::uint8_t[]> MapBlock(std::size_t bytes) {
    const std::size_t length = RoundUp(bytes, kPageBytes);
    const bool huge = length >= CellSlabs::kHugePage;
    const std::size_t reserved = huge ? length + CellSlabs::kHugePage : length;
    void* mapped =
        ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        return nullptr;
    }
    auto* start = static_cast<std::uint8_t*>(mapped);
    if (huge) {
        auto* aligned = reinterpret_cast<std::uint8_t*>(
            RoundUp(reinterpret_cast<std::uintptr_t>(start), CellSlabs::kHugePage));
        const std::size_t head = static_cast<std::size_t>(aligned - start);
        if (head != 0) {
            ::munmap(start, head);
        }
        if (reserved - head > length) {
            ::munmap(aligned + length, reserved - head - length);
        }
        start = aligned;
        ::madvise(start, length, MADV_HUGEPAGE);
    }
    return std::shared_ptr<std::uint8_t[]>(start, [length](std::uint8_t* block) {
        MarkUsable(block, length);
        ::munmap(block, length);
    });
}

}  // namespace

CellSlabs& CellSlabs::Shared() {
    static CellSlabs slabs;
    return slabs;
}

std::shared_ptr<std::uint8_t[]> CellSlabs::Allocate(std::size_t bytes) {
    if (bytes > kMaxPieceBytes) {
        return MapBlock(bytes);
    }
    const std::size_t taken = RoundUp(bytes + kRedZone, kPieceAlignment);
    const std::lock_guard lock(m_Lock);
    if (!m_Slab || kSlabBytes - m_Used < taken) {
        m_Slab = MapBlock(kSlabBytes);
        m_Used = 0;
        if (!m_Slab) {
            return nullptr;
        }
    }
    std::uint8_t* piece = m_Slab.get() + m_Used;
    m_Used += taken;
    MarkUnusable(piece + bytes, taken - bytes);
    // Shares the block's ownership while pointing at the piece.
    return std::shared_ptr<std::uint8_t[]>(m_Slab, piece);
}

}  // namespace gdi
