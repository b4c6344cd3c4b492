// SPDX-License-Identifier: MIT
#include "app/ReplacingFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <mutex>
#include <random>
#include <string_view>
#include <vector>

#include "app/SyncBatch.h"
#include "platform/file/FileIdentity.h"
#include "platform/file/TemporaryNames.h"

namespace {

constexpr std::size_t kTemporaryStemLength = 64;
constexpr std::size_t kRandomLength = 6;
// Marks our own files, so that a sweep for stale ones never takes a file of the user's.
constexpr std::string_view kPartialSuffix = ".tw-partial";
// Never swept: after a killed write in place it is the only complete copy of the old file.
constexpr std::string_view kBackupSuffix = ".tw-backup";
constexpr std::string_view kRandomCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsRandomCharacter(char c) {
    return kRandomCharacters.find(c) != std::string_view::npos;
}

// ".NAME.XXXXXX.tw-partial", as this writer names its temporary files.
bool IsPartialFile(std::string_view name) {
    if (name.size() < 2 + kRandomLength + 1 + kPartialSuffix.size() || name[0] != '.' ||
        !name.ends_with(kPartialSuffix)) {
        return false;
    }
    const std::string_view random =
        name.substr(name.size() - kPartialSuffix.size() - kRandomLength, kRandomLength);
    return name[name.size() - kPartialSuffix.size() - kRandomLength - 1] == '.' &&
           std::all_of(random.begin(), random.end(), IsRandomCharacter);
}

std::string RandomPart() {
    static std::mutex lock;
    static std::mt19937_64 generator{std::random_device{}()};
    const std::lock_guard hold(lock);
    std::string part;
    std::uniform_int_distribution<std::size_t> pick(0, kRandomCharacters.size() - 1);
    for (std::size_t i = 0; i < kRandomLength; ++i) {
        part += kRandomCharacters[pick(generator)];
    }
    return part;
}

// Shortened, so that a target whose name is as long as a name may be still gets a temporary.
std::string HiddenName(const std::filesystem::path& target, const std::string& random,
                       std::string_view suffix) {
    return "." + target.filename().string().substr(0, kTemporaryStemLength) + "." + random +
           std::string(suffix);
}

// A named file of our own beside the target, created with no access for others; -1 on failure.
int CreateNamed(const std::filesystem::path& folder, const std::filesystem::path& target,
                std::string_view suffix, std::string& name) {
    std::string pattern = (folder / HiddenName(target, "XXXXXX", suffix)).string();
    const int file = ::mkostemps(pattern.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    name = file >= 0 ? pattern : std::string();
    return file;
}

bool MayCreateIn(const std::filesystem::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path TemporaryFolder() {
    for (const char* variable : {"Temp", "TMPDIR"}) {
        if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') {
            return value;
        }
    }
    return "/tmp";
}

mode_t ModeForNewFile() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Copies every byte of `from` over `to` from the start and cuts `to` to that length; errno or 0.
int CopyContents(int from, int to) {
    std::vector<std::uint8_t> buffer(std::size_t{1} << 20);
    off_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(from, buffer.data(), buffer.size(), at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got < 0 ? errno : ::ftruncate(to, at) != 0 ? errno : 0;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put =
                ::pwrite(to, buffer.data() + done, static_cast<std::size_t>(got - done), at + done);
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                return put < 0 ? errno : ENOSPC;
            }
            done += put;
        }
        at += got;
    }
}

int CopyAndSync(int from, int to) {
    const int error = CopyContents(from, to);
    return error != 0 ? error : ::fsync(to) != 0 ? errno : 0;
}

}  // namespace

ReplacingFileWriter::~ReplacingFileWriter() {
    Discard();
}

Status ReplacingFileWriter::WriteFile(const std::string& path,
                                      std::span<const std::uint8_t> bytes) {
    ReplacingFileWriter writer;
    Status written = writer.Open(path);
    written = written ? writer.Write(bytes) : written;
    return written ? writer.Commit() : written;
}

Status ReplacingFileWriter::Outcome(bool done) const {
    if (done) {
        return {};
    }
    return Error::Io(m_Error, m_Target.string());
}

bool ReplacingFileWriter::Fail(int error) {
    if (m_Error == 0) {
        m_Error = error == 0 ? EIO : error;
    }
    Discard();
    return false;
}

void ReplacingFileWriter::Discard() {
    if (m_File >= 0) {
        ::close(m_File);
        m_File = -1;
    }
    if (!m_Temporary.empty()) {
        ::unlink(m_Temporary.c_str());
    }
    ForgetTemporary();
}

void ReplacingFileWriter::ForgetTemporary() {
    TemporaryNames::Unregister(m_Registered);
    m_Registered = -1;
    m_Temporary.clear();
}

// A link is followed, so that saving through it replaces the file it names, not the link; a
// link that names nothing (ENOENT) or loops (ELOOP) would otherwise become a plain file.
bool ReplacingFileWriter::ResolveTarget(const std::string& path) {
    struct stat link {};
    m_Target = path;
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        return true;
    }
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return Fail(errno);
    }
    m_Target = resolved;
    std::free(resolved);
    return true;
}

// Renaming over a file needs only the folder's permission; a write-protected file is kept as
// writing it in place would keep it, also for a user whom no permission stops.
bool ReplacingFileWriter::CheckTarget(bool& exists) {
    struct stat existing {};
    exists = ::stat(m_Target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        return Fail(S_ISDIR(existing.st_mode) ? EISDIR : EINVAL);
    }
    if (exists && ((existing.st_mode & 0222) == 0 || ::access(m_Target.c_str(), W_OK) != 0)) {
        return Fail(EACCES);
    }
    m_InPlace = exists && existing.st_nlink > 1;
    return true;
}

Status ReplacingFileWriter::Open(const std::string& path) {
    return Outcome(OpenTarget(path));
}

bool ReplacingFileWriter::OpenTarget(const std::string& path) {
    Discard();
    m_Error = 0;
    m_Flushed = m_Unflushed = 0;
    m_Target = path;
    if (path.empty()) {
        return Fail(ENOENT);
    }
    if (!ResolveTarget(path) || !CheckTarget(m_TargetExists)) {
        return false;
    }
    m_Folder = m_Target.parent_path().empty() ? std::filesystem::path(".") : m_Target.parent_path();
    TemporaryNames::RemoveStaleOnce(m_Folder.string(), IsPartialFile);
    // A file we may write but not replace is written in place; its new bytes wait elsewhere.
    const bool replaceable = MayCreateIn(m_Folder);
    m_InPlace = m_InPlace || (m_TargetExists && !replaceable);
    if (!CreateTemporary(replaceable || !m_TargetExists ? m_Folder : TemporaryFolder())) {
        return false;
    }
    m_InPlace = m_InPlace || (m_TargetExists && !KeepIdentity());
    return true;
}

// A file without a name vanishes with the process however it ends; the named one is the
// fallback for file systems that cannot make one.
bool ReplacingFileWriter::CreateTemporary(const std::filesystem::path& folder) {
    // The file is linked in through its /proc name, which must be there to use.
    static const bool linkable = ::access("/proc/self/fd", X_OK) == 0;
    m_File = linkable ? ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666) : -1;
    if (m_File >= 0) {
        return true;
    }
    if (linkable && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return Fail(errno);
    }
    std::string name;
    m_File = CreateNamed(folder, m_Target, kPartialSuffix, name);
    if (m_File < 0) {
        return Fail(errno);
    }
    m_Temporary = name;
    m_Registered = TemporaryNames::Register(name);
    return ::fchmod(m_File, ModeForNewFile()) == 0 || Fail(errno);
}

bool ReplacingFileWriter::KeepIdentity() {
    const std::optional<FileIdentity> identity = FileIdentity::Of(m_Target.string());
    return identity && identity->GiveTo(m_File);
}

Status ReplacingFileWriter::Write(std::span<const std::uint8_t> bytes) {
    return Outcome(WriteAll(bytes));
}

bool ReplacingFileWriter::WriteAll(std::span<const std::uint8_t> bytes) {
    if (m_File < 0) {
        return Fail(EBADF);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(m_File, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return Fail(written < 0 ? errno : ENOSPC);
        }
        done += static_cast<std::size_t>(written);
    }
    StartWriteBack(bytes.size());
    return true;
}

// Large files go to the disk while the rest is still being made, so that Commit waits only for
// the last of them. Only a hint: a failure here shows at Commit.
void ReplacingFileWriter::StartWriteBack(std::size_t written) {
    m_Unflushed += written;
    if (m_Unflushed >= kWriteBackBytes) {
        ::sync_file_range(m_File, static_cast<off_t>(m_Flushed), static_cast<off_t>(m_Unflushed),
                          SYNC_FILE_RANGE_WRITE);
        m_Flushed += m_Unflushed;
        m_Unflushed = 0;
    }
}

Status ReplacingFileWriter::Commit() {
    return Outcome(CommitFile());
}

bool ReplacingFileWriter::CommitFile() {
    if (m_File < 0) {
        return Fail(EBADF);
    }
    const bool done = m_InPlace ? CommitInPlace() : CommitByReplacing();
    if (done) {
        Discard();
    }
    return done;
}

bool ReplacingFileWriter::CommitByReplacing() {
    // An old file's contents go only once the new ones are on disk.
    if ((m_TargetExists || !SyncBatch::Defer(m_Folder, m_Target)) && ::fsync(m_File) != 0) {
        return Fail(errno);
    }
    if (m_Temporary.empty() && !LinkUnnamed()) {
        return false;
    }
    if (m_Temporary.empty()) {
        return true;
    }
    const int file = m_File;
    m_File = -1;
    if (::close(file) != 0) {
        return Fail(errno);
    }
    if (std::rename(m_Temporary.c_str(), m_Target.c_str()) != 0) {
        return Fail(errno);
    }
    ForgetTemporary();
    return true;
}

// A new target gets the file's name at once; an existing one is replaced through a hidden name,
// since a link never replaces a name. m_Temporary stays empty when the target has the file.
bool ReplacingFileWriter::LinkUnnamed() {
    const std::string self = "/proc/self/fd/" + std::to_string(m_File);
    if (!m_TargetExists &&
        ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_Target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::filesystem::path name =
            m_Folder / HiddenName(m_Target, RandomPart(), kPartialSuffix);
        m_Registered = TemporaryNames::Register(name.string());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_Temporary = name;
            return true;
        }
        const int error = errno;
        ForgetTemporary();
        if (error != EEXIST) {
            return Fail(error);
        }
    }
    return Fail(EEXIST);
}

// The old contents go to a copy that is on disk before the target is touched; when writing the
// target fails it is restored from that copy, and the copy is kept if even that fails.
bool ReplacingFileWriter::CommitInPlace() {
    const std::filesystem::path folder = MayCreateIn(m_Folder) ? m_Folder : TemporaryFolder();
    std::string backupName;
    const int backup = CreateNamed(folder, m_Target, kBackupSuffix, backupName);
    const int target = ::open(m_Target.c_str(), O_RDWR | O_CLOEXEC);
    int error = backup < 0 || target < 0 ? errno : CopyAndSync(target, backup);
    bool restored = true;
    if (error == 0) {
        error = CopyAndSync(m_File, target);
        restored = error == 0 || CopyAndSync(backup, target) == 0;
    }
    if (restored && backup >= 0) {
        ::unlink(backupName.c_str());
    }
    for (const int file : {backup, target}) {
        if (file >= 0) {
            ::close(file);
        }
    }
    return error == 0 || Fail(error);
}

Expected<std::int32_t, Error> ReplacingFileWriter::CommittedLength() const {
    std::error_code error;
    const std::uintmax_t length = std::filesystem::file_size(m_Target, error);
    if (error) {
        return Error::Io(error.value(), m_Target.string());
    }
    return static_cast<std::int32_t>(length);
}
