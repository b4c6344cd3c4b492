// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Who owns a file and who may do what with it: owner, group, mode and extended attributes, the
// access control list among them (it is kept as the system.posix_acl_access attribute).
class FileIdentity {
  public:
    // Nothing when the file cannot be examined.
    static std::optional<FileIdentity> Of(const std::string& path);

    // Gives the open file this identity. False when a part of it may not be given (the owner of
    // another user's file, a group the process is not in, an attribute it may not set).
    bool GiveTo(int file) const;

  private:
    bool GiveAttributesTo(int file) const;

    uid_t m_Owner = 0;
    gid_t m_Group = 0;
    mode_t m_Mode = 0;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> m_Attributes;
};
