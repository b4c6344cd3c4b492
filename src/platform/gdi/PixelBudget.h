// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace gdi {

// One budget of pixel bytes shared by the workers that decode pictures at the same time, so that
// memory does not grow with their number. A worker opens a Scope around one picture; the large
// bitmaps made on its thread while the scope lives are counted against the budget until it
// ends. The first of them waits until the budget has room for it, or, when it is larger than
// the whole budget, until nothing else is held, so that it is decoded alone. Later ones in the
// same scope never wait: a worker holding bytes while waiting for more could wait forever.
class PixelBudget {
  public:
    // Bitmaps below this size (cells, icons) are not counted; they pass freely.
    static constexpr std::size_t kCountedBytes = std::size_t{1} << 20;

    explicit PixelBudget(std::size_t bytes) : m_Total(bytes) {}
    PixelBudget(const PixelBudget&) = delete;
    PixelBudget& operator=(const PixelBudget&) = delete;

    // 1 GiB, or a quarter of the physical memory when that is less.
    static std::size_t DefaultBytes();

    class Scope {
      public:
        explicit Scope(PixelBudget& budget);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        friend class PixelBudget;
        PixelBudget& m_Budget;
        Scope* m_Outer;
        std::size_t m_Held = 0;
        // Reserved bytes that no bitmap has taken over yet.
        std::size_t m_Unclaimed = 0;
    };

    // Holds bytes in the thread's scope for pixels made outside this process (the fallback
    // decoder's), waiting for room as the scope's first bitmap would. The scope's bitmaps take
    // the reserved bytes over instead of being counted again; what none took is given back when
    // the reservation ends. Outside a scope, or below the counted size, it holds nothing.
    class Reservation {
      public:
        explicit Reservation(std::size_t bytes);
        ~Reservation();
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;

      private:
        Scope* m_Scope;
        std::size_t m_Bytes = 0;
    };

    // Called before a bitmap of that many bytes is made; outside a scope it does nothing.
    static void Charge(std::size_t bytes);

    std::size_t Held() const;
    // The most that was held at once, for figures.
    std::size_t Peak() const;
    int Waiting() const;

  private:
    void Take(Scope& scope, std::size_t bytes);
    void Give(Scope& scope, std::size_t bytes);

    const std::size_t m_Total;
    mutable std::mutex m_Lock;
    std::condition_variable m_Freed;
    std::size_t m_Held = 0;
    std::size_t m_Peak = 0;
    int m_Waiting = 0;
};

}  // namespace gdi
