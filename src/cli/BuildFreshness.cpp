// SPDX-License-Identifier: MIT
#include "cli/BuildFreshness.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace {

// Older than any file a build reads.
const std::filesystem::file_time_type kOutOfDate =
    std::chrono::file_clock::from_sys(std::chrono::sys_seconds{std::chrono::days{1}});

std::optional<std::filesystem::file_time_type> ChangedAt(const std::string& path) {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    return error ? std::nullopt : std::optional(time);
}

}  // namespace

BuildFreshness::BuildFreshness(std::vector<std::string> inputs, std::vector<std::string> outputs)
    : m_Inputs(std::move(inputs)), m_Outputs(std::move(outputs)) {}

bool BuildFreshness::UpToDate() const {
    std::optional<std::filesystem::file_time_type> oldest;
    for (const std::string& output : m_Outputs) {
        const auto time = ChangedAt(output);
        if (!time) {
            return false;
        }
        oldest = std::min(oldest.value_or(*time), *time);
    }
    const auto notNewer = [&](const std::string& path) {
        const auto time = ChangedAt(path);
        return time && *time <= *oldest;
    };
    return oldest && std::all_of(m_Inputs.begin(), m_Inputs.end(), notNewer) &&
           std::all_of(m_Outputs.begin(), m_Outputs.end(), notNewer);
}

void BuildFreshness::Start() {
    m_Started = std::filesystem::file_time_type::clock::now();
}

void BuildFreshness::Finish(bool built) const {
    for (const std::string& output : m_Outputs) {
        std::error_code ignored;
        std::filesystem::last_write_time(output, built ? m_Started : kOutOfDate, ignored);
    }
}
