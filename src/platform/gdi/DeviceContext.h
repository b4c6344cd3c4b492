// SPDX-License-Identifier: MIT
#pragma once

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/HandleTable.h"

namespace gdi {

// A memory drawing context: it draws on whichever bitmap is selected into it. A new context holds
// the stock 1 x 1 monochrome bitmap, so "the previous bitmap" is never 0.
class DeviceContext : public GdiObject {
  public:
    explicit DeviceContext(HBITMAP initial) : m_Selected(initial) {}

    HBITMAP Selected() const { return m_Selected; }
    void Select(HBITMAP bitmap) { m_Selected = bitmap; }

  private:
    HBITMAP m_Selected;
};

}  // namespace gdi
