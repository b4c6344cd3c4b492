#include "cli/LazyFallbackLoader.h"

#include <dlfcn.h>

#include <filesystem>

bool LazyFallbackLoader::Load(std::span<const std::uint8_t> bytes, c32bppDIB& host,
                              bool& hasAlpha) const {
    bool loaded = false;
    QtThread().Run([&] {
        const FallbackImageLoader* loader = Loader();
        loaded = loader != nullptr && loader->Load(bytes, host, hasAlpha);
    });
    return loaded;
}

bool LazyFallbackLoader::LoadScalable(std::span<const std::uint8_t> bytes, int width, int height,
                                      c32bppDIB& host) const {
    bool loaded = false;
    QtThread().Run([&] {
        const FallbackImageLoader* loader = Loader();
        loaded = loader != nullptr && loader->LoadScalable(bytes, width, height, host);
    });
    return loaded;
}

// Every call into the module runs on this one thread, whichever worker makes it.
SerialThread& LazyFallbackLoader::QtThread() {
    static SerialThread* const thread = new SerialThread;
    return *thread;
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
    if (!m_Tried) {
        m_Tried = true;
        void* module = OpenModule();
        using Entry = const FallbackImageLoader* (*)();
        const auto entry =
            module != nullptr
                ? reinterpret_cast<Entry>(::dlsym(module, "TilewrightQtFallbackLoader"))
                : nullptr;
        m_Loader = entry != nullptr ? entry() : nullptr;
    }
    return m_Loader;
}
