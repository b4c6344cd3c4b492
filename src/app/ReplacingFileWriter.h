// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "platform/file/Status.h"

// Writes a file so that the old one at that path is replaced only by a complete new one. The
// bytes go to a file without a name in the same folder, linked in and renamed over the target at
// Commit, so that a killed save leaves nothing behind; where the file system cannot make such a
// file, a hidden temporary file is the fallback (removed on signals, and by a later run once
// stale). Before the rename the new file gets the old one's owner, group, mode, access list and
// extended attributes. A file with other hard links, or one whose identity cannot be kept, is
// written in place instead, after a copy of its old contents is on disk, and restored from that
// copy when writing fails. A link that names no file, or loops, is refused.
class ReplacingFileWriter {
  public:
    ReplacingFileWriter() = default;
    ~ReplacingFileWriter();
    ReplacingFileWriter(const ReplacingFileWriter&) = delete;
    ReplacingFileWriter& operator=(const ReplacingFileWriter&) = delete;

    // A failure carries the errno of the first failure and the target's path.
    Status Open(const std::string& path);
    Status Write(std::span<const std::uint8_t> bytes);
    Status Commit();

    // The length of the committed file, as the savers report it.
    Expected<std::int32_t, Error> CommittedLength() const;
    // Open, Write and Commit of a file whose bytes are all at hand.
    static Status WriteFile(const std::string& path, std::span<const std::uint8_t> bytes);

  private:
    static constexpr std::size_t kWriteBackBytes = std::size_t{4} << 20;

    bool Fail(int error);
    Status Outcome(bool done) const;
    bool OpenTarget(const std::string& path);
    bool WriteAll(std::span<const std::uint8_t> bytes);
    bool CommitFile();
    bool ResolveTarget(const std::string& path);
    bool CheckTarget(bool& exists);
    bool CreateTemporary(const std::filesystem::path& folder);
    bool KeepIdentity();
    void StartWriteBack(std::size_t written);
    bool CommitByReplacing();
    bool LinkUnnamed();
    bool CommitInPlace();
    void Discard();
    void ForgetTemporary();

    std::filesystem::path m_Target;
    std::filesystem::path m_Folder;
    std::filesystem::path m_Temporary;  // empty for a file without a name
    bool m_TargetExists = false;
    bool m_InPlace = false;
    int m_Registered = -1;
    int m_File = -1;
    int m_Error = 0;
    std::size_t m_Flushed = 0;
    std::size_t m_Unflushed = 0;
};
