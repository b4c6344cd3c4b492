// SPDX-License-Identifier: MIT
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/HostPixel.h"

// A fresh folder for one test, removed with everything in it afterwards; in the test run's
// temporary folder unless another one is named.
class TempFolder {
  public:
    explicit TempFolder(const std::string& in = testing::TempDir()) {
        std::string pattern = (std::filesystem::path(in) / "tw-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_Path = pattern;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path() const { return m_Path.string(); }
    std::string File(const std::string& name) const { return (m_Path / name).string(); }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_Path),
                                                      std::filesystem::directory_iterator()));
    }

    static std::vector<std::uint8_t> Read(const std::string& path) {
        return testsupport::ReadFileBytes(path);
    }
    static void Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
        testsupport::WriteFileBytes(path, bytes);
    }

    // Sets the times of `path`, not of what a link names, to `seconds` ago.
    static void Backdate(const std::string& path, long seconds) {
        const timespec when{std::time(nullptr) - seconds, 0};
        const timespec times[] = {when, when};
        ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }

  private:
    std::filesystem::path m_Path;
};
