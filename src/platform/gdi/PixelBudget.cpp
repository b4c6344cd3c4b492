// SPDX-License-Identifier: MIT
#include "platform/gdi/PixelBudget.h"

#include <unistd.h>

#include <algorithm>

namespace gdi {

namespace {

thread_local PixelBudget::Scope* t_Scope = nullptr;

}  // namespace

std::size_t PixelBudget::DefaultBytes() {
    constexpr std::size_t kMost = std::size_t{1} << 30;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return kMost;
    }
    return std::min(kMost,
                    static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize) / 4);
}

PixelBudget::Scope::Scope(PixelBudget& budget) : m_Budget(budget), m_Outer(t_Scope) {
    t_Scope = this;
}

PixelBudget::Scope::~Scope() {
    t_Scope = m_Outer;
    m_Budget.Give(*this, m_Held);
}

PixelBudget::Reservation::Reservation(std::size_t bytes) : m_Scope(t_Scope) {
    if (m_Scope != nullptr && bytes >= kCountedBytes) {
        m_Scope->m_Budget.Take(*m_Scope, bytes);
        m_Scope->m_Unclaimed += bytes;
        m_Bytes = bytes;
    }
}

PixelBudget::Reservation::~Reservation() {
    if (m_Bytes > 0) {
        const std::size_t unclaimed = std::min(m_Bytes, m_Scope->m_Unclaimed);
        m_Scope->m_Unclaimed -= unclaimed;
        m_Scope->m_Budget.Give(*m_Scope, unclaimed);
    }
}

void PixelBudget::Charge(std::size_t bytes) {
    if (t_Scope == nullptr || bytes < kCountedBytes) {
        return;
    }
    const std::size_t claimed = std::min(bytes, t_Scope->m_Unclaimed);
    t_Scope->m_Unclaimed -= claimed;
    if (bytes > claimed) {
        t_Scope->m_Budget.Take(*t_Scope, bytes - claimed);
    }
}

void PixelBudget::Take(Scope& scope, std::size_t bytes) {
    std::unique_lock lock(m_Lock);
    if (scope.m_Held == 0) {
        ++m_Waiting;
        m_Freed.wait(lock, [&] { return m_Held == 0 || m_Held + bytes <= m_Total; });
        --m_Waiting;
    }
    m_Held += bytes;
    m_Peak = std::max(m_Peak, m_Held);
    scope.m_Held += bytes;
}

void PixelBudget::Give(Scope& scope, std::size_t bytes) {
    if (bytes == 0) {
        return;
    }
    {
        const std::lock_guard lock(m_Lock);
        m_Held -= bytes;
        scope.m_Held -= bytes;
    }
    m_Freed.notify_all();
}

std::size_t PixelBudget::Held() const {
    const std::lock_guard lock(m_Lock);
    return m_Held;
}

std::size_t PixelBudget::Peak() const {
    const std::lock_guard lock(m_Lock);
    return m_Peak;
}

int PixelBudget::Waiting() const {
    const std::lock_guard lock(m_Lock);
    return m_Waiting;
}

}  // namespace gdi
