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
    EXPECT_EQ(RegularFile::Read(file), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(RegularFile::Read(file, 3), (std::vector<std::uint8_t>{1, 2, 3}));
    const std::pair<std::string, std::uint64_t> refused[] = {
        {file, 2},         {"/dev/zero", RegularFile::kMaxBytes},
        {pipe, 1 << 20},   {folder.string(), RegularFile::kMaxBytes},
        {"/dev/null", 64}, {(folder / "missing").string(), 64}};
    for (const auto& [path, limit] : refused) {
        EXPECT_EQ(RegularFile::Read(path, limit), std::nullopt) << path << " " << limit;
        if (path != file) {
            EXPECT_EQ(RegularFile::OpenForReading(path), -1) << path;
        }
    }
}

}  // namespace
