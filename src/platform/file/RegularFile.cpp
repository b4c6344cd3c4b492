// SPDX-License-Identifier: MIT
#include "platform/file/RegularFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

namespace {

struct Descriptor {
    int value;
    ~Descriptor() {
        if (value >= 0) {
            ::close(value);
        }
    }
};

// 0 for a regular file, else the errno that says why the descriptor is not one.
int NotRegular(int descriptor, struct stat& status) {
    if (::fstat(descriptor, &status) != 0) {
        return errno;
    }
    return S_ISREG(status.st_mode) && status.st_size >= 0 ? 0
           : S_ISDIR(status.st_mode)                      ? EISDIR
                                                          : EINVAL;
}

// Fills `status` for the regular file it opens; -1 for anything else, with errno set.
int OpenRegular(const std::string& path, struct stat& status) {
    // Without O_NONBLOCK, opening a pipe nobody writes to would wait for a writer.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
        return -1;
    }
    if (const int error = NotRegular(descriptor, status); error != 0) {
        ::close(descriptor);
        errno = error;
        return -1;
    }
    return descriptor;
}

}  // namespace

int RegularFile::OpenForReading(const std::string& path) {
    struct stat status {};
    return OpenRegular(path, status);
}

int RegularFile::OpenForReading(const std::string& path, std::int64_t& length) {
    struct stat status {};
    const int descriptor = OpenRegular(path, status);
    length = descriptor >= 0 ? static_cast<std::int64_t>(status.st_size) : -1;
    return descriptor;
}

Expected<std::vector<std::uint8_t>, Error> RegularFile::Read(const std::string& path,
                                                             std::uint64_t maxBytes) {
    struct stat status {};
    const Descriptor file{OpenRegular(path, status)};
    if (file.value < 0) {
        return Error::Io(errno, path);
    }
    return ReadAll(file.value, maxBytes);
}

Expected<std::vector<std::uint8_t>, Error> RegularFile::ReadAll(int descriptor,
                                                                std::uint64_t maxBytes) {
    struct stat status {};
    if (const int error = NotRegular(descriptor, status); error != 0) {
        return Error::Truncated(0).Because(error);
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (size > maxBytes || size > std::vector<std::uint8_t>().max_size()) {
        return Error::FileTooLarge(size, maxBytes);
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return Error::NoMemory(size);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got =
            ::pread(descriptor, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Error::Truncated(static_cast<std::int64_t>(done)).Because(errno);
        }
        if (got == 0) {
            // The file shrank while it was read: what is there is the file.
            bytes.resize(done);
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}
