// SPDX-License-Identifier: MIT
#include "cli/ProgressBar.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(ProgressBar, LineShowsTheBarCountAndRate) {
    struct Case {
        int done, total;
        double seconds;
        const char* line;
    };
    const Case cases[] = {
        {0, 1000, 0.0, "[....................] 0/1000  0/s"},
        {412, 1000, 0.5, "[########............] 412/1000  824/s"},
        {999, 1000, 3.0, "[###################.] 999/1000  333/s"},
        {1000, 1000, 0.001, "[####################] 1000/1000  1000000/s"},
        {1200, 1000, 2.0, "[####################] 1000/1000  500/s"},
        {-3, 60, 1.0, "[....................] 0/60  0/s"},
        {5, 0, 1.0, "[....................] 0/0  0/s"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressBar::Line(c.done, c.total, c.seconds), c.line) << c.done;
    }
}

// Away from a terminal the lines stay what logs have always shown; short runs show nothing.
TEST(ProgressBar, LinesEveryStepWhenNoTerminalAndOneBarOnIt) {
    for (const auto& [total, shown] :
         {std::pair{120,
                    "tilewright-cli: 50 of 120\ntilewright-cli: 100 of 120\n"
                    "tilewright-cli: 120 of 120\n"},
          std::pair{50, ""}}) {
        std::ostringstream out;
        ProgressBar bar(out, total, false);
        for (int done = 1; done <= total; ++done) {
            bar.Show(done);
        }
        EXPECT_EQ(out.str(), shown) << total;
    }
    // On a terminal one bar is redrawn, ending with its full line.
    std::ostringstream out;
    ProgressBar bar(out, 51, true);
    for (int done = 1; done <= 51; ++done) {
        bar.Show(done);
    }
    const std::string text = out.str();
    const std::string full = "\r[####################] 51/51  ";
    EXPECT_EQ(text.compare(text.rfind('\r'), full.size(), full), 0) << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "one line, ended once";
}

}  // namespace
