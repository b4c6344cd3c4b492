// SPDX-License-Identifier: MIT
#include "cli/ProgressBar.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace {

// A terminal redrawn for every one of 10,000 small icons would cost more than the icons.
constexpr std::chrono::milliseconds kRedrawInterval{100};

}  // namespace

ProgressBar::ProgressBar(std::ostream& stream, int total, bool terminal)
    : m_Stream(stream), m_Total(total > kStep ? total : 0), m_Terminal(terminal) {}

void ProgressBar::Show(int done) {
    if (m_Total == 0) {
        return;
    }
    const bool last = done == m_Total;
    if (!m_Terminal) {
        if (done % kStep == 0 || last) {
            m_Stream << "tilewright-cli: " << done << " of " << m_Total << "\n";
        }
        return;
    }
    const Clock::time_point now = Clock::now();
    if (!last && now - m_Drawn < kRedrawInterval) {
        return;
    }
    m_Drawn = now;
    const std::chrono::duration<double> seconds = now - m_Start;
    m_Stream << "\r" << Line(done, m_Total, seconds.count()) << (last ? "\n" : "") << std::flush;
}

std::string ProgressBar::Line(int done, int total, double seconds) {
    const int shown = std::clamp(done, 0, std::max(total, 0));
    const int filled =
        total > 0 ? static_cast<int>(static_cast<long long>(shown) * kWidth / total) : 0;
    const long long rate = seconds > 0 ? std::llround(shown / seconds) : 0;
    std::string line(1, '[');
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kWidth - filled), '.');
    return line + "] " + std::to_string(shown) + "/" + std::to_string(total) + "  " +
           std::to_string(rate) + "/s";
}
