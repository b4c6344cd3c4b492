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
#include <string>

#include "support/TempFolder.h"

// Each call runs in a child process behind the filter: what is refused fails with EACCES and
// leaves no trace, and reading still works (the image plugins are loaded from disk).
namespace {

// The child's exit code: 0 when the call gave what was expected, 1 when not.
int InSandbox(const std::function<bool()>& call) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(DecoderSandbox::Enter() && call() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

bool Refused(int result) {
    return result == -1 && errno == EACCES;
}

TEST(DecoderSandbox, WritingNetworkProgramsAndOtherProcessesAreRefusedReadingIsNot) {
    TempFolder folder;
    const std::string existing = folder.File("kept");
    TempFolder::Write(existing, {1, 2, 3});
    const std::string created = folder.File("new");
    const pid_t parent = ::getpid();
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"open for writing", [&] { return Refused(::open(existing.c_str(), O_WRONLY)); }},
        {"open to create",
         [&] { return Refused(::open(created.c_str(), O_RDONLY | O_CREAT, 0600)); }},
        {"openat read-write",
         [&] { return Refused(::openat(AT_FDCWD, existing.c_str(), O_RDWR)); }},
        {"truncate", [&] { return Refused(::truncate(existing.c_str(), 0)); }},
        {"unlink", [&] { return Refused(::unlink(existing.c_str())); }},
        {"rename", [&] { return Refused(::rename(existing.c_str(), created.c_str())); }},
        {"mkdir", [&] { return Refused(::mkdir(created.c_str(), 0700)); }},
        {"socket", [] { return Refused(::socket(AF_INET, SOCK_STREAM, 0)); }},
        {"execve",
         [] {
             char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
             return Refused(::execve("/bin/true", argv, nullptr));
         }},
        {"signal the parent", [&] { return Refused(::kill(parent, SIGTERM)); }},
        {"raise a limit",
         [] {
             const rlimit none{RLIM_INFINITY, RLIM_INFINITY};
             return Refused(::setrlimit(RLIMIT_CPU, &none));
         }},
        {"open for reading", [&] {
             const int fd = ::open(existing.c_str(), O_RDONLY);
             char byte = 0;
             return fd >= 0 && ::read(fd, &byte, 1) == 1 && byte == 1;
         }}};
    for (const auto& [name, call] : cases) {
        EXPECT_EQ(InSandbox(call), 0) << name;
    }
    EXPECT_EQ(TempFolder::Read(existing), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(created));
}

}  // namespace
