// SPDX-License-Identifier: MIT
#include "platform/file/TemporaryNames.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <climits>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <set>
#include <utility>

namespace {

// Fixed storage, so that the signal handler reads names without allocating or locking.
enum SlotState : int { kFree, kWriting, kReady };
struct Slot {
    std::atomic<int> state{kFree};
    std::array<char, PATH_MAX> path{};
};
constexpr std::size_t kSlots = 32;
std::array<Slot, kSlots> slots;

void RemoveRegisteredAndEnd(int signal) {
    for (Slot& slot : slots) {
        if (slot.state.load(std::memory_order_acquire) == kReady) {
            ::unlink(slot.path.data());
        }
    }
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(signal, &standard, nullptr);
    ::raise(signal);
}

void InstallUnlessIgnored(int signal) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
        return;
    }
    struct sigaction removing {};
    removing.sa_handler = RemoveRegisteredAndEnd;
    sigemptyset(&removing.sa_mask);
    ::sigaction(signal, &removing, nullptr);
}

constexpr std::size_t kRandomLength = 6;

bool IsRandomPart(std::string_view part) {
    return part.size() == kRandomLength && std::all_of(part.begin(), part.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) != 0;
           });
}

bool IsStaleFileOfThisUser(const std::filesystem::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_uid == ::geteuid() &&
           status.st_mtime < std::time(nullptr) - TemporaryNames::kStaleSeconds;
}

template <typename Matches>
void RemoveStaleMatching(const std::string& folder, Matches matches) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder.empty() ? "." : folder, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (matches(entries->path().filename().string()) &&
            IsStaleFileOfThisUser(entries->path())) {
            ::unlink(entries->path().c_str());
        }
    }
}

}  // namespace

int TemporaryNames::Register(const std::string& path) {
    if (path.empty() || path.size() >= PATH_MAX) {
        return -1;
    }
    for (std::size_t i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (slots[i].state.compare_exchange_strong(expected, kWriting)) {
            std::copy(path.begin(), path.end(), slots[i].path.begin());
            slots[i].path[path.size()] = '\0';
            slots[i].state.store(kReady, std::memory_order_release);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TemporaryNames::Unregister(int handle) {
    if (handle >= 0 && static_cast<std::size_t>(handle) < kSlots) {
        slots[static_cast<std::size_t>(handle)].state.store(kFree, std::memory_order_release);
    }
}

void TemporaryNames::RemoveOnTerminationSignals() {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        InstallUnlessIgnored(signal);
    }
}

void TemporaryNames::RemoveStale(const std::string& folder, std::string_view prefix,
                                 bool (*rest)(std::string_view)) {
    RemoveStaleMatching(folder, [&](std::string_view name) {
        if (name.size() < prefix.size() + kRandomLength || !name.starts_with(prefix)) {
            return false;
        }
        const std::string_view after = name.substr(prefix.size());
        return IsRandomPart(after.substr(0, kRandomLength)) && rest(after.substr(kRandomLength));
    });
}

void TemporaryNames::RemoveStaleOnce(const std::string& folder,
                                     bool (*isTemporary)(std::string_view)) {
    static std::mutex lock;
    static std::set<std::pair<std::string, bool (*)(std::string_view)>> swept;
    {
        const std::lock_guard hold(lock);
        if (!swept.emplace(folder.empty() ? "." : folder, isTemporary).second) {
            return;
        }
    }
    RemoveStaleMatching(folder, isTemporary);
}
