// SPDX-License-Identifier: MIT
#include "app/StripHistory.h"

#include <algorithm>

void StripHistory::Reset(Step current) {
    m_Steps.clear();
    m_Steps.push_back(std::move(current));
    m_Current = 0;
}

void StripHistory::Record(Step next) {
    m_Steps.erase(m_Steps.begin() + static_cast<std::ptrdiff_t>(m_Current) + 1, m_Steps.end());
    m_Steps.push_back(std::move(next));
    m_Current = m_Steps.size() - 1;
}

const StripHistory::Step& StripHistory::Undo() {
    if (CanUndo()) {
        --m_Current;
    }
    return m_Steps[m_Current];
}

const StripHistory::Step& StripHistory::Redo() {
    if (CanRedo()) {
        ++m_Current;
    }
    return m_Steps[m_Current];
}

bool StripHistory::NamesImages() const {
    return std::any_of(m_Steps.begin(), m_Steps.end(), [this](const Step& step) {
        return InCurrentLayer(step) && !step.cells.empty();
    });
}

bool StripHistory::TrimToLimit(int storedImages, std::size_t bytesPerImage) {
    const std::vector<int>& strip = m_Steps[m_Current].cells;
    const auto outside =
        static_cast<std::size_t>(std::max<int>(storedImages - static_cast<int>(strip.size()), 0));
    if (outside * bytesPerImage <= m_HeldBytesLimit) {
        return false;
    }
    const auto size = static_cast<std::size_t>(storedImages);
    std::vector<bool> inStrip(size);
    for (const int cell : strip) {
        inStrip[static_cast<std::size_t>(cell)] = true;
    }
    // How many other steps name each image, and how many images only they name.
    std::vector<int> named(size);
    std::size_t held = 0;
    auto count = [&](const Step& step, int change) {
        if (!InCurrentLayer(step)) {
            return;
        }
        for (const int cell : step.cells) {
            const auto at = static_cast<std::size_t>(cell);
            const bool wasHeld = named[at] > 0;
            named[at] += change;
            if (!inStrip[at] && wasHeld != (named[at] > 0)) {
                held = change > 0 ? held + 1 : held - 1;
            }
        }
    };
    for (std::size_t i = 0; i < m_Steps.size(); ++i) {
        if (i != m_Current) {
            count(m_Steps[i], 1);
        }
    }
    while (held * bytesPerImage > m_HeldBytesLimit && m_Steps.size() > 1) {
        if (m_Current > 0) {
            count(m_Steps.front(), -1);
            m_Steps.pop_front();
            --m_Current;
        } else {
            count(m_Steps.back(), -1);
            m_Steps.pop_back();
        }
    }
    return true;
}

std::vector<int> StripHistory::NamedImages() const {
    std::vector<int> images;
    for (const Step& step : m_Steps) {
        if (!InCurrentLayer(step)) {
            continue;
        }
        images.insert(images.end(), step.cells.begin(), step.cells.end());
    }
    std::sort(images.begin(), images.end());
    images.erase(std::unique(images.begin(), images.end()), images.end());
    return images;
}

void StripHistory::Renumber(const std::vector<int>& newIndex) {
    for (Step& step : m_Steps) {
        if (!InCurrentLayer(step)) {
            continue;
        }
        for (int& cell : step.cells) {
            cell = newIndex[static_cast<std::size_t>(cell)];
        }
    }
}
