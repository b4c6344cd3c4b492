// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// The editor's own options. They are answered before the application object exists, so that
// --help and --version print without a display and without opening a window.
class EditorCommandLine {
  public:
    // True when the first argument asks for the help or the version, which is then printed.
    static bool Answer(const std::vector<std::string>& arguments, const std::string& version,
                       std::ostream& out);
};
