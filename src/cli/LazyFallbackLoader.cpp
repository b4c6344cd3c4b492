#include "cli/LazyFallbackLoader.h"

#include <dlfcn.h>

#include <filesystem>

bool LazyFallbackLoader::Load(std::span<const std::uint8_t> bytes, c32bppDIB& host,
                              bool& hasAlpha) const {
    const FallbackImageLoader* loader = Loader();
    return loader != nullptr && loader->Load(bytes, host, hasAlpha);
}

bool LazyFallbackLoader::LoadScalable(std::span<const std::uint8_t> bytes, int width, int height,
                                      c32bppDIB& host) const {
    const FallbackImageLoader* loader = Loader();
    return loader != nullptr && loader->LoadScalable(bytes, width, height, host);
}

// The module stays loaded for the rest of the run.
const FallbackImageLoader* LazyFallbackLoader::Loader() const {
    if (m_Tried) {
        return m_Loader;
    }
    m_Tried = true;
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return nullptr;
    }
    void* module =
        ::dlopen((executable.parent_path() / kModuleName).c_str(), RTLD_NOW | RTLD_LOCAL);
    using Entry = const FallbackImageLoader* (*)();
    const auto entry = module != nullptr
                           ? reinterpret_cast<Entry>(::dlsym(module, "TilewrightQtFallbackLoader"))
                           : nullptr;
    m_Loader = entry != nullptr ? entry() : nullptr;
    return m_Loader;
}
