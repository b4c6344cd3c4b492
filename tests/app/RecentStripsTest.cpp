// SPDX-License-Identifier: MIT
#include "app/RecentStrips.h"

#include <gtest/gtest.h>

#include "support/TempFolder.h"

namespace {

// Newest first, each file once however it is written, at most eight; kept lists are cleaned the
// same way; files and folders that have gone or are no files drop out.
TEST(RecentStrips, NewestFirstEachFileOnceAtMostEightAndMissingFilesDropOut) {
    TempFolder folder;
    const auto path = [&](int i) {
        const std::string file = folder.File(std::to_string(i) + ".bmp");
        TempFolder::Write(file, {1});
        return std::filesystem::path(file).lexically_normal().string();
    };
    RecentStrips recent;
    for (int i = 0; i < 10; ++i) {
        recent.Add(path(i));
    }
    recent.Add(folder.Path() + "/sub/../4.bmp");
    const std::vector<std::string> expected{path(4), path(9), path(8), path(7),
                                            path(6), path(5), path(3), path(2)};
    EXPECT_EQ(recent.Paths(), expected);
    std::vector<std::string> kept{"", path(1), path(1)};
    kept.insert(kept.end(), expected.begin(), expected.end());
    EXPECT_EQ(RecentStrips(kept).Paths(), (std::vector{path(1), path(4), path(9), path(8), path(7),
                                                       path(6), path(5), path(3)}));
    std::filesystem::remove(path(9));
    recent.Add(folder.Path());
    recent.DropMissing();
    EXPECT_EQ(recent.Paths(), (std::vector{path(4), path(8), path(7), path(6), path(5), path(3)}));
}

}  // namespace
