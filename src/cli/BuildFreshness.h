// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Whether the files a build writes are newer than the files they are made of, for build
// systems that run a build only when it has something to do, and the times that keep it so.
class BuildFreshness {
  public:
    BuildFreshness(std::vector<std::string> inputs, std::vector<std::string> outputs);

    // Every output is there, and no input and no other output is newer than the oldest output.
    // An input that is gone counts as changed, so that the build runs and reports it.
    bool UpToDate() const;
    // Called as the build starts to read its inputs.
    void Start();
    // After a build that went well its outputs share the time it started, so that an input
    // changed while it ran, or an output changed afterwards, is newer than they are; after a
    // failed one they carry a time long past, so that the next run builds again.
    void Finish(bool built) const;

  private:
    std::vector<std::string> m_Inputs;
    std::vector<std::string> m_Outputs;
    std::filesystem::file_time_type m_Started;
};
