// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

// Makes a result for each index from 0 to count - 1 on worker threads and hands the results to
// the calling thread strictly in index order, so that what the caller does with them is the same
// for any number of workers. Workers stay at most a few results ahead of the caller, which
// bounds the memory the finished results hold. A failure thrown by a worker is thrown again on
// the calling thread when its turn comes.
template <typename Result>
class OrderedWorkPool {
  public:
    using Make = std::function<Result(std::size_t index)>;
    // False ends the run: no later result is taken.
    using Take = std::function<bool(std::size_t index, Result& result)>;

    static constexpr std::size_t kAheadPerWorker = 4;

    // One worker, or a single index, runs everything on the calling thread.
    static void Run(std::size_t count, unsigned workers, const Make& make, const Take& take) {
        if (workers <= 1 || count <= 1) {
            for (std::size_t index = 0; index < count; ++index) {
                Result result = make(index);
                if (!take(index, result)) {
                    return;
                }
            }
            return;
        }
        OrderedWorkPool pool(count, workers, make);
        pool.TakeInOrder(take);
    }

  private:
    struct Slot {
        bool ready = false;
        std::optional<Result> result;
        std::exception_ptr failure;
    };

    OrderedWorkPool(std::size_t count, unsigned workers, const Make& make)
        : m_Count(count), m_Make(make), m_Slots(kAheadPerWorker * workers) {
        for (unsigned i = 0; i < workers && i < count; ++i) {
            m_Workers.emplace_back([this](std::stop_token stop) { Work(stop); });
        }
    }

    void Work(std::stop_token stop) {
        for (;;) {
            std::size_t index = 0;
            {
                std::unique_lock hold(m_Lock);
                const bool go = m_Changed.wait(hold, stop, [this] {
                    return m_Next >= m_Count || m_Next < m_Taken + m_Slots.size();
                });
                if (!go || m_Next >= m_Count) {
                    return;
                }
                index = m_Next++;
            }
            Slot done{true, std::nullopt, nullptr};
            try {
                done.result.emplace(m_Make(index));
            } catch (...) {
                done.failure = std::current_exception();
            }
            {
                const std::lock_guard hold(m_Lock);
                m_Slots[index % m_Slots.size()] = std::move(done);
            }
            m_Changed.notify_all();
        }
    }

    void TakeInOrder(const Take& take) {
        for (std::size_t index = 0; index < m_Count; ++index) {
            Slot slot;
            {
                std::unique_lock hold(m_Lock);
                Slot& waited = m_Slots[index % m_Slots.size()];
                m_Changed.wait(hold, [&waited] { return waited.ready; });
                slot = std::exchange(waited, Slot{});
                ++m_Taken;
            }
            m_Changed.notify_all();
            if (slot.failure) {
                std::rethrow_exception(slot.failure);
            }
            if (!take(index, *slot.result)) {
                return;
            }
        }
    }

    const std::size_t m_Count;
    const Make& m_Make;
    std::mutex m_Lock;
    std::condition_variable_any m_Changed;
    std::size_t m_Next = 0;
    std::size_t m_Taken = 0;
    std::vector<Slot> m_Slots;
    // Last, so that the workers are stopped and joined before anything they use goes.
    std::vector<std::jthread> m_Workers;
};
