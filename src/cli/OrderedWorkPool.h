// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
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
// for any number of workers. A worker takes a batch of consecutive indexes at a time, as many as
// make about kBatchBytes of results (a large one alone), and hands the batch back at once: small
// pieces of work would otherwise cost more in waking threads than in making them. Workers stay at
// most a few batches ahead of the caller, which bounds the memory the finished results hold. A
// failure thrown by a worker is thrown again on the calling thread when its turn comes.
template <typename Result>
class OrderedWorkPool {
  public:
    using Make = std::function<Result(std::size_t index)>;
    // False ends the run: no later result is taken.
    using Take = std::function<bool(std::size_t index, Result& result)>;
    // About how many bytes the result of an index holds.
    using Weigh = std::function<std::size_t(std::size_t index)>;

    static constexpr std::size_t kBatchBytes = std::size_t{128} << 10;
    static constexpr std::size_t kMaxBatch = 64;
    static constexpr std::size_t kAheadPerWorker = 4;
    // Batches a worker gets of the run at least, so that the last ones end close together.
    static constexpr std::size_t kBatchesPerWorker = 8;

    // One worker, or a single index, runs everything on the calling thread. Without weigh every
    // index is a batch of its own.
    static void Run(std::size_t count, unsigned workers, const Make& make, const Take& take,
                    const Weigh& weigh = {}) {
        if (workers <= 1 || count <= 1) {
            for (std::size_t index = 0; index < count; ++index) {
                Result result = make(index);
                if (!take(index, result)) {
                    return;
                }
            }
            return;
        }
        OrderedWorkPool pool(count, workers, make, weigh);
        pool.TakeInOrder(take);
    }

  private:
    struct Slot {
        bool ready = false;
        std::optional<Result> result;
        std::exception_ptr failure;
    };
    struct Batch {
        std::size_t begin = 0;
        std::size_t end = 0;
        std::size_t bytes = 0;
    };

    OrderedWorkPool(std::size_t count, unsigned workers, const Make& make, const Weigh& weigh)
        : m_Count(count),
          m_Make(make),
          m_Weigh(weigh),
          m_MaxBatch(std::clamp<std::size_t>(count / (std::size_t{workers} * kBatchesPerWorker), 1,
                                             kMaxBatch)),
          m_MaxAheadBytes(kAheadPerWorker * workers * kBatchBytes),
          m_Slots(kAheadPerWorker * workers * m_MaxBatch) {
        for (unsigned i = 0; i < workers && i < count; ++i) {
            m_Workers.emplace_back([this](std::stop_token stop) { Work(stop); });
        }
    }

    std::size_t Weight(std::size_t index) const { return m_Weigh ? m_Weigh(index) : kBatchBytes; }

    // Under the lock: the next batch, empty while the caller has to catch up first.
    Batch Claim() {
        Batch batch{m_Next, m_Next, 0};
        const std::size_t room = std::min(m_Count, m_Taken + m_Slots.size());
        if (m_AheadBytes >= m_MaxAheadBytes && m_Next > m_Taken) {
            return batch;
        }
        while (batch.end < room && batch.end - batch.begin < m_MaxBatch &&
               (batch.bytes == 0 || batch.bytes + Weight(batch.end) <= kBatchBytes)) {
            batch.bytes += Weight(batch.end++);
        }
        m_Next = batch.end;
        m_AheadBytes += batch.bytes;
        return batch;
    }

    void Work(std::stop_token stop) {
        std::vector<Slot> done;
        for (;;) {
            Batch batch;
            {
                std::unique_lock hold(m_Lock);
                const bool go = m_RoomFree.wait(hold, stop, [&] {
                    if (m_Next >= m_Count) {
                        return true;
                    }
                    batch = Claim();
                    return batch.end > batch.begin;
                });
                if (!go || batch.end == batch.begin) {
                    return;
                }
            }
            done.clear();
            for (std::size_t index = batch.begin; index < batch.end; ++index) {
                Slot& slot = done.emplace_back(Slot{true, std::nullopt, nullptr});
                try {
                    slot.result.emplace(m_Make(index));
                } catch (...) {
                    slot.failure = std::current_exception();
                }
            }
            bool wanted = false;
            {
                const std::lock_guard hold(m_Lock);
                for (std::size_t index = batch.begin; index < batch.end; ++index) {
                    m_Slots[index % m_Slots.size()] = std::move(done[index - batch.begin]);
                }
                wanted = m_Taken >= batch.begin && m_Taken < batch.end;
            }
            if (wanted) {
                m_ResultReady.notify_one();
            }
        }
    }

    // Takes every ready result in order under one hold of the lock, then hands them on.
    void TakeInOrder(const Take& take) {
        std::vector<Slot> ready;
        for (std::size_t index = 0; index < m_Count;) {
            ready.clear();
            {
                std::unique_lock hold(m_Lock);
                m_ResultReady.wait(hold, [&] { return m_Slots[index % m_Slots.size()].ready; });
                for (std::size_t next = index;
                     next < m_Count && m_Slots[next % m_Slots.size()].ready; ++next) {
                    ready.push_back(std::exchange(m_Slots[next % m_Slots.size()], Slot{}));
                    m_AheadBytes -= Weight(next);
                    ++m_Taken;
                }
            }
            m_RoomFree.notify_all();
            for (Slot& slot : ready) {
                if (slot.failure) {
                    std::rethrow_exception(slot.failure);
                }
                if (!take(index++, *slot.result)) {
                    return;
                }
            }
        }
    }

    const std::size_t m_Count;
    const Make& m_Make;
    const Weigh& m_Weigh;
    const std::size_t m_MaxBatch;
    const std::size_t m_MaxAheadBytes;
    std::mutex m_Lock;
    std::condition_variable m_ResultReady;
    std::condition_variable_any m_RoomFree;
    std::size_t m_Next = 0;
    std::size_t m_Taken = 0;
    std::size_t m_AheadBytes = 0;
    std::vector<Slot> m_Slots;
    // Last, so that the workers are stopped and joined before anything they use goes.
    std::vector<std::jthread> m_Workers;
};
