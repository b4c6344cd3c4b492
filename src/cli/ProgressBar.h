// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

// How far a long run has come. On a terminal one bar is redrawn in place and ended with a
// newline; elsewhere a line is written every kStep items and at the end, for logs.
class ProgressBar {
  public:
    // Runs of at most kStep items are too short to report.
    static constexpr int kStep = 50;
    static constexpr int kWidth = 20;

    // A total of 0 shows nothing.
    ProgressBar(std::ostream& stream, int total, bool terminal);
    void Show(int done);

    // "[##########..........] 500/1000  830/s": the bar, the count and the items a second.
    static std::string Line(int done, int total, double seconds);

  private:
    using Clock = std::chrono::steady_clock;

    std::ostream& m_Stream;
    int m_Total;
    bool m_Terminal;
    Clock::time_point m_Start = Clock::now();
    Clock::time_point m_Drawn{};
};
