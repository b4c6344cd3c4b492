// SPDX-License-Identifier: MIT
#include "app/ReplacingFileWriter.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <csignal>

#include <filesystem>
#include <functional>
#include <tuple>

#include "app/StripDocument.h"
#include "support/PeBuilder.h"
#include "support/TempFolder.h"

namespace {

const std::vector<std::uint8_t> kBytes{1, 2, 3, 4, 5};

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

bool WriteAll(const std::string& path) {
    ReplacingFileWriter writer;
    return writer.Open(path) && writer.Write(kBytes) && writer.Commit();
}

std::vector<std::uint8_t> Attribute(const std::string& path, const char* name) {
    std::vector<std::uint8_t> value(4096);
    const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
    value.resize(size < 0 ? 0 : static_cast<std::size_t>(size));
    return value;
}

constexpr std::uint32_t kAnyone = 0xFFFFFFFF;

// An access list as the kernel stores it: version 2, then tag (2 bytes), permissions (2) and id
// (4) per entry; the entries are given as a flat run of those three values.
std::vector<std::uint8_t> AccessList(std::initializer_list<std::uint32_t> fields) {
    std::vector<std::uint8_t> bytes{2, 0, 0, 0};
    int field = 0;
    for (const std::uint32_t value : fields) {
        const int size = field++ % 3 == 2 ? 4 : 2;
        for (int i = 0; i < size; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    return bytes;
}

TEST(ReplacingFileWriter, NothingIsLeftOfAnAbandonedOrKilledWriteAndOnlyOurStaleFilesAreSwept) {
    TempFolder folder;
    const std::string path = folder.File("strip.bmp");
    TempFolder::Write(path, std::vector<std::uint8_t>(50, 9));
    const std::string stale = folder.File(".strip.bmp.Old123.tw-partial"),
                      users = folder.File(".notes.backup"),
                      fresh = folder.File(".a.Abc123.tw-partial");
    for (const std::string& file : {stale, users, fresh}) {
        TempFolder::Write(file, {1});
        TempFolder::Backdate(file, file == fresh ? 60 : 2 * 24 * 60 * 60);
    }
    {
        ReplacingFileWriter writer;
        ASSERT_TRUE(writer.Open(path));
        ASSERT_TRUE(writer.Write(kBytes));
        EXPECT_EQ(folder.EntryCount(), 3u) << "the new file has no name until it is complete";
    }
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ReplacingFileWriter writer;
        const bool writing = writer.Open(path) && writer.Write(std::vector<std::uint8_t>(1 << 20));
        [[maybe_unused]] const ssize_t told = ::write(ready[1], &writing, 1);
        ::pause();
        ::_exit(0);
    }
    bool writing = false;
    EXPECT_EQ(::read(ready[0], &writing, 1), 1);
    EXPECT_TRUE(writing);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(TempFolder::Read(path), std::vector<std::uint8_t>(50, 9));
    EXPECT_EQ(folder.EntryCount(), 3u) << "a killed save leaves nothing";
    ASSERT_TRUE(WriteAll(path));
    EXPECT_EQ(TempFolder::Read(path), kBytes);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(users)) << "a name that is not ours is never swept";
    EXPECT_TRUE(std::filesystem::exists(fresh)) << "a save still running in another process";
}

// The new file gets the old one's group, mode, access list and attributes, not what the folder's
// default list would give a new file; a hard link is written through.
TEST(ReplacingFileWriter, ASaveKeepsTheFilesIdentityAndItsHardLinks) {
    TempFolder folder;
    const std::string path = folder.File("strip.bmp"), plain = folder.File("plain.bmp"),
                      linked = folder.File("linked.bmp"), other = folder.File("other.bmp");
    const std::vector<std::uint8_t> folderDefault = AccessList(
        {0x01, 7, kAnyone, 0x04, 7, kAnyone, 0x08, 7, 4, 0x10, 7, kAnyone, 0x20, 0, kAnyone});
    gid_t groups[64];
    const int count = ::getgroups(64, groups);
    const gid_t group = ::geteuid() == 0 ? 4 : count > 1 ? groups[count - 1] : ::getegid();
    const std::vector<std::uint8_t> access = AccessList(
        {0x01, 6, kAnyone, 0x02, 4, 65534, 0x04, 4, kAnyone, 0x10, 4, kAnyone, 0x20, 0, kAnyone});
    for (const std::string& file : {path, plain, linked}) {
        TempFolder::Write(file, {7});
        ::chmod(file.c_str(), 0600);
    }
    ASSERT_EQ(::chown(path.c_str(), ::geteuid(), group), 0);
    ASSERT_EQ(::setxattr(path.c_str(), "user.origin", "kept", 4, 0), 0);
    ASSERT_EQ(::setxattr(path.c_str(), "system.posix_acl_access", access.data(), access.size(), 0),
              0);
    std::filesystem::create_hard_link(linked, other);
    ASSERT_EQ(::setxattr(folder.Path().c_str(), "system.posix_acl_default", folderDefault.data(),
                         folderDefault.size(), 0),
              0);
    struct stat before {};
    ::stat(linked.c_str(), &before);

    for (const std::string& file : {path, plain, linked}) {
        ASSERT_TRUE(WriteAll(file)) << file;
        EXPECT_EQ(TempFolder::Read(file), kBytes) << file;
    }
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(
        std::tuple(after.st_gid, after.st_mode & 07777, Attribute(path, "user.origin"),
                   Attribute(path, "system.posix_acl_access"), ModeOf(plain)),
        std::tuple(group, 0640u, std::vector<std::uint8_t>{'k', 'e', 'p', 't'}, access, 0600u));
    EXPECT_TRUE(Attribute(plain, "system.posix_acl_access").empty())
        << "the folder's default list gives the group access the old file did not";
    ::stat(other.c_str(), &after);
    EXPECT_EQ(std::tuple(after.st_ino, after.st_nlink, TempFolder::Read(other)),
              std::tuple(before.st_ino, 2u, kBytes));
    EXPECT_EQ(folder.EntryCount(), 4u) << "no copy of the old contents is left";
}

TEST(ReplacingFileWriter, NewFilesLinksAndLongNames) {
    TempFolder folder;
    const std::string fresh = folder.File("new.bmp"), real = folder.File("real.bmp"),
                      link = folder.File("link.bmp"),
                      longest = folder.File(std::string(251, 'n') + ".bmp");
    const mode_t mask = ::umask(022);
    EXPECT_TRUE(WriteAll(fresh));
    ::umask(mask);
    EXPECT_EQ(ModeOf(fresh), 0644u) << "the usual permissions";
    // Saving through a link replaces the file it names.
    TempFolder::Write(real, {1});
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(WriteAll(link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(TempFolder::Read(real), kBytes);
    // A name as long as the folder allows.
    ASSERT_TRUE(WriteAll(longest));
    EXPECT_EQ(TempFolder::Read(longest), kBytes);
}

TEST(ReplacingFileWriter, UnusableTargetsFailWithTheirReason) {
    TempFolder folder;
    const std::string locked = folder.File("locked.bmp"), dangling = folder.File("dangling.bmp"),
                      loop = folder.File("loop.bmp");
    TempFolder::Write(locked, {7});
    ::chmod(locked.c_str(), 0444);
    // A link to nothing or to itself is refused and stays a link.
    std::filesystem::create_symlink(folder.File("missing.bmp"), dangling);
    std::filesystem::create_symlink(loop, loop);
    ReplacingFileWriter writer;
    for (const auto& [target, error] : {std::pair{folder.File(""), EISDIR},
                                        {folder.File("no/such/folder.bmp"), ENOENT},
                                        {std::string("/dev/null"), EINVAL},
                                        {locked, EACCES},
                                        {dangling, ENOENT},
                                        {loop, ELOOP}}) {
        // Braces evaluate left to right: the error read is the one Open left.
        EXPECT_EQ((std::pair{writer.Open(target), writer.Error()}), std::pair(false, error))
            << target;
    }
    EXPECT_EQ(TempFolder::Read(locked), (std::vector<std::uint8_t>{7}));
    EXPECT_TRUE(std::filesystem::is_symlink(dangling) && std::filesystem::is_symlink(loop));
    for (const std::string& file : {locked, dangling, loop}) {
        std::filesystem::remove(file);
    }
    EXPECT_FALSE(writer.Write(kBytes));
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(folder.EntryCount(), 0u) << "nothing was made, not even the file a link names";
}

// A save that cannot finish leaves the old strip file byte for byte, and the document keeps its
// name, its cells and its unsaved state. Each failure is made in a child process, whose verdict
// is true only when it ran check to the end and check held.
bool InChild(const std::function<bool()>& check) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void ReadOnlyFolder(const std::string& folder) {
    ::chmod(folder.c_str(), 0555);
    if (::geteuid() == 0) {
        // Permissions do not bind root; the save runs as nobody.
        [[maybe_unused]] const int ignored = ::setuid(65534);
    }
}

void FullDisk(const std::string&) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{2000, 2000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

TEST(NothingLost, AFailedSaveKeepsTheOldFileAndTheUnsavedStrip) {
    const struct {
        const char* name;
        void (*fail)(const std::string& folder);
        const char* error;
    } cases[] = {{"read-only folder", ReadOnlyFolder, "Error: 13\n"},
                 {"full disk", FullDisk, "Error: 27\n"}};
    for (const auto& c : cases) {
        TempFolder folder;
        const std::string path = folder.File("tools.bmp");
        const auto before = testsupport::BitmapFileOf(testsupport::FramedStrip(64, 16, 16));
        TempFolder::Write(path, before);

        const bool held = InChild([&] {
            StripDocument document;
            if (!document.OpenStripFile(path) || !document.DeleteCell()) {
                return false;
            }
            c.fail(folder.File(""));
            std::string error;
            return !document.SaveStrip(path, error) && error.rfind(c.error, 0) == 0 &&
                   document.FileName() == "tools.bmp" && !document.Saved() &&
                   document.CellCount() == 3;
        });
        ::chmod(folder.File("").c_str(), 0700);
        EXPECT_TRUE(held) << c.name;
        EXPECT_EQ(TempFolder::Read(path), before) << c.name;
        EXPECT_EQ(folder.EntryCount(), 1u) << c.name << ": no temporary file is left";
    }
}

// Written in place: a hard-linked file whose write fails half-way (a file-size limit in a child)
// gets its old bytes back; one anyone may write in a folder where nobody may create (saved as
// nobody, in /tmp, which nobody can reach) gets the new bytes. It stays the same file.
TEST(ReplacingFileWriter, WritesInPlaceKeepTheFileAndRestoreItWhenTheyFail) {
    const std::vector<std::uint8_t> old(1000, 7), fresh(3000, 9);
    // Case, a second link, saved as nobody, the file-size limit at commit, saved.
    const std::tuple<const char*, bool, bool, rlim_t, bool> cases[] = {
        {"hard link, cut off", true, false, 2000, false},
        {"may write, not replace", false, true, RLIM_INFINITY, true}};
    for (const auto& [name, linked, nobody, limit, saved] : cases) {
        TempFolder folder(nobody ? "/tmp" : testing::TempDir());
        const std::string path = folder.File("strip.bmp");
        TempFolder::Write(path, old);
        ::chmod(path.c_str(), 0666);
        ::chmod(folder.Path().c_str(), 0755);
        if (linked) {
            std::filesystem::create_hard_link(path, folder.File("other.bmp"));
        }
        struct stat before {};
        ::stat(path.c_str(), &before);
        EXPECT_TRUE(InChild([&] {
            ReplacingFileWriter writer;
            const rlimit most{limit, limit};
            std::signal(SIGXFSZ, SIG_IGN);
            return (!nobody || (::setenv("Temp", "/tmp", 1) == 0 && ::setuid(65534) == 0)) &&
                   writer.Open(path) && writer.Write(fresh) &&
                   ::setrlimit(RLIMIT_FSIZE, &most) == 0 && writer.Commit() == saved &&
                   writer.Error() == (saved ? 0 : EFBIG);
        })) << name;
        struct stat after {};
        ::stat(path.c_str(), &after);
        EXPECT_EQ(
            std::tuple(TempFolder::Read(path), after.st_ino, after.st_uid, folder.EntryCount()),
            std::tuple(saved ? fresh : old, before.st_ino, before.st_uid, linked ? 2u : 1u))
            << name;
    }
}

}  // namespace
