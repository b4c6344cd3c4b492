// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/pe/ResourceId.h"

namespace pe {

// One table of a module's resource directory, read once: its entries in listing order (named
// entries as stored, then identifiers ascending) and an index that finds any entry without
// walking the table, so that looking up every entry of a large table stays fast.
class ResourceDirectory {
  public:
    struct Entry {
        ResourceId id;
        std::uint32_t target = 0;  // offset in the resource section, top bit: a subdirectory
    };

    ResourceDirectory() = default;
    // named: in stored order; numbered: in stored order, sorted here.
    ResourceDirectory(std::vector<Entry> named, std::vector<Entry> numbered);

    const std::vector<Entry>& Entries() const { return m_Entries; }
    // The first stored entry of that identifier, or of that name compared without ASCII case.
    const Entry* Find(const ResourceId& id) const;
    // Bytes of memory the table holds, for the module's budget.
    std::size_t Footprint() const;

  private:
    std::vector<Entry> m_Entries;
    std::size_t m_NamedCount = 0;
    // Positions of the named entries, ordered by name without case, then by position.
    std::vector<std::uint32_t> m_ByName;
};

}  // namespace pe
