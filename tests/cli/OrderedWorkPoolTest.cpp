// SPDX-License-Identifier: MIT
#include "cli/OrderedWorkPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

using Pool = OrderedWorkPool<std::size_t>;

// Small results share batches, a large one goes alone, none weighed: one index a batch. However
// many workers, every index is made once and taken in order; a stop takes nothing later and a
// worker's failure comes out in its turn, after every result before it.
TEST(OrderedWorkPool, BatchesHandBackInOrderStopAndFailInTurn) {
    const Pool::Weigh weighs[] = {
        {},
        [](std::size_t) { return std::size_t{1024}; },
        [](std::size_t i) { return i % 7 == 0 ? Pool::kBatchBytes * 2 : std::size_t{5000}; }};
    for (const std::size_t count : {0u, 1u, 5u, 3000u}) {
        for (const unsigned workers : {1u, 2u, 3u}) {
            for (const Pool::Weigh& weigh : weighs) {
                SCOPED_TRACE(testing::Message() << count << " by " << workers);
                std::vector<std::atomic<int>> made(count);
                std::vector<std::size_t> taken;
                Pool::Run(
                    count, workers, [&](std::size_t i) { return ++made[i], i * 3; },
                    [&](std::size_t i, std::size_t& r) { return taken.push_back(r / 3 - i), true; },
                    weigh);
                EXPECT_EQ(taken, std::vector<std::size_t>(count, 0));
                EXPECT_TRUE(std::all_of(made.begin(), made.end(), [](auto& n) { return n == 1; }));
                const std::size_t last = count / 2;
                std::size_t after = 0;
                Pool::Run(
                    count, workers, [](std::size_t i) { return i; },
                    [&](std::size_t i, std::size_t&) { return after += i > last, i < last; },
                    weigh);
                EXPECT_EQ(after, 0u);
                std::size_t before = 0;
                const auto failAtLast = [&](std::size_t i) {
                    return i == last ? throw std::runtime_error("bad") : i;
                };
                if (count > 0) {
                    EXPECT_THROW(
                        Pool::Run(
                            count, workers, failAtLast,
                            [&](std::size_t, std::size_t&) { return ++before, true; }, weigh),
                        std::runtime_error);
                    EXPECT_EQ(before, last);
                }
            }
        }
    }
}

}  // namespace
