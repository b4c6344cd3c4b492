// SPDX-License-Identifier: MIT
#pragma once

#include "codecs/ZlibBridge.h"

// Sets the process-wide zlib switch for its lifetime, then gives back the value it found, so
// that nested or failing users cannot leave the switch changed.
class ZlibSwitchGuard {
  public:
    explicit ZlibSwitchGuard(bool present) : m_Previous(ZlibBridge::IsZlibPresent()) {
        ZlibBridge::SetZlibPresent(present);
    }
    ~ZlibSwitchGuard() { ZlibBridge::SetZlibPresent(m_Previous); }
    ZlibSwitchGuard(const ZlibSwitchGuard&) = delete;
    ZlibSwitchGuard& operator=(const ZlibSwitchGuard&) = delete;

  private:
    bool m_Previous;
};
