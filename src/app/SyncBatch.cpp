// SPDX-License-Identifier: MIT
#include "app/SyncBatch.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

#include <mutex>

namespace {

std::mutex batchLock;
SyncBatch* current = nullptr;

// Opens the path and syncs it; syncfs first writes out every file of its file system.
int Sync(const std::string& path, int flags, bool wholeFileSystem) {
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (handle < 0) {
        return errno;
    }
    const int error =
        (wholeFileSystem && ::syncfs(handle) != 0) || ::fsync(handle) != 0 ? errno : 0;
    ::close(handle);
    return error;
}

}  // namespace

SyncBatch::SyncBatch() {
    const std::lock_guard hold(batchLock);
    if (current == nullptr) {
        current = this;
    }
}

SyncBatch::~SyncBatch() {
    Finish();
}

int SyncBatch::Finish() {
    {
        const std::lock_guard hold(batchLock);
        if (current == this) {
            current = nullptr;
        }
    }
    int first = 0;
    if (!m_Finished) {
        for (const auto& [folder, files] : m_Folders) {
            const bool many = files.size() > kFilesSyncedOneByOne;
            for (auto file = files.begin(); !many && file != files.end(); ++file) {
                const int error = Sync(*file, 0, false);
                first = first == 0 ? error : first;
            }
            const int error = Sync(folder, O_DIRECTORY, many);
            first = first == 0 ? error : first;
        }
    }
    m_Finished = true;
    m_Folders.clear();
    return first;
}

bool SyncBatch::Defer(const std::filesystem::path& folder, const std::filesystem::path& file) {
    const std::lock_guard hold(batchLock);
    if (current == nullptr) {
        return false;
    }
    current->m_Folders[folder.empty() ? std::string(".") : folder.string()].insert(file.string());
    return true;
}
