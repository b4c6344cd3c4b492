// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Why a decoder produced no image, as a kind for callers that act on it and a text for people.
class DecodeError {
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
    };

    static DecodeError Truncated(std::int64_t offset);
    static DecodeError BadCrc(std::string_view chunk);
    static DecodeError UnsupportedDepth(int depth);
    static DecodeError SizeLimit(std::int64_t width, std::int64_t height);
    static DecodeError FileTooLarge(std::uint64_t bytes, std::uint64_t limit);
    static DecodeError NoMemory(std::uint64_t bytes);
    static DecodeError InflateError(std::int64_t offset);
    static DecodeError BadHeader(std::string_view what);
    static DecodeError BadData(std::string_view what);
    static DecodeError NoImage();
    static DecodeError NotThisFormat();
    // The fallback decoder's process died, overran a limit or broke its protocol.
    static DecodeError DecoderFailed(std::string_view what);
    // The bytes could not be had at all: a missing file, a failed download, an absent resource.
    static DecodeError Unavailable(std::string_view why);

    Kind Reason() const { return m_Kind; }
    const std::string& Text() const { return m_Text; }

  private:
    DecodeError(Kind kind, std::string text) : m_Kind(kind), m_Text(std::move(text)) {}

    Kind m_Kind;
    std::string m_Text;
};
