#pragma once

#include <mutex>

#include "image/FallbackImageLoader.h"

// Stands in for the Qt fallback loader and loads its module beside the executable at the first
// file that needs it, once, whichever worker thread asks first. Without the module no file
// decodes through it.
class LazyFallbackLoader : public FallbackImageLoader {
  public:
    static constexpr const char* kModuleName = "tilewright-qt-fallback.so";

    bool Load(std::span<const std::uint8_t> bytes, c32bppDIB& host, bool& hasAlpha) const override;
    bool LoadScalable(std::span<const std::uint8_t> bytes, int width, int height,
                      c32bppDIB& host) const override;

  private:
    static void* OpenModule();
    const FallbackImageLoader* Loader() const;

    mutable std::once_flag m_Tried;
    mutable const FallbackImageLoader* m_Loader = nullptr;
};
