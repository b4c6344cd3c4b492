// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>

// The one instance of a service interface that an executable installs at start-up and the core
// asks for when it needs it; the core works without. Worker threads may ask while the main
// thread installs, so the slot is atomic. The installed object stays the caller's; null
// uninstalls.
template <typename T>
class Installable {
  public:
    static void Install(const T* instance) { Slot().store(instance); }
    static const T* Installed() { return Slot().load(); }

  protected:
    ~Installable() = default;

  private:
    static std::atomic<const T*>& Slot() {
        static std::atomic<const T*> slot{nullptr};
        return slot;
    }
};
