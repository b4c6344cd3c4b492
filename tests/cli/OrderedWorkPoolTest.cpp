// SPDX-License-Identifier: MIT
#include "cli/OrderedWorkPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <stdexcept>
#include <vector>

namespace {

using Pool = OrderedWorkPool<std::size_t>;

std::vector<std::size_t> Upto(std::size_t end) {
    std::vector<std::size_t> indexes(end);
    std::iota(indexes.begin(), indexes.end(), std::size_t{0});
    return indexes;
}

// Unweighed (one index a batch), small results sharing batches, a large one alone among them:
// for any worker count each index is made once and taken in order; a stop at the middle takes
// nothing later, and a failure there comes out after every result before it.
TEST(OrderedWorkPool, BatchesComeBackInOrderAndStopOrFailInTurn) {
    const Pool::Weigh weighs[] = {
        {},
        [](std::size_t) { return std::size_t{1024}; },
        [](std::size_t i) { return i % 7 != 0 ? std::size_t{5000} : 2 * Pool::kBatchBytes; }};
    for (const std::size_t count : {1u, 5u, 3000u}) {
        for (const unsigned workers : {1u, 2u, 3u}) {
            for (const Pool::Weigh& weigh : weighs) {
                SCOPED_TRACE(testing::Message() << count << " by " << workers);
                const std::size_t middle = count / 2;
                std::vector<std::atomic<int>> made(count);
                std::vector<std::size_t> taken;
                const auto take = [&](std::size_t i, std::size_t& r) {
                    taken.push_back(r - i);
                    return i != middle;
                };
                Pool::Run(
                    count, workers, [&](std::size_t i) { return ++made[i], 2 * i; },
                    [&](std::size_t i, std::size_t& r) { return take(i, r), true; }, weigh);
                EXPECT_TRUE(taken == Upto(count) &&
                            std::ranges::all_of(made, [](auto& n) { return n == 1; }));
                taken.clear();
                Pool::Run(
                    count, workers, [](std::size_t i) { return 2 * i; }, take, weigh);
                EXPECT_EQ(taken, Upto(middle + 1));
                taken.clear();
                const auto failAtMiddle = [&](std::size_t i) {
                    return i == middle ? throw std::runtime_error("middle") : 2 * i;
                };
                EXPECT_THROW(Pool::Run(count, workers, failAtMiddle, take, weigh),
                             std::runtime_error);
                EXPECT_EQ(taken, Upto(middle));
            }
        }
    }
}

}  // namespace
