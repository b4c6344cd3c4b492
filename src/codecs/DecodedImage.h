// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/file/Error.h"
#include "platform/file/Expected.h"
#include "platform/gdi/Bitmap.h"

// A decoded picture: 32-bit pixels B, G, R, A with colour premultiplied by alpha, rows of
// Width x 4 bytes without padding, stored bottom-up (the layout of the in-memory image). They are
// held in a 32-bit bitmap from the start, which the image takes over without copying.
class DecodedImage {
  public:
    // Where the pixels came from; the numbers are the image's type codes. The picture loader's
    // own types share the low numbers.
    enum class Type : std::int32_t {
        NotJudged = -1,
        Unjudged = 0,
        NoAlpha = 1,
        IconMasked = 3,
        CursorMasked = 5,
        StraightAlpha = 6,
        PremultipliedAlpha = 7,
        IconAlpha = 8,
        Gif = 9,
        Png = 10,
        IconPng = 11,
        CursorAlpha = 12,
    };

    // All pixels zero; SizeLimit when the size is no bitmap's.
    static Expected<DecodedImage, Error> Allocate(int width, int height);

    int Width() const { return m_Width; }
    int Height() const { return m_Height; }
    std::size_t ScanWidth() const { return static_cast<std::size_t>(m_Width) * 4; }
    std::span<std::uint8_t> Pixels() { return {m_Pixels->Bits(), m_Pixels->ByteCount()}; }
    std::span<const std::uint8_t> Pixels() const {
        return {m_Pixels->Bits(), m_Pixels->ByteCount()};
    }
    // The bitmap holding the pixels; the image holds none afterwards.
    std::unique_ptr<gdi::Bitmap> TakeBitmap() { return std::move(m_Pixels); }
    bool Alpha() const { return m_Alpha; }
    void SetAlpha(bool value) { m_Alpha = value; }
    Type ImageType() const { return m_Type; }
    void SetImageType(Type value) { m_Type = value; }
    void SetImageType(std::int32_t value) { m_Type = static_cast<Type>(value); }

  private:
    // Lends the bitmap to a drawing context and takes it back.
    friend class DrawingCanvas;

    DecodedImage(int width, int height, std::unique_ptr<gdi::Bitmap> pixels)
        : m_Width(width), m_Height(height), m_Pixels(std::move(pixels)) {}

    int m_Width;
    int m_Height;
    std::unique_ptr<gdi::Bitmap> m_Pixels;
    bool m_Alpha = true;
    Type m_Type = Type::Unjudged;
};
