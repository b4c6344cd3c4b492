// SPDX-License-Identifier: MIT
#include "platform/file/FileIdentity.h"

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// Reads a list or value that may grow between asking its size and reading it.
template <typename Read>
std::optional<std::vector<std::uint8_t>> ReadGrowing(Read read) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = read(nullptr, 0);
        if (size < 0) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        const ssize_t got = read(bytes.data(), bytes.size());
        if (got >= 0) {
            bytes.resize(static_cast<std::size_t>(got));
            return bytes;
        }
        if (errno != ERANGE) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Security labels follow the system's policy for the folder, not the file's history.
bool IsSecurityLabel(const std::string& name) {
    return name.starts_with("security.");
}

std::vector<std::string> NamesIn(const std::vector<std::uint8_t>& list) {
    std::vector<std::string> names;
    std::string name;
    for (const std::uint8_t byte : list) {
        if (byte == 0) {
            names.push_back(std::move(name));
            name.clear();
        } else {
            name.push_back(static_cast<char>(byte));
        }
    }
    return names;
}

}  // namespace

std::optional<FileIdentity> FileIdentity::Of(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    FileIdentity identity;
    identity.m_Owner = status.st_uid;
    identity.m_Group = status.st_gid;
    identity.m_Mode = status.st_mode & 07777;
    const auto names = ReadGrowing([&](void* into, std::size_t size) {
        return ::listxattr(path.c_str(), static_cast<char*>(into), size);
    });
    if (!names) {
        // A file system without attributes has none to keep.
        return errno == ENOTSUP ? std::optional(identity) : std::nullopt;
    }
    for (const std::string& name : NamesIn(*names)) {
        const auto value = ReadGrowing([&](void* into, std::size_t size) {
            return ::getxattr(path.c_str(), name.c_str(), into, size);
        });
        if (!value) {
            return std::nullopt;
        }
        identity.m_Attributes.emplace_back(name, *value);
    }
    return identity;
}

// Owner first, since a change of owner clears the set-user-ID bits; the mode last, since setting
// an access list also sets the group bits.
bool FileIdentity::GiveTo(int file) const {
    struct stat current {};
    if (::fstat(file, &current) != 0) {
        return false;
    }
    if ((current.st_uid != m_Owner || current.st_gid != m_Group) &&
        ::fchown(file, m_Owner, m_Group) != 0) {
        return false;
    }
    return GiveAttributesTo(file) && ::fchmod(file, m_Mode) == 0;
}

// What the new file inherited from its folder (a default access list) goes unless the old file
// had it too.
bool FileIdentity::GiveAttributesTo(int file) const {
    const auto present = ReadGrowing([&](void* into, std::size_t size) {
        return ::flistxattr(file, static_cast<char*>(into), size);
    });
    if (!present && errno != ENOTSUP) {
        return false;
    }
    for (const std::string& name : present ? NamesIn(*present) : std::vector<std::string>{}) {
        const bool kept =
            std::any_of(m_Attributes.begin(), m_Attributes.end(),
                        [&](const auto& attribute) { return attribute.first == name; });
        if (!kept && !IsSecurityLabel(name) && ::fremovexattr(file, name.c_str()) != 0) {
            return false;
        }
    }
    for (const auto& [name, value] : m_Attributes) {
        if (::fsetxattr(file, name.c_str(), value.data(), value.size(), 0) != 0 &&
            !IsSecurityLabel(name)) {
            return false;
        }
    }
    return true;
}
