// SPDX-License-Identifier: MIT
#include "platform/desktop/FallbackProcess.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "platform/desktop/FallbackProtocol.h"
#include "platform/gdi/PixelBudget.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

class UniqueFd {
  public:
    explicit UniqueFd(int fd = -1) : m_Fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_Fd(std::exchange(other.m_Fd, -1)) {}
    UniqueFd& operator=(UniqueFd&&) = delete;
    ~UniqueFd() { Reset(); }
    int Get() const { return m_Fd; }
    void Reset() {
        if (m_Fd >= 0) {
            ::close(m_Fd);
        }
        m_Fd = -1;
    }

  private:
    int m_Fd;
};

// The conversation with one decoder process over its socket, every step within one deadline.
class Channel {
  public:
    Channel(int fd, std::chrono::milliseconds allowed)
        : m_Fd(fd), m_Allowed(allowed), m_Deadline(Clock::now() + allowed) {}

    // Time spent waiting on our side (for memory) is not the process's.
    void RestartDeadline() { m_Deadline = Clock::now() + m_Allowed; }

    bool Send(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        while (size > 0) {
            if (!Wait(POLLOUT)) {
                return false;
            }
            // The process may be gone: an error, not SIGPIPE.
            const ssize_t sent = ::send(m_Fd, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent < 0 && errno != EINTR && errno != EAGAIN) {
                return false;
            }
            bytes += sent > 0 ? sent : 0;
            size -= sent > 0 ? static_cast<std::size_t>(sent) : 0;
        }
        return true;
    }

    bool Receive(void* data, std::size_t size) {
        auto* bytes = static_cast<std::uint8_t*>(data);
        while (size > 0) {
            if (!Wait(POLLIN)) {
                return false;
            }
            const ssize_t got = ::recv(m_Fd, bytes, size, MSG_DONTWAIT);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
                return false;
            }
            bytes += got > 0 ? got : 0;
            size -= got > 0 ? static_cast<std::size_t>(got) : 0;
        }
        return true;
    }

    bool TimedOut() const { return m_TimedOut; }

  private:
    bool Wait(short events) {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(m_Deadline - Clock::now());
            if (left.count() <= 0) {
                m_TimedOut = true;
                return false;
            }
            pollfd watched{m_Fd, events, 0};
            const int ready = ::poll(&watched, 1, static_cast<int>(left.count()));
            if (ready > 0) {
                return true;
            }
            if (ready < 0 && errno != EINTR) {
                return false;
            }
        }
    }

    int m_Fd;
    std::chrono::milliseconds m_Allowed;
    Clock::time_point m_Deadline;
    bool m_TimedOut = false;
};

std::optional<pid_t> Start(const std::string& program, int childEnd) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, childEnd, STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, childEnd, STDOUT_FILENO);
    // What the plugins print would reach the user's terminal without our program's name.
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? std::optional(pid) : std::nullopt;
}

// Why the process gave no picture, from how it ended.
DecodeError Ending(int status, bool timedOut) {
    if (timedOut) {
        return DecodeError::DecoderFailed("ran past its deadline and was stopped");
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) {
        return DecodeError::DecoderFailed("ran past its CPU-time limit");
    }
    if (WIFSIGNALED(status)) {
        return DecodeError::DecoderFailed("was killed by signal " +
                                          std::to_string(WTERMSIG(status)));
    }
    return DecodeError::DecoderFailed("ended without a picture (exit status " +
                                      std::to_string(WEXITSTATUS(status)) + ")");
}

// The process stopped answering: how it ended tells why.
DecodeError BrokeOff() {
    return DecodeError::DecoderFailed("broke off");
}

// The process's exit status. One that overran the deadline is stopped at once; one that broke
// off has a moment to end by itself, so that its own reason (a signal, a limit) is seen.
int Reap(pid_t pid, bool stopNow) {
    constexpr int kGraceSteps = 100;
    int status = 0;
    for (int step = 0; !stopNow && step < kGraceSteps; ++step) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return status;
        }
        ::usleep(10'000);
    }
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

DecodeError Refusal(const fallback::ReplyHeader& reply, const std::string& message) {
    switch (reply.status) {
        case fallback::Status::TooLarge:
            return DecodeError::SizeLimit(reply.width, reply.height);
        case fallback::Status::OutOfMemory:
            return DecodeError::DecoderFailed("ran out of memory");
        default:
            return message.empty() ? DecodeError::NotThisFormat() : DecodeError::BadData(message);
    }
}

// The bytes the process is about to take for the picture it planned: its pixels, or all it
// may take when the picture does not say.
std::size_t PlannedBytes(const fallback::ReplyHeader& plan, std::uint64_t maxPixels) {
    const auto pixels = static_cast<std::uint64_t>(std::max(plan.width, 0)) *
                        static_cast<std::uint64_t>(std::max(plan.height, 0));
    const std::uint64_t bytes =
        pixels == 0 || pixels > maxPixels ? fallback::kProcessMemoryBytes : pixels * 4;
    return static_cast<std::size_t>(std::min(bytes, fallback::kProcessMemoryBytes));
}

bool ReceiveReply(Channel& channel, fallback::ReplyHeader& reply, std::string& message) {
    if (!channel.Receive(&reply, sizeof reply) || reply.magic != fallback::kReplyMagic ||
        reply.messageBytes > fallback::kMaxMessageBytes) {
        return false;
    }
    message.assign(reply.messageBytes, '\0');
    return channel.Receive(message.data(), message.size());
}

// The reply after the request: the picture's pixels in the room, or why there are none. The
// process's pixels count in the thread's budget from before it decodes until they are in.
Expected<bool, DecodeError> Converse(Channel& channel, std::span<const std::uint8_t> bytes,
                                     const fallback::RequestHeader& request,
                                     const FallbackDecoder::PixelRoom& room, int fd) {
    fallback::ReplyHeader reply;
    std::string message;
    if (!channel.Send(&request, sizeof request) || !channel.Send(bytes.data(), bytes.size()) ||
        !ReceiveReply(channel, reply, message)) {
        return BrokeOff();
    }
    std::optional<gdi::PixelBudget::Reservation> decoding;
    if (reply.status == fallback::Status::Planned) {
        decoding.emplace(PlannedBytes(reply, request.maxPixels));
        channel.RestartDeadline();
        constexpr char kGo = 1;
        if (!channel.Send(&kGo, 1) || ::shutdown(fd, SHUT_WR) != 0 ||
            !ReceiveReply(channel, reply, message)) {
            return BrokeOff();
        }
    }
    if (reply.status != fallback::Status::Decoded) {
        return Refusal(reply, message);
    }
    const auto pixels =
        static_cast<std::uint64_t>(reply.width) * static_cast<std::uint64_t>(reply.height);
    if (reply.width < 1 || reply.height < 1 || pixels > request.maxPixels) {
        return DecodeError::SizeLimit(reply.width, reply.height);
    }
    Expected<std::span<std::uint8_t>, DecodeError> target = room(reply.width, reply.height);
    if (!target) {
        return target.Error();
    }
    if (target->size() != pixels * 4 || !channel.Receive(target->data(), target->size())) {
        return BrokeOff();
    }
    return reply.alpha != 0;
}

// Started through the dynamic loader, /proc/self/exe names the loader; the path the loader
// mapped this code from still names the program.
std::vector<std::filesystem::path> ProgramPaths() {
    std::vector<std::filesystem::path> paths;
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        paths.push_back(executable);
    }
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ProgramPaths), &info) != 0 && info.dli_fname != nullptr &&
        std::strchr(info.dli_fname, '/') != nullptr) {
        paths.push_back(std::filesystem::absolute(info.dli_fname, error));
    }
    return paths;
}

}  // namespace

FallbackProcess::FallbackProcess(std::string program, std::uint64_t maxPixels,
                                 std::chrono::milliseconds deadline)
    : m_Program(std::move(program)), m_MaxPixels(maxPixels), m_Deadline(deadline) {}

std::string FallbackProcess::Find() {
    for (const std::filesystem::path& executable : ProgramPaths()) {
        for (const char* folder : {".", TILEWRIGHT_PLUGIN_FROM_BIN}) {
            const std::filesystem::path path = executable.parent_path() / folder / kProgramName;
            if (::access(path.c_str(), X_OK) == 0) {
                return path.lexically_normal().string();
            }
        }
    }
    return {};
}

Expected<bool, DecodeError> FallbackProcess::Decode(std::span<const std::uint8_t> bytes,
                                                    int drawWidth, int drawHeight,
                                                    const PixelRoom& room) const {
    if (bytes.size() > fallback::kMaxEncodedBytes) {
        return DecodeError::DecoderFailed("takes no file that large");
    }
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return DecodeError::DecoderFailed("could not be started: " + std::string(strerror(errno)));
    }
    UniqueFd ours(ends[0]);
    UniqueFd theirs(ends[1]);
    const std::optional<pid_t> pid = Start(m_Program, theirs.Get());
    theirs.Reset();
    if (!pid) {
        return DecodeError::DecoderFailed("could not be started");
    }
    fallback::RequestHeader request;
    request.drawWidth = drawWidth;
    request.drawHeight = drawHeight;
    request.maxPixels = m_MaxPixels;
    request.byteCount = bytes.size();
    Channel channel(ours.Get(), m_Deadline);
    Expected<bool, DecodeError> result = Converse(channel, bytes, request, room, ours.Get());
    ours.Reset();
    const bool brokeOff = !result && result.Error().Text() == BrokeOff().Text();
    const int status = Reap(*pid, channel.TimedOut());
    return brokeOff ? Ending(status, channel.TimedOut()) : result;
}
