// SPDX-License-Identifier: MIT
#include "platform/file/Error.h"

#include <cstring>

Error Error::Truncated(std::int64_t offset) {
    return {Kind::Truncated, "truncated: the data ends at byte " + std::to_string(offset)};
}

Error Error::BadCrc(std::string_view chunk) {
    return {Kind::BadCrc, "bad CRC in the " + std::string(chunk) + " chunk"};
}

Error Error::UnsupportedDepth(int depth) {
    return {Kind::UnsupportedDepth, "unsupported depth of " + std::to_string(depth) + " bits"};
}

Error Error::SizeLimit(std::int64_t width, std::int64_t height) {
    return {Kind::SizeLimit, "image of " + std::to_string(width) + " x " + std::to_string(height) +
                                 " pixels exceeds the size limit"};
}

Error Error::FileTooLarge(std::uint64_t bytes, std::uint64_t limit) {
    return {Kind::SizeLimit, "file of " + std::to_string(bytes) +
                                 " bytes exceeds the size limit of " + std::to_string(limit) +
                                 " bytes"};
}

Error Error::NoMemory(std::uint64_t bytes) {
    return {Kind::SizeLimit, "not enough memory for a file of " + std::to_string(bytes) +
                                 " bytes: it exceeds the size limit"};
}

Error Error::InflateError(std::int64_t offset) {
    return {Kind::InflateError,
            "compressed image data is broken at byte " + std::to_string(offset)};
}

Error Error::BadHeader(std::string_view what) {
    return {Kind::BadHeader, "bad header: " + std::string(what)};
}

Error Error::BadData(std::string_view what) {
    return {Kind::BadData, "bad image data: " + std::string(what)};
}

Error Error::NoImage() {
    return {Kind::NoImage, "the file holds no image"};
}

Error Error::NotThisFormat() {
    return {Kind::NotThisFormat, "not a picture format this program reads"};
}

Error Error::DecoderFailed(std::string_view what) {
    return {Kind::DecoderFailed, "the fallback decoder " + std::string(what)};
}

Error Error::Unavailable(std::string_view why) {
    return {Kind::Unavailable, std::string(why)};
}

Error Error::Io(int code, std::string path) {
    Error error(Kind::Io, "Error: " + std::to_string(code) + "\n" + std::strerror(code));
    return std::move(error).Because(code, std::move(path));
}

Error Error::NoSurface() {
    return {Kind::NoSurface, ""};
}

Error Error::BadArgument(std::string what) {
    return {Kind::BadArgument, std::move(what)};
}

Error Error::Because(int code, std::string path) && {
    m_Errno = code;
    m_Path = std::move(path);
    return std::move(*this);
}
