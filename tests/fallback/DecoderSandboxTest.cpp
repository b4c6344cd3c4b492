// SPDX-License-Identifier: MIT
#include "fallback/DecoderSandbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "support/TempFolder.h"

namespace {

// Runs the call in a child process behind the filter; true when it returned true there.
bool InSandbox(const std::function<bool()>& call) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(DecoderSandbox::Enter() && call() ? 0 : 1);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Refused(int result) {
    return result == -1 && errno == EACCES;
}

// What is refused fails with EACCES and leaves no trace; reading still works (the image
// plugins are loaded from disk).
TEST(DecoderSandbox, WritingNetworkProgramsAndOtherProcessesAreRefusedReadingIsNot) {
    TempFolder folder;
    const std::string kept = folder.File("kept"), made = folder.File("new");
    TempFolder::Write(kept, {1, 2, 3});
    const pid_t parent = ::getpid();
    char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
    const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"open to write", [&] { return Refused(::open(kept.c_str(), O_WRONLY)); }},
        {"open to create", [&] { return Refused(::open(made.c_str(), O_RDONLY | O_CREAT, 0600)); }},
        {"openat to read and write",
         [&] { return Refused(::openat(AT_FDCWD, kept.c_str(), O_RDWR)); }},
        {"truncate", [&] { return Refused(::truncate(kept.c_str(), 0)); }},
        {"unlink", [&] { return Refused(::unlink(kept.c_str())); }},
        {"rename", [&] { return Refused(::rename(kept.c_str(), made.c_str())); }},
        {"mkdir", [&] { return Refused(::mkdir(made.c_str(), 0700)); }},
        {"socket", [] { return Refused(::socket(AF_INET, SOCK_STREAM, 0)); }},
        {"execve", [&] { return Refused(::execve(argv[0], argv, nullptr)); }},
        {"signal the parent", [&] { return Refused(::kill(parent, SIGTERM)); }},
        {"raise a limit", [&] { return Refused(::setrlimit(RLIMIT_CPU, &unlimited)); }},
        {"open to read", [&] {
             char byte = 0;
             const int fd = ::open(kept.c_str(), O_RDONLY);
             return fd >= 0 && ::read(fd, &byte, 1) == 1 && byte == 1;
         }}};
    for (const auto& [name, call] : cases) {
        EXPECT_TRUE(InSandbox(call)) << name;
    }
    EXPECT_EQ(TempFolder::Read(kept), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(made));
}

// A process past its CPU time is stopped by SIGXCPU. (Its address-space limit leaves no room for
// this test program's sanitizers; the bomb of the strip commands shows it.)
TEST(DecoderSandbox, ALoopEndsAtTheCpuTimeLimit) {
    const pid_t child = ::fork();
    if (child == 0) {
        DecoderSandbox::Limit(~std::uint64_t{0}, 1);
        for (;;) {
            ::getppid();
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) << status;
}

}  // namespace
