// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/HandleTable.h"

namespace gdi {

// The image list: same-size images in one colour format, each with a one-bit mask; at 32 bits the
// images keep their premultiplied alpha and drawing uses it.
class ImageList : public GdiObject {
  public:
    static constexpr unsigned ILC_MASK = 0x0001;
    static constexpr unsigned ILC_COLOR = 0x0000;  // the default format, 4 bits per pixel
    // Far more images than any strip has. Without a limit a bitmap one pixel high and millions
    // wide would be cut into millions of images and exhaust the memory.
    static constexpr int kMaxImages = 65536;

    // Flags: ILC_MASK combined with the depth number (4, 8, 16, 24, 32) or ILC_COLOR. Returns 0
    // for an impossible size or format. Palette formats hold their images in colorTable, or in
    // the fixed table of their depth when it is empty.
    static HIMAGELIST Create(int width, int height, unsigned flags,
                             std::span<const RGBQUAD> colorTable = {});
    static ImageList* FromHandle(HIMAGELIST list);

    int IconWidth() const { return m_Width; }
    int IconHeight() const { return m_Height; }
    int BitCount() const { return m_BitCount; }
    int ImageCount() const { return static_cast<int>(m_Images.size()); }
    // Only shrinking is possible: the list has no blank images to grow with.
    bool SetImageCount(int count);
    // Keeps only the images at the given ascending indexes, renumbered from 0 in that order.
    void Retain(const std::vector<int>& kept);
    COLORREF BkColor() const { return m_BkColor; }
    void SetBkColor(COLORREF color) { m_BkColor = color; }

    // One image cut for a list of that size and flags, outside any list, so that other threads can
    // cut the images a list takes later. Empty colours when the bitmap cannot be used.
    // Its colours and mask bytes come from the cell slabs: a strip holds thousands of them.
    struct Image {
        std::unique_ptr<Bitmap> colors;
        // 1 where the mask hides the pixel, a byte a pixel; null: nothing hidden
        std::shared_ptr<std::uint8_t[]> transparent;
        const std::uint8_t* Mask(int offset) const {
            return transparent ? transparent.get() + offset : nullptr;
        }
    };
    // The image at the bitmap's left edge, as Add would cut it for a list of that colour table.
    static Image CutFirst(HBITMAP bitmap, int width, int height, unsigned flags, COLORREF maskColor,
                          std::span<const RGBQUAD> colorTable = {});
    // The same from a bitmap that has no handle.
    static Image CutFirst(const Bitmap& source, int width, int height, unsigned flags,
                          COLORREF maskColor, std::span<const RGBQUAD> colorTable = {});
    // Appends an image cut for this list's size, depth and colour table; its index, or -1 when it
    // was cut for another list or the list is full.
    int AddImage(Image image);

    // Appends the images cut from the bitmap, left to right. Pixels of maskColor (as the bitmap
    // holds that colour) become transparent; CLR_NONE gives opaque masks. Returns the index of
    // the first new image, -1 when the bitmap cannot be used or the list would hold more than
    // kMaxImages.
    int Add(HBITMAP bitmap, COLORREF maskColor);
    // The stored image, null for an index outside the list.
    const Image* ImageAt(int index) const {
        return index >= 0 && index < ImageCount() ? &m_Images[static_cast<std::size_t>(index)]
                                                  : nullptr;
    }
    // Draws an image transparently with its top-left corner at (x, y).
    bool Draw(int index, HDC dc, int x, int y) const;
    // The same with every pixel repeated as a factor x factor square (nearest neighbour), blended
    // or masked exactly as at its own size.
    bool DrawZoomed(int index, HDC dc, int x, int y, int factor) const;

  private:
    ImageList(int width, int height, int bitCount, std::span<const RGBQUAD> colorTable)
        : m_Width(width),
          m_Height(height),
          m_BitCount(bitCount),
          m_ColorTable(colorTable.begin(), colorTable.end()) {}
    static Image CutImage(const Bitmap& source, int left, int width, int height, int bitCount,
                          std::span<const RGBQUAD> colorTable, COLORREF maskColor,
                          bool opaqueAlpha);
    // Calls visit(row, first column, count) for the pieces of the image's rows that fall inside
    // a target drawn on at (x, y).
    template <typename Visit>
    void ForEachVisibleChunk(const Bitmap& target, int x, int y, Visit visit) const;
    static void CutByteRows(const Bitmap& source, int left, Bitmap& cut, std::uint8_t* transparent,
                            COLORREF heldMask, bool opaqueAlpha);
    void DrawMasked(const Image& image, Bitmap& target, int x, int y) const;
    void DrawMaskedBytes(const Image& image, Bitmap& target, int x, int y) const;
    void DrawBlended(const Image& image, Bitmap& target, int x, int y) const;

    int m_Width;
    int m_Height;
    int m_BitCount;
    // As the images hold it: padded to the depth's full size.
    std::vector<RGBQUAD> m_ColorTable;
    COLORREF m_BkColor = CLR_NONE;
    std::vector<Image> m_Images;
};

}  // namespace gdi
