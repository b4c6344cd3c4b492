#include "app/ReplacingFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <system_error>
#include <vector>

#include "platform/file/TemporaryNames.h"

namespace {

constexpr std::size_t kTemporaryStemLength = 64;

// A link is followed, so that saving through it replaces the file it names, not the link.
std::filesystem::path ResolveTarget(const std::string& path) {
    std::error_code error;
    const std::filesystem::path target(path);
    if (std::filesystem::is_symlink(target, error)) {
        const std::filesystem::path resolved = std::filesystem::canonical(target, error);
        if (!error) {
            return resolved;
        }
    }
    return target;
}

mode_t ModeForNewFile(const std::filesystem::path& target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        return existing.st_mode & 07777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::string ReplacingFileWriter::ErrorText(int error) {
    return "Error: " + std::to_string(error) + "\n" + std::strerror(error);
}

ReplacingFileWriter::~ReplacingFileWriter() {
    Discard();
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
        ForgetTemporary();
    }
}

void ReplacingFileWriter::ForgetTemporary() {
    TemporaryNames::Unregister(m_Registered);
    m_Registered = -1;
    m_Temporary.clear();
}

bool ReplacingFileWriter::Open(const std::string& path) {
    Discard();
    m_Error = 0;
    if (path.empty()) {
        return Fail(ENOENT);
    }
    m_Target = ResolveTarget(path);
    struct stat existing {};
    const bool exists = ::stat(m_Target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        return Fail(S_ISDIR(existing.st_mode) ? EISDIR : EINVAL);
    }
    // Renaming over a file needs only the folder's permission; a write-protected file is kept as
    // writing it in place would keep it, also for a user whom no permission stops.
    if (exists && ((existing.st_mode & 0222) == 0 || ::access(m_Target.c_str(), W_OK) != 0)) {
        return Fail(EACCES);
    }
    const std::filesystem::path folder = m_Target.parent_path();
    // Shortened, so that a target whose name is as long as a name may be still gets a temporary.
    const std::string stem = m_Target.filename().string().substr(0, kTemporaryStemLength);
    const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
    TemporaryNames::RemoveStale(where.string(), "." + stem + ".",
                                [](std::string_view rest) { return rest.empty(); });
    std::string pattern = (where / ("." + stem + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_File = ::mkstemp(name.data());
    if (m_File < 0) {
        return Fail(errno);
    }
    m_Temporary = name.data();
    m_Registered = TemporaryNames::Register(m_Temporary.string());
    if (::fchmod(m_File, ModeForNewFile(m_Target)) != 0) {
        return Fail(errno);
    }
    return true;
}

bool ReplacingFileWriter::Write(std::span<const std::uint8_t> bytes) {
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

bool ReplacingFileWriter::Commit() {
    if (m_File < 0) {
        return Fail(EBADF);
    }
    if (::fsync(m_File) != 0) {
        return Fail(errno);
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
