// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <set>
#include <string>

// While a batch lives, the new files that ReplacingFileWriter makes are not synced one by one:
// Finish syncs them all at once, with their folders. A few files are synced each on its own;
// many in one folder are synced with their whole file system, since a sync per file costs a
// flush of the disk's cache each and a run that writes thousands of small files should wait for
// the disk once. A file that replaces an existing one is still synced before it takes the old
// one's place, so that until Finish a crash may lose new files, never an old file's complete
// contents.
class SyncBatch {
  public:
    SyncBatch();
    // Finishes the batch when Finish was not called.
    ~SyncBatch();
    SyncBatch(const SyncBatch&) = delete;
    SyncBatch& operator=(const SyncBatch&) = delete;

    // errno of the first failure, 0 when every file written during the batch is on disk.
    int Finish();

    // True when a batch takes over the sync of the new file `file` just written into `folder`.
    static bool Defer(const std::filesystem::path& folder, const std::filesystem::path& file);

  private:
    static constexpr std::size_t kFilesSyncedOneByOne = 8;

    std::map<std::string, std::set<std::string>> m_Folders;
    bool m_Finished = false;
};
