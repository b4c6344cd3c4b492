#include "cli/TunedHeap.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr const char* kTunedMark = "TILEWRIGHT_TUNED_HEAP";
constexpr const char* kTunables =
    "glibc.malloc.hugetlb=1:glibc.malloc.trim_threshold=268435456:"
    "glibc.malloc.mmap_threshold=33554432:glibc.malloc.arena_max=1";

}  // namespace

void TunedHeap::RestartIfWorthIt(int argc, char** argv) {
    if (!BuildsStrips(argc, argv) || std::getenv(kTunedMark) != nullptr) {
        return;
    }
    const char* given = std::getenv("GLIBC_TUNABLES");
    const std::string tunables =
        given != nullptr && *given != '\0' ? std::string(given) + ":" + kTunables : kTunables;
    if (::setenv(kTunedMark, "1", 1) != 0 || ::setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) {
        return;
    }
    ::execv("/proc/self/exe", argv);
    // Not started again: go on untuned, and leave the environment as it came.
    ::unsetenv(kTunedMark);
    given != nullptr ? ::setenv("GLIBC_TUNABLES", given, 1) : ::unsetenv("GLIBC_TUNABLES");
}

bool TunedHeap::BuildsStrips(int argc, char** argv) {
    if (argc < 2) {
        return false;
    }
    const std::string_view command = argv[1];
    return command == "build" || command == "open";
}
