#include "platform/desktop/QtFallbackImageLoader.h"

// The entry point of the fallback loader built as a module of its own, which tilewright-cli
// loads only when a file needs it, so that most runs never start Qt.
extern "C" __attribute__((visibility("default"))) const FallbackImageLoader*
TilewrightQtFallbackLoader() {
    static const QtFallbackImageLoader loader;
    return &loader;
}
