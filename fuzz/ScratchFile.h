// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>

// One temporary file for readers that take a path, made once per process and rewritten for
// every input; removed when the object goes. It lives in $TMPDIR, else /tmp.
class ScratchFile {
  public:
    // suffix ends the file name, for readers that look at the extension.
    explicit ScratchFile(const std::string& suffix);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Replaces the contents; false when the file could not be written.
    bool Write(std::span<const std::uint8_t> bytes);
    const std::string& Path() const { return m_Path; }

  private:
    std::string m_Path;
    int m_Handle = -1;
};
