// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <set>
#include <string>

// While a batch lives, the files that ReplacingFileWriter finishes by replacing are not synced
// one by one: Finish syncs them all at once (their file systems, then their folders). A run that
// writes thousands of small files waits for the disk once instead of once per file (a sync per
// file, at once or at the end, costs a flush of the disk's cache each); until Finish a crash may
// lose the new files, never an old file's complete contents.
class SyncBatch {
  public:
    SyncBatch();
    // Finishes the batch when Finish was not called.
    ~SyncBatch();
    SyncBatch(const SyncBatch&) = delete;
    SyncBatch& operator=(const SyncBatch&) = delete;

    // errno of the first failure, 0 when every file written during the batch is on disk.
    int Finish();

    // True when a batch takes over the sync of a file just written into `folder`.
    static bool Defer(const std::filesystem::path& folder);

  private:
    std::set<std::string> m_Folders;
    bool m_Finished = false;
};
