// SPDX-License-Identifier: MIT
#include "platform/gdi/PixelBudget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/gdi/Bitmap.h"

namespace {

using gdi::PixelBudget;
constexpr std::size_t kMiB = std::size_t{1} << 20;

// In a scope of its own, charges `first` and then `then` bytes and holds them until let go.
struct Worker {
    Worker(PixelBudget& budget, std::size_t first, std::size_t then = 0)
        : thread([=, this, &budget] {
              const PixelBudget::Scope scope(budget);
              PixelBudget::Charge(first);
              PixelBudget::Charge(then);
              charged = true;
              while (!released) {
                  std::this_thread::yield();
              }
          }) {}
    ~Worker() { Release(); }
    void Release() {
        released = true;
        if (thread.joinable()) {
            thread.join();
        }
    }
    std::atomic<bool> charged{false}, released{false};
    std::thread thread;
};

template <typename Condition>
void Await(Condition condition) {
    while (!condition()) {
        std::this_thread::yield();
    }
}

// Bitmaps count at their row bytes times height, only inside a scope and from 1 MiB up. A
// picture waits while others hold too much; a worker's later bitmaps never wait; one larger than
// the whole budget waits until nothing is held and then holds everyone else off.
TEST(PixelBudget, PicturesWaitForRoomAndOneLargerThanAllOfItIsDecodedAlone) {
    PixelBudget budget(10 * kMiB);
    PixelBudget::Charge(100 * kMiB);
    {
        const PixelBudget::Scope scope(budget);
        PixelBudget::Charge(PixelBudget::kCountedBytes - 1);
        EXPECT_NE(gdi::Bitmap::Create(1024, 512, 24), nullptr);
        EXPECT_EQ(budget.Held(), 1024u * 3 * 512);
    }
    EXPECT_EQ(budget.Held(), 0u);

    Worker first(budget, 6 * kMiB, 6 * kMiB);
    Await([&] { return first.charged.load(); });
    Worker second(budget, 6 * kMiB);
    Await([&] { return budget.Waiting() == 1; });
    EXPECT_EQ(std::pair(budget.Held(), second.charged.load()), std::pair(12 * kMiB, false));
    first.Release();
    Await([&] { return second.charged.load(); });
    Worker huge(budget, 30 * kMiB);
    Await([&] { return budget.Waiting() == 1; });
    second.Release();
    Await([&] { return huge.charged.load(); });
    Worker after(budget, 1 * kMiB);
    Await([&] { return budget.Waiting() == 1; });
    EXPECT_EQ(budget.Held(), 30 * kMiB);
    huge.Release();
    Await([&] { return after.charged.load(); });
    EXPECT_EQ(budget.Held(), 1 * kMiB);
}

}  // namespace
