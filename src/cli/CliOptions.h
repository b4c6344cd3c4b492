#pragma once

#include <string>
#include <vector>

// The parsed command line of tilewright-cli.
class CliOptions {
  public:
    // False with a one-line reason when the arguments do not make a command.
    static bool Parse(const std::vector<std::string>& arguments, CliOptions& options,
                      std::string& error);

    std::string command;
    std::vector<std::string> files;
    std::string output;
    int iconCx = 0;
    int iconCy = 0;
    int iconBitDepth = 32;
    bool fallback = true;
    bool zlib = true;
    bool help = false;

  private:
    bool ParseOption(const std::vector<std::string>& arguments, std::size_t& index,
                     std::string& error);
    bool Check(std::string& error) const;
};
