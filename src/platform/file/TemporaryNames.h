// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// Temporary files this process has made and not yet removed or renamed. When a signal ends the
// process they are removed first, so a killed save or download leaves nothing behind; what an
// earlier process could not remove (a crash, SIGKILL) is removed by a later one once stale.
class TemporaryNames {
  public:
    static constexpr long kStaleSeconds = 24 * 60 * 60;

    // A handle for Unregister, or -1 when the name cannot be kept (too long, too many at once):
    // the file is then still removed as usual, only not on a signal.
    static int Register(const std::string& path);
    static void Unregister(int handle);
    // For SIGTERM, SIGINT, SIGHUP and SIGQUIT, unless the process was told to ignore them.
    static void RemoveOnTerminationSignals();

    // Removes the regular files of this user in `folder` that are older than kStaleSeconds and
    // named `prefix`, six characters as mkstemp picks them, then a rest that `rest` accepts.
    static void RemoveStale(const std::string& folder, std::string_view prefix,
                            bool (*rest)(std::string_view));
    // The same for the regular files of this user in `folder` whose whole name `isTemporary`
    // accepts, once per folder and test for the life of the process: a run that writes
    // thousands of files into one folder reads the folder once, not once per file.
    static void RemoveStaleOnce(const std::string& folder, bool (*isTemporary)(std::string_view));
};
