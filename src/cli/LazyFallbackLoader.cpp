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

// The build tree keeps the module beside the program, an installed copy in its library folder.
void* LazyFallbackLoader::OpenModule() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return nullptr;
    }
    void* module = nullptr;
    for (const char* folder : {".", TILEWRIGHT_PLUGIN_FROM_BIN}) {
        const std::filesystem::path path = executable.parent_path() / folder / kModuleName;
        module = module != nullptr ? module : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    return module;
}

// The module stays loaded for the rest of the run.
const FallbackImageLoader* LazyFallbackLoader::Loader() const {
    std::call_once(m_Tried, [this] {
        void* module = OpenModule();
        using Entry = const FallbackImageLoader* (*)();
        const auto entry =
            module != nullptr
                ? reinterpret_cast<Entry>(::dlsym(module, "TilewrightQtFallbackLoader"))
                : nullptr;
        m_Loader = entry != nullptr ? entry() : nullptr;
    });
    return m_Loader;
}
