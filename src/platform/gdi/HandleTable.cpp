// SPDX-License-Identifier: MIT
#include "platform/gdi/HandleTable.h"

#include <mutex>
#include <unordered_map>

namespace gdi {
namespace {

// Worker threads make and drop their own bitmaps and contexts while the main thread uses its
// own, so every look-up of the shared map holds the lock.
struct Table {
    std::mutex lock;
    std::unordered_map<HGDIOBJ, std::unique_ptr<GdiObject>> objects;
    HGDIOBJ next = 0x100;
};

// Never destroyed: objects with static lifetime may still delete their handles at exit.
Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

}  // namespace

HGDIOBJ HandleTable::Insert(std::unique_ptr<GdiObject> object) {
    if (!object) {
        return 0;
    }
    Table& table = TheTable();
    const std::lock_guard hold(table.lock);
    if (table.next == 0) {
        return 0;  // every handle value has been used once
    }
    const HGDIOBJ handle = table.next++;
    table.objects.emplace(handle, std::move(object));
    return handle;
}

GdiObject* HandleTable::Find(HGDIOBJ handle) {
    Table& table = TheTable();
    const std::lock_guard hold(table.lock);
    const auto found = table.objects.find(handle);
    return found == table.objects.end() ? nullptr : found->second.get();
}

std::unique_ptr<GdiObject> HandleTable::Remove(HGDIOBJ handle) {
    Table& table = TheTable();
    const std::lock_guard hold(table.lock);
    const auto found = table.objects.find(handle);
    if (found == table.objects.end()) {
        return nullptr;
    }
    std::unique_ptr<GdiObject> object = std::move(found->second);
    table.objects.erase(found);
    return object;
}

std::size_t HandleTable::LiveCount() {
    Table& table = TheTable();
    const std::lock_guard hold(table.lock);
    return table.objects.size();
}

}  // namespace gdi
