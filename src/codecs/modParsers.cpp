// SPDX-License-Identifier: MIT
#include "codecs/modParsers.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/file/RegularFile.h"
#include "platform/picture/PictureLoader.h"

namespace modParsers {
namespace {

enum class AlphaVerdict { None, Premultiplied, Straight };

AlphaVerdict ScanAlpha(std::span<const std::uint8_t> pixels) {
    enum State { kClean, kColourUnderZeroAlpha, kStopped };
    State state = kClean;
    std::size_t transparent = 0;
    std::size_t opaque = 0;
    for (std::size_t i = 0; i + 3 < pixels.size() && state != kStopped; i += 4) {
        const std::uint8_t b = pixels[i], g = pixels[i + 1], r = pixels[i + 2], a = pixels[i + 3];
        if (a == 0) {
            if (state == kClean && (b | g | r) != 0) {
                state = kColourUnderZeroAlpha;
            }
            ++transparent;
        } else if (a == 255) {
            if (state == kColourUnderZeroAlpha) {
                state = kStopped;
            } else {
                ++opaque;
            }
        } else if (state == kColourUnderZeroAlpha || b > a || g > a || r > a) {
            state = kStopped;
        }
    }
    const std::size_t count = pixels.size() / 4;
    if (transparent == count || opaque == count) {
        return AlphaVerdict::None;
    }
    return state == kClean ? AlphaVerdict::Premultiplied : AlphaVerdict::Straight;
}

void Premultiply(std::span<std::uint8_t> pixels) {
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) {
        const unsigned alpha = pixels[i + 3];
        if (alpha == 0) {
            pixels[i] = pixels[i + 1] = pixels[i + 2] = 0;
        } else if (alpha != 255) {
            for (std::size_t c = i; c < i + 3; ++c) {
                pixels[c] = static_cast<std::uint8_t>(pixels[c] * alpha / 255);
            }
        }
    }
}

}  // namespace

std::uint32_t SwapLongBytes(std::uint32_t value) {
    return ((value & 0xFFu) << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) |
           (value >> 24);
}

bool IsInside(std::span<const std::uint8_t> bytes, std::int64_t position, std::int64_t size) {
    const auto available = static_cast<std::int64_t>(bytes.size());
    return position >= 0 && size >= 0 && position <= available && size <= available - position;
}

bool SubRange(std::span<const std::uint8_t> bytes, std::int64_t position, std::int64_t size,
              std::span<const std::uint8_t>& range) {
    if (!IsInside(bytes, position, size)) {
        return false;
    }
    range = bytes.subspan(static_cast<std::size_t>(position), static_cast<std::size_t>(size));
    return true;
}

std::int32_t RowByteWidth(std::uint8_t bitCount, std::int32_t width) {
    const std::int64_t bits = std::int64_t{bitCount} * width + 31;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>((bits & ~std::int64_t{31}) / 8, INT32_MAX));
}

std::unique_ptr<picture::Picture> PictureFromBytes(std::span<const std::uint8_t> bytes,
                                                   std::int64_t offset, std::int64_t size) {
    std::span<const std::uint8_t> range;
    if (size < 1 || !SubRange(bytes, offset, size, range)) {
        return nullptr;
    }
    return picture::PictureLoader::Load(range);
}

void JudgeAlphaChannel(std::span<std::uint8_t> pixels, bool makeUsable, bool& hasAlpha,
                       std::int32_t& imageType) {
    const AlphaVerdict verdict = imageType == -1 ? AlphaVerdict::None : ScanAlpha(pixels);
    hasAlpha = verdict != AlphaVerdict::None;
    switch (verdict) {
        case AlphaVerdict::None:
            imageType = 1;
            if (makeUsable) {
                std::uint8_t* bytes = pixels.data();
                for (std::size_t i = 3; i < pixels.size(); i += 4) {
                    bytes[i] = 255;
                }
            }
            break;
        case AlphaVerdict::Premultiplied:
            imageType = 7;
            break;
        case AlphaVerdict::Straight:
            imageType = 6;
            if (makeUsable) {
                Premultiply(pixels);
            }
            break;
    }
}

void JudgeBitmapAlpha(gdi::Bitmap& bitmap) {
    if (bitmap.BitCount() != 32) {
        return;
    }
    // 32-bit rows need no padding, so the pixels are one run.
    bool hasAlpha = false;
    std::int32_t imageType = 0;
    JudgeAlphaChannel(std::span(bitmap.Bits(), bitmap.ByteCount()), true, hasAlpha, imageType);
}

void FillPixels(std::span<std::uint8_t> pixels, const std::array<std::uint8_t, 4>& pixel) {
    if (pixels.size() < pixel.size()) {
        return;
    }
    std::copy(pixel.begin(), pixel.end(), pixels.begin());
    for (std::size_t filled = 4; filled < pixels.size(); filled *= 2) {
        std::memcpy(pixels.data() + filled, pixels.data(),
                    std::min(filled, pixels.size() - filled));
    }
}

int GetFileHandle(const std::string& fileName) {
    return RegularFile::OpenForReading(fileName);
}

}  // namespace modParsers
