// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <memory>

#include "platform/gdi/GdiTypes.h"

namespace gdi {

// Every object that is reached through a handle (bitmap, drawing context, image list).
class GdiObject {
  public:
    virtual ~GdiObject() = default;
};

// Hands out handles for objects and finds them again. A handle is never reused, so a stale or
// made-up handle finds nothing instead of another object. Any thread may call it; an object itself
// belongs to one thread at a time.
class HandleTable {
  public:
    static HGDIOBJ Insert(std::unique_ptr<GdiObject> object);
    static GdiObject* Find(HGDIOBJ handle);
    static std::unique_ptr<GdiObject> Remove(HGDIOBJ handle);
    // How many objects are alive, so that a caller can tell whether handles were leaked.
    static std::size_t LiveCount();

    template <typename T>
    static T* FindAs(HGDIOBJ handle) {
        return dynamic_cast<T*>(Find(handle));
    }
};

}  // namespace gdi
