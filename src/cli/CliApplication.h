// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CliOptions;

// tilewright-cli: the strip editor's work without a window, and reports on images and modules.
class CliApplication {
  public:
    static constexpr int kOk = 0;
    static constexpr int kInputFailed = 1;
    static constexpr int kBadArguments = 2;

    CliApplication(std::ostream& out, std::ostream& err) : m_Out(out), m_Err(err) {}
    int Run(const std::vector<std::string>& arguments);

  private:
    int Dispatch(const CliOptions& options);
    int Info(const CliOptions& options);
    int Decode(const CliOptions& options);
    int List(const CliOptions& options);
    static void PrintUsage(std::ostream& stream, const std::string& command);

    std::ostream& m_Out;
    std::ostream& m_Err;
};
