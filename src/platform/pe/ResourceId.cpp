// SPDX-License-Identifier: MIT
#include "platform/pe/ResourceId.h"

#include <algorithm>

namespace pe {

ResourceId ResourceId::FromListed(const std::string& listed) {
    const bool digits =
        listed.size() >= 2 && listed.size() <= 6 && listed[0] == '#' &&
        std::all_of(listed.begin() + 1, listed.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits && std::stoul(listed.substr(1)) <= 0xFFFF) {
        return Integer(static_cast<std::uint16_t>(std::stoul(listed.substr(1))));
    }
    return String(listed);
}

}  // namespace pe
