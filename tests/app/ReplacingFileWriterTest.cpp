#include "app/ReplacingFileWriter.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include <filesystem>
#include <functional>

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

TEST(ReplacingFileWriter, AnAbandonedWriteLeavesNothingAndAFinishedOneKeepsThePermissions) {
    TempFolder folder;
    const std::string path = folder.File("strip.bmp");
    TempFolder::Write(path, std::vector<std::uint8_t>(50, 9));
    ::chmod(path.c_str(), 0640);
    {
        ReplacingFileWriter writer;
        ASSERT_TRUE(writer.Open(path));
        ASSERT_TRUE(writer.Write(kBytes));
        EXPECT_EQ(folder.EntryCount(), 2u);
    }
    EXPECT_EQ(TempFolder::Read(path), std::vector<std::uint8_t>(50, 9));
    EXPECT_EQ(folder.EntryCount(), 1u);
    const std::string stale = folder.File(".strip.bmp.Old123");
    TempFolder::Write(stale, {1});
    TempFolder::Backdate(stale, 2 * 24 * 60 * 60);
    ASSERT_TRUE(WriteAll(path));
    EXPECT_EQ(TempFolder::Read(path), kBytes);
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(folder.EntryCount(), 1u) << "the stale temporary file of an earlier run is gone";
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
    ReplacingFileWriter writer;
    EXPECT_FALSE(writer.Open(folder.File("")));
    EXPECT_EQ(writer.Error(), EISDIR);
    EXPECT_FALSE(writer.Open(folder.File("no/such/folder.bmp")));
    EXPECT_EQ(writer.Error(), ENOENT);
    EXPECT_FALSE(writer.Open("/dev/null"));
    EXPECT_EQ(writer.Error(), EINVAL);
    const std::string locked = folder.File("locked.bmp");
    TempFolder::Write(locked, {7});
    ::chmod(locked.c_str(), 0444);
    EXPECT_FALSE(writer.Open(locked));
    EXPECT_EQ(writer.Error(), EACCES);
    EXPECT_EQ(TempFolder::Read(locked), (std::vector<std::uint8_t>{7}));
    std::filesystem::remove(locked);
    EXPECT_FALSE(writer.Write(kBytes));
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(folder.EntryCount(), 0u);
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

}  // namespace
