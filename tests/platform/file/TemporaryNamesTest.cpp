// SPDX-License-Identifier: MIT
#include "platform/file/TemporaryNames.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// A child registers two files, forgets one, and ends by `signal`; what the parent then finds.
struct Ending {
    int signal;
    bool ignored;
    bool endsBySignal;
};

TEST(TemporaryNames, ASignalThatEndsTheProcessRemovesTheRegisteredFilesFirst) {
    const Ending endings[] = {{SIGTERM, false, true}, {SIGINT, false, true}, {SIGHUP, true, false}};
    for (const Ending& ending : endings) {
        TempFolder folder;
        const std::string kept = folder.File("kept"), removed = folder.File("removed");
        TempFolder::Write(kept, {1});
        TempFolder::Write(removed, {1});
        const pid_t child = ::fork();
        if (child == 0) {
            std::signal(ending.signal, ending.ignored ? SIG_IGN : SIG_DFL);
            TemporaryNames::RemoveOnTerminationSignals();
            TemporaryNames::Unregister(TemporaryNames::Register(kept));
            TemporaryNames::Register(removed);
            ::raise(ending.signal);
            ::_exit(7);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(WIFSIGNALED(status) && WTERMSIG(status) == ending.signal, ending.endsBySignal)
            << ending.signal;
        EXPECT_EQ(WIFEXITED(status) && WEXITSTATUS(status) == 7, !ending.endsBySignal);
        EXPECT_TRUE(fs::exists(kept));
        EXPECT_EQ(fs::exists(removed), !ending.endsBySignal) << ending.signal;
    }
    EXPECT_EQ(TemporaryNames::Register(std::string(PATH_MAX, 'x')), -1);
}

TEST(TemporaryNames, OnlyStaleRegularFilesOfThePatternAreRemoved) {
    TempFolder folder;
    const struct {
        const char* name;
        long age;
        bool removed;
        bool otherOwner = false;
    } files[] = {{".s.bmp.AbC123", TemporaryNames::kStaleSeconds + 60, true},
                 {".s.bmp.Oth123", TemporaryNames::kStaleSeconds + 60, false, true},
                 {".s.bmp.Young1", TemporaryNames::kStaleSeconds - 60, false},
                 {".s.bmp.AbC12", TemporaryNames::kStaleSeconds + 60, false},
                 {".s.bmp.AbC123x", TemporaryNames::kStaleSeconds + 60, false},
                 {".s.bmp.Ab-123", TemporaryNames::kStaleSeconds + 60, false},
                 {".t.bmp.AbC123", TemporaryNames::kStaleSeconds + 60, false}};
    for (const auto& file : files) {
        TempFolder::Write(folder.File(file.name), {1});
        TempFolder::Backdate(folder.File(file.name), file.age);
        // The tests run as root, which may give a file away and delete it again.
        ASSERT_TRUE(!file.otherOwner ||
                    ::chown(folder.File(file.name).c_str(), ::geteuid() + 1, ::getegid()) == 0);
    }
    fs::create_directory(folder.File(".s.bmp.Dir123"));
    fs::create_symlink(folder.File(".s.bmp.Young1"), folder.File(".s.bmp.Lnk123"));
    TempFolder::Backdate(folder.File(".s.bmp.Dir123"), TemporaryNames::kStaleSeconds + 60);
    TempFolder::Backdate(folder.File(".s.bmp.Lnk123"), TemporaryNames::kStaleSeconds + 60);
    TemporaryNames::RemoveStale(folder.Path(), ".s.bmp.",
                                [](std::string_view rest) { return rest.empty(); });
    for (const auto& file : files) {
        EXPECT_EQ(fs::exists(folder.File(file.name)), !file.removed) << file.name;
    }
    EXPECT_TRUE(fs::exists(folder.File(".s.bmp.Dir123")));
    EXPECT_TRUE(fs::is_symlink(folder.File(".s.bmp.Lnk123")));
}

}  // namespace
