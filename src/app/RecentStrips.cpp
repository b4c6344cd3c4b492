// SPDX-License-Identifier: MIT
#include "app/RecentStrips.h"

#include <algorithm>
#include <filesystem>

namespace {

// "a/../b.bmp" and "./b.bmp" seen from the same folder are one file.
std::string Absolute(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return (absolute.empty() ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

}  // namespace

RecentStrips::RecentStrips(const std::vector<std::string>& paths) {
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        if (!path->empty()) {
            Add(*path);
        }
    }
}

void RecentStrips::Add(const std::string& path) {
    const std::string absolute = Absolute(path);
    m_Paths.erase(std::remove(m_Paths.begin(), m_Paths.end(), absolute), m_Paths.end());
    m_Paths.insert(m_Paths.begin(), absolute);
    if (m_Paths.size() > kLimit) {
        m_Paths.resize(kLimit);
    }
}

void RecentStrips::DropMissing() {
    std::erase_if(m_Paths, [](const std::string& path) {
        std::error_code ignored;
        return !std::filesystem::is_regular_file(path, ignored);
    });
}
