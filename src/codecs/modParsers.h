// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/gdi/Bitmap.h"
#include "platform/picture/Picture.h"

// Small helpers shared by the decoders.
namespace modParsers {

// Reverses the byte order of a 32-bit value (for big-endian fields read as little-endian).
std::uint32_t SwapLongBytes(std::uint32_t value);

// True when [position, position + size) lies inside bytes.
bool IsInside(std::span<const std::uint8_t> bytes, std::int64_t position, std::int64_t size);
// The range, or false when it does not lie inside bytes.
bool SubRange(std::span<const std::uint8_t> bytes, std::int64_t position, std::int64_t size,
              std::span<const std::uint8_t>& range);

// Bytes per pixel row of a bitmap, padded to a multiple of 4; INT32_MAX when it would be more.
std::int32_t RowByteWidth(std::uint8_t bitCount, std::int32_t width);

// A picture from size bytes at offset through the platform picture loader; null when the range
// lies outside bytes or the loader knows no picture in it.
std::unique_ptr<picture::Picture> PictureFromBytes(std::span<const std::uint8_t> bytes,
                                                   std::int64_t offset, std::int64_t size);

// Judges whether 32-bit pixels (B, G, R, A) carry alpha, and whether it is premultiplied.
// imageType -1 on entry skips the judgement (no alpha). Leaves imageType 1 (no alpha), 7
// (premultiplied) or 6 (straight); makeUsable sets every alpha to 255 for no alpha and
// premultiplies straight pixels.
void JudgeAlphaChannel(std::span<std::uint8_t> pixels, bool makeUsable, bool& hasAlpha,
                       std::int32_t& imageType);

// A 32-bit bitmap's pixels judged and made usable as JudgeAlphaChannel does, over the whole
// bitmap; other depths carry no alpha and are left as they are.
void JudgeBitmapAlpha(gdi::Bitmap& bitmap);

// Every pixel set to the same four bytes, by doubling copies: a large block costs no more than
// its memory.
void FillPixels(std::span<std::uint8_t> pixels, const std::array<std::uint8_t, 4>& pixel);

// An open file descriptor of an existing file, read only, or -1.
int GetFileHandle(const std::string& fileName);

}  // namespace modParsers
