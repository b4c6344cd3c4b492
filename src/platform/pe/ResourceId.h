// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace pe {

// A resource type or name: an integer identifier, or a string (UTF-8 here).
struct ResourceId {
    bool isInteger = true;
    std::uint16_t id = 0;
    std::string name;

    static ResourceId Integer(std::uint16_t value) { return {true, value, {}}; }
    static ResourceId String(std::string value) { return {false, 0, std::move(value)}; }
    // As resource lists show it: "#" and the decimal identifier, or the string itself. A "#"
    // followed by a decimal number up to 65535 reads back as that identifier.
    std::string Listed() const {
        return isInteger ? std::string(1, '#').append(std::to_string(id)) : name;
    }
    static ResourceId FromListed(const std::string& listed);
    friend bool operator==(const ResourceId&, const ResourceId&) = default;
};

}  // namespace pe
