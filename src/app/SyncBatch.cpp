// SPDX-License-Identifier: MIT
#include "app/SyncBatch.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

#include <mutex>

namespace {

std::mutex batchLock;
SyncBatch* current = nullptr;

// syncfs writes out every file of the folder's file system, the new ones among them, in one call.
int SyncFolder(const std::string& folder) {
    const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) {
        return errno;
    }
    const int error = ::syncfs(handle) != 0 || ::fsync(handle) != 0 ? errno : 0;
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
        for (const std::string& folder : m_Folders) {
            const int error = SyncFolder(folder);
            first = first == 0 ? error : first;
        }
    }
    m_Finished = true;
    m_Folders.clear();
    return first;
}

bool SyncBatch::Defer(const std::filesystem::path& folder) {
    const std::lock_guard hold(batchLock);
    if (current == nullptr) {
        return false;
    }
    current->m_Folders.insert(folder.empty() ? std::string(".") : folder.string());
    return true;
}
