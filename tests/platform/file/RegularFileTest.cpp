// SPDX-License-Identifier: MIT
#include "platform/file/RegularFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// Devices, pipes and folders are refused at once, without reading or waiting.
TEST(RegularFile, OnlyRegularFilesWithinTheLimitAreRead) {
    const TempFolder scratch;
    const fs::path folder = scratch.Path();
    const std::string file = (folder / "three.bin").string(), pipe = (folder / "pipe").string();
    testsupport::WriteFileBytes(file, {1, 2, 3});
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(RegularFile::Read(file).Value(), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(RegularFile::Read(file, 3).Value(), (std::vector<std::uint8_t>{1, 2, 3}));
    const std::string missing = (folder / "missing").string();
    // What the system said, and about which path; a file over the limit is no system failure.
    const std::tuple<std::string, std::uint64_t, int> refused[] = {
        {file, 2, 0},
        {"/dev/zero", RegularFile::kMaxBytes, EINVAL},
        {pipe, 1 << 20, EINVAL},
        {folder.string(), RegularFile::kMaxBytes, EISDIR},
        {"/dev/null", 64, EINVAL},
        {missing, 64, ENOENT}};
    for (const auto& [path, limit, errno_] : refused) {
        const auto read = RegularFile::Read(path, limit);
        ASSERT_FALSE(read) << path;
        EXPECT_EQ(std::pair(read.Error().Errno(), read.Error().Path()),
                  std::pair(errno_, errno_ == 0 ? std::string() : path));
        if (path != file) {
            EXPECT_EQ(RegularFile::OpenForReading(path), -1) << path;
        }
    }
    EXPECT_EQ(RegularFile::Read(missing).Error().Text(), "Error: 2\nNo such file or directory");
}

}  // namespace
