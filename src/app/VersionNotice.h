// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// What both programs print for --version: their name and version, who holds the copyright and
// the licence they are released under.
class VersionNotice {
  public:
    static std::string For(const std::string& program, const std::string& version);
};
