// SPDX-License-Identifier: MIT
#include "import/TemporaryFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "platform/file/TemporaryNames.h"

TemporaryFile::TemporaryFile(const std::string& pattern, const std::string& suffix) {
    const std::string whole = pattern + suffix;
    std::vector<char> name(whole.begin(), whole.end());
    name.push_back('\0');
    m_Descriptor = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (m_Descriptor >= 0) {
        m_Path = name.data();
        m_Registered = TemporaryNames::Register(m_Path);
    }
}

TemporaryFile::~TemporaryFile() {
    Close();
    if (!m_Path.empty()) {
        std::remove(m_Path.c_str());
    }
    TemporaryNames::Unregister(m_Registered);
}

bool TemporaryFile::Close() {
    if (m_Descriptor < 0) {
        return true;
    }
    const bool closed = ::close(m_Descriptor) == 0;
    m_Descriptor = -1;
    return closed;
}
