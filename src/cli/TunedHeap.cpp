// SPDX-License-Identifier: MIT
#include "cli/TunedHeap.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

constexpr std::size_t kMmapThreshold = std::size_t{32} << 20;
constexpr std::size_t kTrimThreshold = std::size_t{256} << 20;
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

}  // namespace

void TunedHeap::Apply() {
#if defined(__GLIBC__)
    // Blocks below 32 MiB come from the heap and are reused; larger ones are mapped (and given
    // huge pages by the bitmap allocator) and unmapped when freed.
    ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(kMmapThreshold));
    ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(kTrimThreshold));
    ::mallopt(M_ARENA_MAX, 1);
    PreferHugePagesForHeap();
#endif
}

// Grows the heap by a block just below the mapping threshold and advises its pages; freed, it
// stays the heap's (the trim threshold is far above it), and the pictures of every worker are
// carved from it again and again. Untouched, it costs no memory.
void TunedHeap::PreferHugePagesForHeap() {
    constexpr std::size_t kBlock = kMmapThreshold - kHugePage;
    void* block = std::malloc(kBlock);
    if (block == nullptr) {
        return;
    }
    const auto first = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t start = (first + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (first + kBlock) & ~(kHugePage - 1);
    if (end > start) {
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    }
    std::free(block);
}
