// SPDX-License-Identifier: MIT
#include "fallback/DecoderSandbox.h"

#include <fcntl.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool SetLimit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit limit{soft, hard};
    return ::setrlimit(resource, &limit) == 0;
}

// Calls that change files or names in the file system, reach out of the process or lift its
// limits: none has a use in decoding a picture already in memory.
constexpr int kRefusedCalls[] = {
    SCMP_SYS(creat),          SCMP_SYS(unlink),
    SCMP_SYS(unlinkat),       SCMP_SYS(rename),
    SCMP_SYS(renameat),       SCMP_SYS(renameat2),
    SCMP_SYS(mkdir),          SCMP_SYS(mkdirat),
    SCMP_SYS(rmdir),          SCMP_SYS(link),
    SCMP_SYS(linkat),         SCMP_SYS(symlink),
    SCMP_SYS(symlinkat),      SCMP_SYS(chmod),
    SCMP_SYS(fchmod),         SCMP_SYS(fchmodat),
    SCMP_SYS(chown),          SCMP_SYS(fchown),
    SCMP_SYS(lchown),         SCMP_SYS(fchownat),
    SCMP_SYS(truncate),       SCMP_SYS(ftruncate),
    SCMP_SYS(mknod),          SCMP_SYS(mknodat),
    SCMP_SYS(utime),          SCMP_SYS(utimes),
    SCMP_SYS(utimensat),      SCMP_SYS(futimesat),
    SCMP_SYS(setxattr),       SCMP_SYS(lsetxattr),
    SCMP_SYS(fsetxattr),      SCMP_SYS(removexattr),
    SCMP_SYS(lremovexattr),   SCMP_SYS(fremovexattr),
    SCMP_SYS(openat2),        SCMP_SYS(open_by_handle_at),
    SCMP_SYS(io_uring_setup), SCMP_SYS(socket),
    SCMP_SYS(socketpair),     SCMP_SYS(connect),
    SCMP_SYS(bind),           SCMP_SYS(listen),
    SCMP_SYS(accept),         SCMP_SYS(accept4),
    SCMP_SYS(execve),         SCMP_SYS(execveat),
    SCMP_SYS(fork),           SCMP_SYS(vfork),
    SCMP_SYS(ptrace),         SCMP_SYS(process_vm_writev),
    SCMP_SYS(setrlimit),      SCMP_SYS(prlimit64),
    SCMP_SYS(mount),          SCMP_SYS(umount2),
};

// Opening is allowed for reading only (the image plugins are loaded from disk).
constexpr int kWritingOpenFlags[] = {O_WRONLY, O_RDWR, O_CREAT, O_TRUNC, O_APPEND};

bool AddRules(scmp_filter_ctx filter) {
    const std::uint32_t refuse = SCMP_ACT_ERRNO(EACCES);
    for (const int call : kRefusedCalls) {
        if (seccomp_rule_add(filter, refuse, call, 0) != 0) {
            return false;
        }
    }
    for (const int flag : kWritingOpenFlags) {
        const auto bit = static_cast<scmp_datum_t>(flag);
        if (seccomp_rule_add(filter, refuse, SCMP_SYS(open), 1,
                             SCMP_A1(SCMP_CMP_MASKED_EQ, bit, bit)) != 0 ||
            seccomp_rule_add(filter, refuse, SCMP_SYS(openat), 1,
                             SCMP_A2(SCMP_CMP_MASKED_EQ, bit, bit)) != 0) {
            return false;
        }
    }
    // Signals only to itself (abort() sends one).
    const auto self = static_cast<scmp_datum_t>(::getpid());
    return seccomp_rule_add(filter, refuse, SCMP_SYS(kill), 1, SCMP_A0(SCMP_CMP_NE, self)) == 0 &&
           seccomp_rule_add(filter, refuse, SCMP_SYS(tgkill), 1, SCMP_A0(SCMP_CMP_NE, self)) == 0;
}

}  // namespace

bool DecoderSandbox::Limit(std::uint64_t memoryBytes, unsigned cpuSeconds) {
    // SIGXCPU at the soft limit, SIGKILL a second later should it be caught.
    return SetLimit(RLIMIT_AS, memoryBytes, memoryBytes) &&
           SetLimit(RLIMIT_CPU, cpuSeconds, cpuSeconds + 1) && SetLimit(RLIMIT_CORE, 0, 0) &&
           SetLimit(RLIMIT_FSIZE, 0, 0);
}

bool DecoderSandbox::Enter() {
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (filter == nullptr) {
        return false;
    }
    const bool loaded = AddRules(filter) && seccomp_load(filter) == 0;
    seccomp_release(filter);
    return loaded;
}
