// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Why an operation failed, as a kind for callers that act on it and a text for people; a failed
// system call also keeps its errno and the path it was about.
class Error {
  public:
    enum class Kind {
        Truncated,
        BadCrc,
        UnsupportedDepth,
        SizeLimit,
        InflateError,
        BadHeader,
        BadData,
        NoImage,
        NotThisFormat,
        DecoderFailed,
        Unavailable,
        Io,
        NoSurface,
        BadArgument,
    };

    static Error Truncated(std::int64_t offset);
    static Error BadCrc(std::string_view chunk);
    static Error UnsupportedDepth(int depth);
    static Error SizeLimit(std::int64_t width, std::int64_t height);
    static Error FileTooLarge(std::uint64_t bytes, std::uint64_t limit);
    static Error NoMemory(std::uint64_t bytes);
    static Error InflateError(std::int64_t offset);
    static Error BadHeader(std::string_view what);
    static Error BadData(std::string_view what);
    static Error NoImage();
    static Error NotThisFormat();
    // The fallback decoder's process died, overran a limit or broke its protocol.
    static Error DecoderFailed(std::string_view what);
    // The bytes could not be had at all: a missing file, a failed download, an absent resource.
    static Error Unavailable(std::string_view why);
    // A failed system call on path: "Error: " with the number, a line break and its description,
    // as a failed save is shown.
    static Error Io(int code, std::string path);
    // No surface to draw on could be made; the caller shows its own message, so there is no text.
    static Error NoSurface();
    // A command line that makes no command; the text is the one-line reason.
    static Error BadArgument(std::string what);

    // This error, with the errno and path of the system call behind it.
    Error Because(int code, std::string path = {}) &&;

    Kind Reason() const { return m_Kind; }
    const std::string& Text() const { return m_Text; }
    // 0 when no system call failed.
    int Errno() const { return m_Errno; }
    const std::string& Path() const { return m_Path; }

  private:
    Error(Kind kind, std::string text) : m_Kind(kind), m_Text(std::move(text)) {}

    Kind m_Kind;
    std::string m_Text;
    int m_Errno = 0;
    std::string m_Path;
};
