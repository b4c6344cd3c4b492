// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/HandleTable.h"

namespace gdi {

// A device-independent bitmap: 1, 4, 8, 16, 24 or 32 bits per pixel, bottom-up rows padded to
// 4 bytes, a colour table for the palette depths. New pixels are all zero.
class Bitmap : public GdiObject {
  public:
    // The most pixel memory one bitmap may take, also counted at 4 bytes a pixel whatever its
    // depth (every picture ends up in a 32-bit image); larger requests fail before allocating.
    static constexpr std::size_t kMaxPixelBytes = std::size_t{256} << 20;

    // Null when the size or depth is not possible. Without a colour table a palette depth gets
    // the fixed table of that depth; a shorter table is padded with black.
    static std::unique_ptr<Bitmap> Create(int width, int height, int bitCount,
                                          std::span<const RGBQUAD> colorTable = {});
    // The same, its pixels carved out of the cell slabs that the many small images of a cell
    // store share.
    static std::unique_ptr<Bitmap> CreateInSlabs(int width, int height, int bitCount,
                                                 std::span<const RGBQUAD> colorTable = {});
    static std::size_t RowBytes(int width, int bitCount);
    static bool IsSupportedBitCount(int bitCount);

    int Width() const { return m_Width; }
    int Height() const { return m_Height; }
    int BitCount() const { return m_BitCount; }
    std::size_t Stride() const { return m_Stride; }
    std::uint8_t* Bits() { return m_Bits.get(); }
    const std::uint8_t* Bits() const { return m_Bits.get(); }
    std::size_t ByteCount() const { return m_ByteCount; }
    std::span<const RGBQUAD> ColorTable() const { return m_ColorTable; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_Width && y < m_Height; }

    // x, y in picture coordinates (row 0 = top); the caller keeps them inside. Below 32 bits the
    // alpha read is 0; writing to 32 bits stores all four bytes.
    // The 24- and 32-bit cases are inline: whole images go through them pixel by pixel.
    Bgra ReadPixel(int x, int y) const {
        if (m_BitCount == 32 || m_BitCount == 24) {
            const std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * (m_BitCount / 8);
            return {p[0], p[1], p[2], m_BitCount == 32 ? p[3] : std::uint8_t{0}};
        }
        return ReadPackedPixel(x, y);
    }
    void WritePixel(int x, int y, Bgra pixel) {
        if (m_BitCount == 32 || m_BitCount == 24) {
            std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * (m_BitCount / 8);
            p[0] = pixel.b;
            p[1] = pixel.g;
            p[2] = pixel.r;
            if (m_BitCount == 32) {
                p[3] = pixel.a;
            }
            return;
        }
        WritePackedPixel(x, y, pixel);
    }
    // A run of pixels of row y from column x, exactly as ReadPixel and WritePixel would read and
    // write them one by one; the caller keeps the run inside the row. Whole pictures are
    // converted this way, so each depth has its own loop.
    void ReadRow(int x, int y, std::span<Bgra> pixels) const;
    void WriteRow(int x, int y, std::span<const Bgra> pixels);
    // The first byte of pixel (x, y) of a 24- or 32-bit bitmap, for loops that go a row at a time.
    std::uint8_t* PixelBytes(int x, int y) {
        return Row(y) + static_cast<std::size_t>(x) * static_cast<std::size_t>(m_BitCount / 8);
    }
    const std::uint8_t* PixelBytes(int x, int y) const {
        return Row(y) + static_cast<std::size_t>(x) * static_cast<std::size_t>(m_BitCount / 8);
    }
    bool IsByteAligned() const { return m_BitCount == 24 || m_BitCount == 32; }
    // The colour as this bitmap would hold it after writing it.
    COLORREF MapColor(COLORREF color) const;

    // The drawing context this bitmap is selected into, 0 when none.
    HDC SelectedInto() const { return m_SelectedInto; }
    void SetSelectedInto(HDC dc) { m_SelectedInto = dc; }

  private:
    Bitmap(int width, int height, int bitCount, std::size_t stride,
           std::shared_ptr<std::uint8_t[]> bits);
    static std::unique_ptr<Bitmap> Make(int width, int height, int bitCount,
                                        std::span<const RGBQUAD> colorTable, bool inSlabs);
    std::uint8_t* Row(int y) { return m_Bits.get() + RowOffset(y); }
    const std::uint8_t* Row(int y) const { return m_Bits.get() + RowOffset(y); }
    std::size_t RowOffset(int y) const {
        return static_cast<std::size_t>(m_Height - 1 - y) * m_Stride;
    }
    template <int Bits>
    void ReadIndexedRow(int x, int y, std::span<Bgra> pixels) const;
    template <int Bits>
    void WriteIndexedRow(int x, int y, std::span<const Bgra> pixels);
    Bgra ReadPackedPixel(int x, int y) const;
    void WritePackedPixel(int x, int y, Bgra pixel);
    // Conversions repeat the same colour for long runs; the last answer is kept.
    std::uint8_t NearestIndex(COLORREF color) const {
        if (color != m_LastColor) {
            m_LastIndex = FindNearestIndex(color);
            m_LastColor = color;
        }
        return m_LastIndex;
    }
    std::uint8_t FindNearestIndex(COLORREF color) const;
    int ReadIndex(int x, int y) const;
    void WriteIndex(int x, int y, int index);

    int m_Width;
    int m_Height;
    int m_BitCount;
    std::size_t m_Stride;
    // Zero when new: from calloc, whose large blocks come from the system already zero so that
    // a big bitmap costs no clearing pass, or from the cell slabs.
    std::shared_ptr<std::uint8_t[]> m_Bits;
    std::size_t m_ByteCount;
    std::vector<RGBQUAD> m_ColorTable;
    // The colour table as pixels read from this bitmap, alpha 0.
    std::vector<Bgra> m_Palette;
    HDC m_SelectedInto = 0;
    mutable COLORREF m_LastColor = CLR_INVALID;
    mutable std::uint8_t m_LastIndex = 0;
};

}  // namespace gdi
