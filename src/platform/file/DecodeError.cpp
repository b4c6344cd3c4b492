// SPDX-License-Identifier: MIT
#include "platform/file/DecodeError.h"

DecodeError DecodeError::Truncated(std::int64_t offset) {
    return {Kind::Truncated, "truncated: the data ends at byte " + std::to_string(offset)};
}

DecodeError DecodeError::BadCrc(std::string_view chunk) {
    return {Kind::BadCrc, "bad CRC in the " + std::string(chunk) + " chunk"};
}

DecodeError DecodeError::UnsupportedDepth(int depth) {
    return {Kind::UnsupportedDepth, "unsupported depth of " + std::to_string(depth) + " bits"};
}

DecodeError DecodeError::SizeLimit(std::int64_t width, std::int64_t height) {
    return {Kind::SizeLimit, "image of " + std::to_string(width) + " x " + std::to_string(height) +
                                 " pixels exceeds the size limit"};
}

DecodeError DecodeError::FileTooLarge(std::uint64_t bytes, std::uint64_t limit) {
    return {Kind::SizeLimit, "file of " + std::to_string(bytes) +
                                 " bytes exceeds the size limit of " + std::to_string(limit) +
                                 " bytes"};
}

DecodeError DecodeError::NoMemory(std::uint64_t bytes) {
    return {Kind::SizeLimit, "not enough memory for a file of " + std::to_string(bytes) +
                                 " bytes: it exceeds the size limit"};
}

DecodeError DecodeError::InflateError(std::int64_t offset) {
    return {Kind::InflateError,
            "compressed image data is broken at byte " + std::to_string(offset)};
}

DecodeError DecodeError::BadHeader(std::string_view what) {
    return {Kind::BadHeader, "bad header: " + std::string(what)};
}

DecodeError DecodeError::BadData(std::string_view what) {
    return {Kind::BadData, "bad image data: " + std::string(what)};
}

DecodeError DecodeError::NoImage() {
    return {Kind::NoImage, "the file holds no image"};
}

DecodeError DecodeError::NotThisFormat() {
    return {Kind::NotThisFormat, "not a picture format this program reads"};
}

DecodeError DecodeError::DecoderFailed(std::string_view what) {
    return {Kind::DecoderFailed, "the fallback decoder " + std::string(what)};
}

DecodeError DecodeError::Unavailable(std::string_view why) {
    return {Kind::Unavailable, std::string(why)};
}
