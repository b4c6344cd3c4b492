// SPDX-License-Identifier: MIT
#include "platform/file/ByteReader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

ByteReader::ByteReader(std::span<const std::uint8_t> bytes)
    : m_Bytes(bytes), m_Length(static_cast<std::int64_t>(bytes.size())) {}

ByteReader::ByteReader(int fileHandle, std::int64_t length)
    : m_FileHandle(fileHandle), m_Length(length) {}

ByteReader ByteReader::FromFile(int fileHandle) {
    struct stat status {};
    const bool regular = ::fstat(fileHandle, &status) == 0 && S_ISREG(status.st_mode);
    return ByteReader(fileHandle, regular ? static_cast<std::int64_t>(status.st_size) : 0);
}

Expected<std::span<const std::uint8_t>, Error> ByteReader::Read(std::int64_t position,
                                                                std::size_t count) {
    if (position < 0 || position > m_Length ||
        count > static_cast<std::uint64_t>(m_Length - position)) {
        return Error::Truncated(m_Length);
    }
    if (m_FileHandle < 0) {
        return m_Bytes.subspan(static_cast<std::size_t>(position), count);
    }
    if (count > kWindowBytes) {
        if (!ReadLarge(position, count)) {
            return Error::Truncated(position);
        }
        return std::span<const std::uint8_t>(m_Buffer);
    }
    if (!InWindow(position, count) && !FillWindow(position)) {
        return Error::Truncated(position);
    }
    return std::span<const std::uint8_t>(m_Window).subspan(
        static_cast<std::size_t>(position - m_WindowStart), count);
}

Expected<std::span<const std::uint8_t>, Error> ByteReader::Rest(std::int64_t position) {
    return Read(position, static_cast<std::size_t>(std::max<std::int64_t>(m_Length - position, 0)));
}

Expected<std::uint8_t, Error> ByteReader::U8(std::int64_t position) {
    const auto bytes = Read(position, 1);
    if (!bytes) {
        return bytes.Error();
    }
    return (*bytes)[0];
}

Expected<std::uint16_t, Error> ByteReader::U16(std::int64_t position) {
    const auto bytes = Read(position, 2);
    if (!bytes) {
        return bytes.Error();
    }
    return static_cast<std::uint16_t>((*bytes)[0] | ((*bytes)[1] << 8));
}

Expected<std::uint32_t, Error> ByteReader::U32(std::int64_t position) {
    const auto bytes = Read(position, 4);
    if (!bytes) {
        return bytes.Error();
    }
    const std::span<const std::uint8_t> b = *bytes;
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

Expected<std::uint32_t, Error> ByteReader::U32BigEndian(std::int64_t position) {
    const auto bytes = Read(position, 4);
    if (!bytes) {
        return bytes.Error();
    }
    const std::span<const std::uint8_t> b = *bytes;
    return (static_cast<std::uint32_t>(b[0]) << 24) | (static_cast<std::uint32_t>(b[1]) << 16) |
           (static_cast<std::uint32_t>(b[2]) << 8) | static_cast<std::uint32_t>(b[3]);
}

bool ByteReader::InWindow(std::int64_t position, std::size_t count) const {
    return position >= m_WindowStart &&
           static_cast<std::uint64_t>(position - m_WindowStart) + count <= m_Window.size();
}

bool ByteReader::FillWindow(std::int64_t position) {
    const auto available = static_cast<std::uint64_t>(m_Length - position);
    m_Window.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kWindowBytes, available)));
    m_WindowStart = position;
    if (!ReadAt(position, m_Window)) {
        m_Window.clear();
        return false;
    }
    return true;
}

bool ByteReader::ReadLarge(std::int64_t position, std::size_t count) {
    try {
        m_Buffer.resize(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return ReadAt(position, m_Buffer);
}

bool ByteReader::ReadAt(std::int64_t position, std::span<std::uint8_t> destination) const {
    std::size_t done = 0;
    while (done < destination.size()) {
        const ssize_t got =
            ::pread(m_FileHandle, destination.data() + done, destination.size() - done,
                    static_cast<off_t>(position) + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}
