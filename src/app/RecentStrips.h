// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The strips opened or saved last, newest first, each file once.
class RecentStrips {
  public:
    static constexpr std::size_t kLimit = 8;

    RecentStrips() = default;
    // A list as it was kept: empty entries and repeats are dropped, and it is cut to kLimit.
    explicit RecentStrips(const std::vector<std::string>& paths);

    // The path, made absolute, goes to the front; an earlier entry of the same file moves there.
    void Add(const std::string& path);
    // Entries that no longer name a regular file drop out.
    void DropMissing();
    const std::vector<std::string>& Paths() const { return m_Paths; }

  private:
    std::vector<std::string> m_Paths;
};
