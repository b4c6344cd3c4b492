// SPDX-License-Identifier: MIT
#include "platform/net/CurlLibrary.h"

#include <dlfcn.h>

namespace net {

namespace {

template <typename Function>
bool Find(void* module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(module, name));
    return function != nullptr;
}

}  // namespace

const CurlLibrary* CurlLibrary::Get() {
    static const CurlLibrary* const library = Load();
    return library;
}

// The library stays loaded for the rest of the run.
const CurlLibrary* CurlLibrary::Load() {
    void* module = ::dlopen(kName, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        return nullptr;
    }
    static CurlLibrary library;
    CURLcode (*globalInit)(long) = nullptr;
    const bool found = Find(module, "curl_global_init", globalInit) &&
                       Find(module, "curl_easy_init", library.EasyInit) &&
                       Find(module, "curl_easy_setopt", library.EasySetopt) &&
                       Find(module, "curl_easy_perform", library.EasyPerform) &&
                       Find(module, "curl_easy_getinfo", library.EasyGetinfo) &&
                       Find(module, "curl_easy_cleanup", library.EasyCleanup);
    return found && globalInit(CURL_GLOBAL_DEFAULT) == CURLE_OK ? &library : nullptr;
}

}  // namespace net
