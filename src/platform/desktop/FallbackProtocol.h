// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// What the programs and the fallback decoder process say to each other over the socket that is
// the process's standard input and output. The request is this header and then the encoded
// bytes; the reply is its header, the message and then, when decoded, width x height x 4 bytes
// B, G, R, A premultiplied, bottom row first.
namespace fallback {

inline constexpr std::uint32_t kRequestMagic = 0x52465754;  // "TWFR"
inline constexpr std::uint32_t kReplyMagic = 0x50465754;    // "TWFP"
// The largest encoded picture sent to the decoder.
inline constexpr std::uint64_t kMaxEncodedBytes = std::uint64_t{256} << 20;
inline constexpr std::uint32_t kMaxMessageBytes = 1024;
// The most memory one decoder process may take.
inline constexpr std::uint64_t kProcessMemoryBytes = std::uint64_t{1} << 30;

struct RequestHeader {
    std::uint32_t magic = kRequestMagic;
    // Above 0: a scalable picture (SVG) is drawn at this size, its aspect kept.
    std::int32_t drawWidth = 0;
    std::int32_t drawHeight = 0;
    std::uint32_t reserved = 0;
    std::uint64_t maxPixels = 0;
    std::uint64_t byteCount = 0;
};

enum class Status : std::int32_t {
    Decoded = 0,
    NotReadable = 1,
    TooLarge = 2,
    OutOfMemory = 3,
    Planned = 4
};

struct ReplyHeader {
    std::uint32_t magic = kReplyMagic;
    Status status = Status::NotReadable;
    // The picture's size, also the declared one when it is TooLarge.
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t alpha = 0;
    std::uint32_t messageBytes = 0;
};

}  // namespace fallback
