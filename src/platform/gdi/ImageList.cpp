// SPDX-License-Identifier: MIT
#include "platform/gdi/ImageList.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/CellSlabs.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/PixelZoom.h"
#include "platform/gdi/RowChunks.h"

namespace gdi {
namespace {

int BitCountOfFlags(unsigned flags) {
    switch (flags & ~ImageList::ILC_MASK) {
        case ImageList::ILC_COLOR:
            return 4;
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            return static_cast<int>(flags & ~ImageList::ILC_MASK);
        default:
            return 0;
    }
}

// A 32-bit bitmap whose alpha bytes are all 0 but whose colours are not carries no alpha channel
// at all (an ordinary 32-bit bitmap file): it is opaque, not invisible.
bool HasNoAlphaChannel(const Bitmap& bitmap) {
    if (bitmap.BitCount() != 32) {
        return true;
    }
    unsigned colors = 0;
    const std::size_t rowBytes = static_cast<std::size_t>(bitmap.Width()) * 4;
    for (std::size_t row = 0; row < static_cast<std::size_t>(bitmap.Height()); ++row) {
        const std::uint8_t* p = bitmap.Bits() + row * bitmap.Stride();
        for (std::size_t i = 0; i < rowBytes; i += 4) {
            if (p[i + 3] != 0) {
                return false;
            }
            colors |= p[i] | p[i + 1] | p[i + 2];
        }
    }
    return colors != 0;
}

// Writes the pixels of one image row that its mask shows, each unbroken run of them at once;
// without a mask, all of them.
void WriteShownRuns(Bitmap& target, int x, int y, std::span<const Bgra> pixels,
                    const std::uint8_t* transparent) {
    if (transparent == nullptr) {
        target.WriteRow(x, y, pixels);
        return;
    }
    std::size_t start = 0;
    while (start < pixels.size()) {
        while (start < pixels.size() && transparent[start] != 0) {
            ++start;
        }
        std::size_t end = start;
        while (end < pixels.size() && transparent[end] == 0) {
            ++end;
        }
        target.WriteRow(x + static_cast<int>(start), y, pixels.subspan(start, end - start));
        start = end;
    }
}

std::uint8_t Over(unsigned source, unsigned target, unsigned alpha) {
    // A pixel that breaks premultiplication (colour above alpha) saturates instead of wrapping.
    return static_cast<std::uint8_t>(std::min(255u, source + target * (255 - alpha) / 255));
}

}  // namespace

HIMAGELIST ImageList::Create(int width, int height, unsigned flags,
                             std::span<const RGBQUAD> colorTable) {
    const int bitCount = BitCountOfFlags(flags);
    const std::unique_ptr<Bitmap> probe = width < 1 || height < 1 || bitCount == 0
                                              ? nullptr
                                              : Bitmap::Create(width, height, bitCount, colorTable);
    if (!probe) {
        return 0;
    }
    return HandleTable::Insert(
        std::unique_ptr<GdiObject>(new ImageList(width, height, bitCount, probe->ColorTable())));
}

ImageList* ImageList::FromHandle(HIMAGELIST list) {
    return HandleTable::FindAs<ImageList>(list);
}

bool ImageList::SetImageCount(int count) {
    if (count < 0 || count > ImageCount()) {
        return false;
    }
    m_Images.resize(static_cast<std::size_t>(count));
    return true;
}

void ImageList::Retain(const std::vector<int>& kept) {
    std::vector<Image> images;
    images.reserve(kept.size());
    for (const int index : kept) {
        images.push_back(std::move(m_Images.at(static_cast<std::size_t>(index))));
    }
    m_Images = std::move(images);
}

int ImageList::Add(HBITMAP bitmap, COLORREF maskColor) {
    const Bitmap* source = BitmapFromHandle(bitmap);
    if (source == nullptr || source->Height() < m_Height ||
        source->Width() / m_Width > kMaxImages - ImageCount()) {
        return -1;
    }
    const int first = ImageCount();
    const bool opaqueAlpha = HasNoAlphaChannel(*source);
    for (int left = 0; left + m_Width <= source->Width(); left += m_Width) {
        m_Images.push_back(CutImage(*source, left, m_Width, m_Height, m_BitCount, m_ColorTable,
                                    maskColor, opaqueAlpha));
        if (!m_Images.back().colors) {
            m_Images.resize(static_cast<std::size_t>(first));
            return -1;
        }
    }
    return first;
}

ImageList::Image ImageList::CutFirst(HBITMAP bitmap, int width, int height, unsigned flags,
                                     COLORREF maskColor, std::span<const RGBQUAD> colorTable) {
    const Bitmap* source = BitmapFromHandle(bitmap);
    return source == nullptr ? Image{}
                             : CutFirst(*source, width, height, flags, maskColor, colorTable);
}

ImageList::Image ImageList::CutFirst(const Bitmap& source, int width, int height, unsigned flags,
                                     COLORREF maskColor, std::span<const RGBQUAD> colorTable) {
    const int bitCount = BitCountOfFlags(flags);
    if (width < 1 || height < 1 || bitCount == 0 || source.Width() < width ||
        source.Height() < height) {
        return {};
    }
    return CutImage(source, 0, width, height, bitCount, colorTable, maskColor,
                    HasNoAlphaChannel(source));
}

int ImageList::AddImage(Image image) {
    const Bitmap* colors = image.colors.get();
    if (colors == nullptr || colors->Width() != m_Width || colors->Height() != m_Height ||
        colors->BitCount() != m_BitCount ||
        !std::ranges::equal(colors->ColorTable(), m_ColorTable) || ImageCount() >= kMaxImages) {
        return -1;
    }
    m_Images.push_back(std::move(image));
    return ImageCount() - 1;
}

ImageList::Image ImageList::CutImage(const Bitmap& source, int left, int width, int height,
                                     int bitCount, std::span<const RGBQUAD> colorTable,
                                     COLORREF maskColor, bool opaqueAlpha) {
    // Without a mask colour no pixel is hidden, and the image needs no mask bytes.
    const bool masked = maskColor != CLR_NONE;
    Image image{
        Bitmap::CreateInSlabs(width, height, bitCount, colorTable),
        masked ? CellSlabs::Shared().Allocate(static_cast<std::size_t>(width) * height) : nullptr};
    if (masked && !image.transparent) {
        image.colors.reset();
    }
    if (!image.colors) {
        return image;
    }
    const COLORREF heldMask = masked ? source.MapColor(maskColor) : CLR_NONE;
    if (source.IsByteAligned() && image.colors->IsByteAligned()) {
        CutByteRows(source, left, *image.colors, image.transparent.get(), heldMask, opaqueAlpha);
        return image;
    }
    std::vector<Bgra> buffer(RowChunkBufferSize(width));
    for (int y = 0; y < height; ++y) {
        ForEachRowChunk(width, [&](int x, int count) {
            const std::span<Bgra> pixels = std::span(buffer).first(static_cast<std::size_t>(count));
            source.ReadRow(left + x, y, pixels);
            std::uint8_t* marks = masked ? image.transparent.get() + y * width + x : nullptr;
            Bgra* pixel = pixels.data();
            for (std::size_t i = 0; i < pixels.size(); ++i) {
                if (masked && pixel[i].Rgb() == heldMask) {
                    marks[i] = 1;
                    pixel[i] = Bgra{};
                } else if (opaqueAlpha) {
                    pixel[i].a = 255;
                }
            }
            image.colors->WriteRow(x, y, pixels);
        });
    }
    return image;
}

// The 24- and 32-bit cases of CutImage, a row at a time with no conversion through pixels.
void ImageList::CutByteRows(const Bitmap& source, int left, Bitmap& cut, std::uint8_t* transparent,
                            COLORREF heldMask, bool opaqueAlpha) {
    const int width = cut.Width();
    const std::size_t inStep = static_cast<std::size_t>(source.BitCount() / 8);
    const bool in32 = inStep == 4, out32 = cut.BitCount() == 32;
    for (int y = 0; y < cut.Height(); ++y) {
        const std::uint8_t* in = source.PixelBytes(left, y);
        std::uint8_t* out = cut.PixelBytes(0, y);
        if (transparent == nullptr && !opaqueAlpha && in32 == out32) {
            std::memcpy(out, in, static_cast<std::size_t>(width) * inStep);
            continue;
        }
        std::uint8_t* marks = transparent != nullptr ? transparent + y * width : nullptr;
        for (int x = 0; x < width; ++x, in += inStep, out += out32 ? 4 : 3) {
            const Bgra pixel{in[0], in[1], in[2], in32 ? in[3] : std::uint8_t{0}};
            const bool hidden = marks != nullptr && pixel.Rgb() == heldMask;
            if (hidden) {
                marks[x] = 1;
            }
            // A hidden pixel turns black.
            out[0] = hidden ? std::uint8_t{0} : pixel.b;
            out[1] = hidden ? std::uint8_t{0} : pixel.g;
            out[2] = hidden ? std::uint8_t{0} : pixel.r;
            if (out32) {
                out[3] = hidden ? std::uint8_t{0} : opaqueAlpha ? std::uint8_t{255} : pixel.a;
            }
        }
    }
}

bool ImageList::Draw(int index, HDC dc, int x, int y) const {
    Bitmap* target = BitmapOfDC(dc);
    if (target == nullptr || index < 0 || index >= ImageCount()) {
        return false;
    }
    const Image& image = m_Images[static_cast<std::size_t>(index)];
    if (m_BitCount == 32) {
        DrawBlended(image, *target, x, y);
    } else {
        DrawMasked(image, *target, x, y);
    }
    return true;
}

bool ImageList::DrawZoomed(int index, HDC dc, int x, int y, int factor) const {
    if (factor <= 1 || index < 0 || index >= ImageCount()) {
        return Draw(index, dc, x, y);
    }
    const Image& image = m_Images[static_cast<std::size_t>(index)];
    ImageList zoomed(m_Width * factor, m_Height * factor, m_BitCount, m_ColorTable);
    Image copy{PixelZoom::Enlarged(*image.colors, factor), nullptr};
    if (!copy.colors) {
        return false;
    }
    if (image.transparent) {
        const std::size_t width = static_cast<std::size_t>(m_Width);
        const std::size_t zoomedWidth = static_cast<std::size_t>(zoomed.m_Width);
        copy.transparent = std::make_shared<std::uint8_t[]>(zoomedWidth * zoomed.m_Height);
        for (int row = 0; row < zoomed.m_Height; ++row) {
            PixelZoom::WidenRow<std::uint8_t>(
                {image.transparent.get() + (row / factor) * width, width}, factor,
                {copy.transparent.get() + row * zoomedWidth, zoomedWidth});
        }
    }
    zoomed.m_Images.push_back(std::move(copy));
    return zoomed.Draw(0, dc, x, y);
}

template <typename Visit>
void ImageList::ForEachVisibleChunk(const Bitmap& target, int x, int y, Visit visit) const {
    const int firstColumn = std::max(0, -x);
    const int endColumn = std::min(m_Width, target.Width() - x);
    const int endRow = std::min(m_Height, target.Height() - y);
    for (int row = std::max(0, -y); row < endRow; ++row) {
        ForEachRowChunk(endColumn - firstColumn,
                        [&](int offset, int count) { visit(row, firstColumn + offset, count); });
    }
}

void ImageList::DrawMasked(const Image& image, Bitmap& target, int x, int y) const {
    if (target.BitCount() == 32 && image.colors->IsByteAligned()) {
        DrawMaskedBytes(image, target, x, y);
        return;
    }
    std::vector<Bgra> buffer(RowChunkBufferSize(m_Width));
    ForEachVisibleChunk(target, x, y, [&](int row, int column, int count) {
        const std::span<Bgra> cell = std::span(buffer).first(static_cast<std::size_t>(count));
        image.colors->ReadRow(column, row, cell);
        for (Bgra& pixel : cell) {
            pixel.a = 255;
        }
        WriteShownRuns(target, x + column, y + row, cell, image.Mask(row * m_Width + column));
    });
}

// DrawMasked onto a 32-bit target, a row at a time: shown pixels are copied as opaque.
void ImageList::DrawMaskedBytes(const Image& image, Bitmap& target, int x, int y) const {
    const Bitmap& colors = *image.colors;
    const std::size_t inStep = static_cast<std::size_t>(colors.BitCount() / 8);
    ForEachVisibleChunk(target, x, y, [&](int row, int column, int count) {
        const std::uint8_t* in = colors.PixelBytes(column, row);
        std::uint8_t* out = target.PixelBytes(x + column, y + row);
        const std::uint8_t* hidden = image.Mask(row * m_Width + column);
        for (int i = 0; i < count; ++i, in += inStep, out += 4) {
            if (hidden == nullptr || hidden[i] == 0) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 255;
            }
        }
    });
}

void ImageList::DrawBlended(const Image& image, Bitmap& target, int x, int y) const {
    std::vector<Bgra> cellBuffer(RowChunkBufferSize(m_Width)), underBuffer(cellBuffer.size());
    ForEachVisibleChunk(target, x, y, [&](int row, int column, int count) {
        const std::size_t width = static_cast<std::size_t>(count);
        const std::span<Bgra> cell = std::span(cellBuffer).first(width);
        const std::span<Bgra> under = std::span(underBuffer).first(width);
        image.colors->ReadRow(column, row, cell);
        target.ReadRow(x + column, y + row, under);
        for (std::size_t i = 0; i < width; ++i) {
            const Bgra& below = under[i];
            // Over nothing the cell comes through as it is, as on a fresh strip surface.
            const bool bare = below.b == 0 && below.g == 0 && below.r == 0 && below.a == 0;
            if (!bare) {
                const unsigned alpha = cell[i].a;
                cell[i] = {Over(cell[i].b, below.b, alpha), Over(cell[i].g, below.g, alpha),
                           Over(cell[i].r, below.r, alpha), Over(cell[i].a, below.a, alpha)};
            }
        }
        WriteShownRuns(target, x + column, y + row, cell, image.Mask(row * m_Width + column));
    });
}

}  // namespace gdi
