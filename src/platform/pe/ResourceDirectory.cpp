// SPDX-License-Identifier: MIT
#include "platform/pe/ResourceDirectory.h"

#include <algorithm>

namespace pe {

namespace {

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Resource names compare as the platform compares them: ASCII letters without case. A plain loop,
// since a listing makes millions of these comparisons.
bool BeforeWithoutCase(const std::string& a, const std::string& b) {
    const std::size_t length = std::min(a.size(), b.size());
    const char* x = a.data();
    const char* y = b.data();
    for (std::size_t i = 0; i < length; ++i) {
        const char cx = AsciiUpper(x[i]), cy = AsciiUpper(y[i]);
        if (cx != cy) {
            return static_cast<unsigned char>(cx) < static_cast<unsigned char>(cy);
        }
    }
    return a.size() < b.size();
}

bool LowerIdentifier(const ResourceDirectory::Entry& a, const ResourceDirectory::Entry& b) {
    return a.id.id < b.id.id;
}

}  // namespace

ResourceDirectory::ResourceDirectory(std::vector<Entry> named, std::vector<Entry> numbered)
    : m_Entries(std::move(named)), m_NamedCount(m_Entries.size()) {
    for (std::uint32_t i = 0; i < m_NamedCount; ++i) {
        m_ByName.push_back(i);
    }
    std::stable_sort(m_ByName.begin(), m_ByName.end(), [this](std::uint32_t a, std::uint32_t b) {
        return BeforeWithoutCase(m_Entries[a].id.name, m_Entries[b].id.name);
    });
    // Modules store identifiers in order already.
    if (!std::is_sorted(numbered.begin(), numbered.end(), LowerIdentifier)) {
        std::stable_sort(numbered.begin(), numbered.end(), LowerIdentifier);
    }
    m_Entries.insert(m_Entries.end(), std::make_move_iterator(numbered.begin()),
                     std::make_move_iterator(numbered.end()));
}

const ResourceDirectory::Entry* ResourceDirectory::Find(const ResourceId& id) const {
    if (id.isInteger) {
        const auto numbered = m_Entries.begin() + static_cast<std::ptrdiff_t>(m_NamedCount);
        const auto found = std::lower_bound(
            numbered, m_Entries.end(), id.id,
            [](const Entry& entry, std::uint16_t value) { return entry.id.id < value; });
        return found != m_Entries.end() && found->id.id == id.id ? &*found : nullptr;
    }
    const auto found =
        std::lower_bound(m_ByName.begin(), m_ByName.end(), id.name,
                         [this](std::uint32_t position, const std::string& name) {
                             return BeforeWithoutCase(m_Entries[position].id.name, name);
                         });
    if (found == m_ByName.end() || BeforeWithoutCase(id.name, m_Entries[*found].id.name)) {
        return nullptr;
    }
    return &m_Entries[*found];
}

std::size_t ResourceDirectory::Footprint() const {
    std::size_t bytes =
        sizeof(*this) + m_Entries.size() * sizeof(Entry) + m_ByName.size() * sizeof(std::uint32_t);
    for (std::size_t i = 0; i < m_NamedCount; ++i) {
        bytes += m_Entries[i].id.name.capacity();
    }
    return bytes;
}

}  // namespace pe
