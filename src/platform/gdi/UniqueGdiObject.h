// SPDX-License-Identifier: MIT
#pragma once

#include <utility>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiTypes.h"

namespace gdi {

// Owns one handle (bitmap, drawing context or image list) and deletes it when it goes.
class UniqueGdiObject {
  public:
    UniqueGdiObject() = default;
    explicit UniqueGdiObject(HGDIOBJ handle) : m_Handle(handle) {}
    ~UniqueGdiObject() { Reset(); }
    UniqueGdiObject(const UniqueGdiObject&) = delete;
    UniqueGdiObject& operator=(const UniqueGdiObject&) = delete;
    UniqueGdiObject(UniqueGdiObject&& other) noexcept : m_Handle(other.Release()) {}
    UniqueGdiObject& operator=(UniqueGdiObject&& other) noexcept {
        Reset(other.Release());
        return *this;
    }

    HGDIOBJ Get() const { return m_Handle; }
    explicit operator bool() const { return m_Handle != 0; }
    HGDIOBJ Release() { return std::exchange(m_Handle, 0); }
    void Reset(HGDIOBJ handle = 0) {
        if (m_Handle != 0) {
            DeleteObject(m_Handle);
        }
        m_Handle = handle;
    }

  private:
    HGDIOBJ m_Handle = 0;
};

}  // namespace gdi
