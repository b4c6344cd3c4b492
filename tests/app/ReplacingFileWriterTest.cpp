#include "app/ReplacingFileWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "TempFolder.h"

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

TEST(ReplacingFileWriter, AFinishedWriteReplacesTheFileAndKeepsItsPermissions) {
    TempFolder folder;
    const std::string path = folder.File("strip.bmp");
    TempFolder::Write(path, std::vector<std::uint8_t>(50, 9));
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteAll(path));
    EXPECT_EQ(TempFolder::Read(path), kBytes);
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(folder.EntryCount(), 1u);
}

TEST(ReplacingFileWriter, AnAbandonedWriteLeavesNothingBehind) {
    TempFolder folder;
    const std::string path = folder.File("strip.bmp");
    TempFolder::Write(path, {7, 7});
    {
        ReplacingFileWriter writer;
        ASSERT_TRUE(writer.Open(path));
        ASSERT_TRUE(writer.Write(kBytes));
        EXPECT_EQ(folder.EntryCount(), 2u);
    }
    EXPECT_EQ(TempFolder::Read(path), (std::vector<std::uint8_t>{7, 7}));
    EXPECT_EQ(folder.EntryCount(), 1u);
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

}  // namespace
