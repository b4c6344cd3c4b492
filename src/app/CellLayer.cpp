// SPDX-License-Identifier: MIT
#include "app/CellLayer.h"

void CellLayer::Retain(const std::vector<int>& kept) {
    store.Retain(kept);
    std::vector<CellSource> retained;
    retained.reserve(kept.size());
    for (const int index : kept) {
        retained.push_back(std::move(sources[static_cast<std::size_t>(index)]));
    }
    sources = std::move(retained);
}

void CellLayer::Clear() {
    store.Clear();
    sources.clear();
}
