#include "platform/gdi/PixelBudget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "platform/gdi/Bitmap.h"

namespace {

using gdi::PixelBudget;
constexpr std::size_t kMiB = std::size_t{1} << 20;

// A worker that charges a picture of `first` bytes and then `then` bytes in a scope of its own
// and holds them until let go.
class Worker {
  public:
    Worker(PixelBudget& budget, std::size_t first, std::size_t then = 0)
        : m_Thread([this, &budget, first, then] {
              const PixelBudget::Scope scope(budget);
              PixelBudget::Charge(first);
              PixelBudget::Charge(then);
              m_Charged = true;
              while (!m_Release) {
                  std::this_thread::yield();
              }
          }) {}
    ~Worker() { Release(); }
    bool Charged() const { return m_Charged; }
    void Release() {
        m_Release = true;
        if (m_Thread.joinable()) {
            m_Thread.join();
        }
    }
    void AwaitCharged() const {
        while (!m_Charged) {
            std::this_thread::yield();
        }
    }

  private:
    std::atomic<bool> m_Charged{false};
    std::atomic<bool> m_Release{false};
    std::thread m_Thread;
};

void AwaitWaiting(const PixelBudget& budget, int count) {
    while (budget.Waiting() != count) {
        std::this_thread::yield();
    }
}

TEST(PixelBudget, OutsideAScopeAndBelowTheCountedSizeNothingIsHeld) {
    PixelBudget budget(10 * kMiB);
    PixelBudget::Charge(100 * kMiB);
    {
        const PixelBudget::Scope scope(budget);
        PixelBudget::Charge(PixelBudget::kCountedBytes - 1);
        EXPECT_EQ(budget.Held(), 0u);
        // A bitmap made inside a scope is charged at its row bytes times height.
        EXPECT_NE(gdi::Bitmap::Create(1024, 512, 24), nullptr);
        EXPECT_EQ(budget.Held(), 1024u * 3 * 512);
    }
    EXPECT_EQ(budget.Held(), 0u);
}

// A second picture waits while the first holds too much; the first's later bitmaps never wait.
TEST(PixelBudget, APictureWaitsForRoomAndOneLargerThanAllOfItIsDecodedAlone) {
    PixelBudget budget(10 * kMiB);
    Worker first(budget, 6 * kMiB, 6 * kMiB);
    first.AwaitCharged();
    EXPECT_EQ(budget.Held(), 12 * kMiB);
    Worker second(budget, 6 * kMiB);
    AwaitWaiting(budget, 1);
    EXPECT_FALSE(second.Charged());
    first.Release();
    second.AwaitCharged();
    EXPECT_EQ(budget.Held(), 6 * kMiB);

    Worker huge(budget, 30 * kMiB);
    AwaitWaiting(budget, 1);
    second.Release();
    huge.AwaitCharged();
    Worker after(budget, 1 * kMiB);
    AwaitWaiting(budget, 1);
    EXPECT_EQ(budget.Held(), 30 * kMiB);
    huge.Release();
    after.AwaitCharged();
    EXPECT_EQ(budget.Held(), 1 * kMiB);
}

}  // namespace
