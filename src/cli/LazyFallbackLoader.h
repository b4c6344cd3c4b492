#pragma once

#include "cli/SerialThread.h"
#include "image/FallbackImageLoader.h"

// Stands in for the Qt fallback loader and loads its module beside the executable at the first
// file that needs it, once. Whichever worker asks, the module is loaded and called on one thread
// of its own, one call at a time. Without the module no file decodes through it.
class LazyFallbackLoader : public FallbackImageLoader {
  public:
    static constexpr const char* kModuleName = "tilewright-qt-fallback.so";

    bool Load(std::span<const std::uint8_t> bytes, c32bppDIB& host, bool& hasAlpha) const override;
    bool LoadScalable(std::span<const std::uint8_t> bytes, int width, int height,
                      c32bppDIB& host) const override;

  private:
    static SerialThread& QtThread();
    static void* OpenModule();
    // Only ever called on the thread of QtThread.
    const FallbackImageLoader* Loader() const;

    mutable bool m_Tried = false;
    mutable const FallbackImageLoader* m_Loader = nullptr;
};
