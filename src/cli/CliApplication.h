#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CliOptions;
class c32bppDIB;

// tilewright-cli: loads images through the same front end as the editor and reports on them.
class CliApplication {
  public:
    static constexpr int kOk = 0;
    static constexpr int kInputFailed = 1;
    static constexpr int kBadArguments = 2;

    CliApplication(std::ostream& out, std::ostream& err) : m_Out(out), m_Err(err) {}
    int Run(const std::vector<std::string>& arguments);

  private:
    int Info(const CliOptions& options);
    int Decode(const CliOptions& options);
    void PrintUsage(std::ostream& stream) const;

    std::ostream& m_Out;
    std::ostream& m_Err;
};
