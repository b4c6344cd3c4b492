// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// A file of a unique name that only its maker opened (mode 0600), written through the
// descriptor it was made with and removed when this object goes or a signal ends the process.
class TemporaryFile {
  public:
    // `pattern` ends in XXXXXX, then `suffix` follows; Path() is empty when no file was made.
    TemporaryFile(const std::string& pattern, const std::string& suffix);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return m_Path; }
    int Descriptor() const { return m_Descriptor; }
    // Closes the descriptor and keeps the file for reading by name; false when writes were lost.
    bool Close();

  private:
    std::string m_Path;
    int m_Descriptor = -1;
    int m_Registered = -1;
};
