#include "image/FallbackImageLoader.h"

namespace {

const FallbackImageLoader* g_Installed = nullptr;

}  // namespace

void FallbackImageLoader::Install(const FallbackImageLoader* loader) {
    g_Installed = loader;
}

const FallbackImageLoader* FallbackImageLoader::Installed() {
    return g_Installed;
}
