// SPDX-License-Identifier: MIT
#include "ScratchFile.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

ScratchFile::ScratchFile(const std::string& suffix) {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") +
                          "/tilewright-fuzz-XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_Handle = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (m_Handle >= 0) {
        m_Path = name.data();
    }
}

ScratchFile::~ScratchFile() {
    if (m_Handle >= 0) {
        ::close(m_Handle);
        ::unlink(m_Path.c_str());
    }
}

bool ScratchFile::Write(std::span<const std::uint8_t> bytes) {
    if (m_Handle < 0 || ::ftruncate(m_Handle, 0) != 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::pwrite(m_Handle, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}
