// SPDX-License-Identifier: MIT
#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <type_traits>
#include <vector>

#include "platform/gdi/ColorTables.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/HandleTable.h"
#include "platform/gdi/RowChunks.h"
#include "platform/gdi/SystemColors.h"

namespace gdi {
namespace {

struct Block {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    int sourceX = 0;
    int sourceY = 0;
};

// Shrinks a copy so that it reads only inside the source and writes only inside the target.
bool ClipBlock(Block& block, const Bitmap& target, const Bitmap& source) {
    const auto clipStart = [](int& position, int& other, int& length) {
        if (position < 0) {
            other -= position;
            length += position;
            position = 0;
        }
    };
    clipStart(block.x, block.sourceX, block.w);
    clipStart(block.y, block.sourceY, block.h);
    clipStart(block.sourceX, block.x, block.w);
    clipStart(block.sourceY, block.y, block.h);
    block.w = std::min({block.w, target.Width() - block.x, source.Width() - block.sourceX});
    block.h = std::min({block.h, target.Height() - block.y, source.Height() - block.sourceY});
    return block.w > 0 && block.h > 0;
}

// Where pixel (x, y) of a 24- or 32-bit bitmap starts in its bytes.
std::size_t PixelOffset(const Bitmap& bitmap, int x, int y) {
    return static_cast<std::size_t>(bitmap.Height() - 1 - y) * bitmap.Stride() +
           static_cast<std::size_t>(x) * static_cast<std::size_t>(bitmap.BitCount() / 8);
}

bool IsByteAligned(const Bitmap& bitmap) {
    return bitmap.BitCount() == 24 || bitmap.BitCount() == 32;
}

// Two bitmaps of the same 24- or 32-bit layout copy whole rows, with no conversion to make.
bool CopyRows(Bitmap& target, const Block& block, const Bitmap& source) {
    if (&target == &source || target.BitCount() != source.BitCount() || !IsByteAligned(source)) {
        return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(block.w) * (source.BitCount() / 8);
    for (int row = 0; row < block.h; ++row) {
        std::copy_n(source.Bits() + PixelOffset(source, block.sourceX, block.sourceY + row), bytes,
                    target.Bits() + PixelOffset(target, block.x, block.y + row));
    }
    return true;
}

// The filter of a plain copy, which writes every pixel.
struct KeepAll {
    bool operator()(Bgra) const { return true; }
};

// Writes the kept pixels of one row, each unbroken run of them at once.
template <typename Keep>
void WriteKept(Bitmap& target, int x, int y, std::span<const Bgra> pixels, Keep keep) {
    if constexpr (std::is_same_v<Keep, KeepAll>) {
        target.WriteRow(x, y, pixels);
        return;
    }
    std::size_t start = 0;
    while (start < pixels.size()) {
        while (start < pixels.size() && !keep(pixels[start])) {
            ++start;
        }
        std::size_t end = start;
        while (end < pixels.size() && keep(pixels[end])) {
            ++end;
        }
        target.WriteRow(x + static_cast<int>(start), y, pixels.subspan(start, end - start));
        start = end;
    }
}

// A 32-bit block to 24 bits, a row at a time: the alpha bytes drop out.
void CopyRowsTo24(Bitmap& target, const Block& block, const Bitmap& source) {
    for (int row = 0; row < block.h; ++row) {
        const std::uint8_t* in = source.PixelBytes(block.sourceX, block.sourceY + row);
        std::uint8_t* out = target.PixelBytes(block.x, block.y + row);
        for (int i = 0; i < block.w; ++i, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
}

// Copies a clipped block between two different bitmaps, row by row.
template <typename Keep>
void CopyBetween(Bitmap& target, const Block& block, const Bitmap& source, Keep keep) {
    if constexpr (std::is_same_v<Keep, KeepAll>) {
        if (source.BitCount() == 32 && target.BitCount() == 24) {
            CopyRowsTo24(target, block, source);
            return;
        }
    }
    std::vector<Bgra> buffer(RowChunkBufferSize(block.w));
    for (int y = 0; y < block.h; ++y) {
        ForEachRowChunk(block.w, [&](int x, int count) {
            const std::span<Bgra> pixels = std::span(buffer).first(static_cast<std::size_t>(count));
            source.ReadRow(block.sourceX + x, block.sourceY + y, pixels);
            WriteKept(target, block.x + x, block.y + y, pixels, keep);
        });
    }
}

template <typename Keep>
bool CopyBlock(HDC targetDC, Block block, HDC sourceDC, Keep keep) {
    Bitmap* target = BitmapOfDC(targetDC);
    const Bitmap* source = BitmapOfDC(sourceDC);
    if (target == nullptr || source == nullptr) {
        return false;
    }
    if (!ClipBlock(block, *target, *source)) {
        return true;
    }
    if (target != source) {
        CopyBetween(*target, block, *source, keep);
        return true;
    }
    const std::size_t width = static_cast<std::size_t>(block.w);
    // Within one bitmap the whole block is read first, as the two areas may overlap.
    std::vector<Bgra> pixels(width * static_cast<std::size_t>(block.h));
    const auto row = [&](int y) {
        return std::span<Bgra>(pixels).subspan(static_cast<std::size_t>(y) * width, width);
    };
    for (int y = 0; y < block.h; ++y) {
        source->ReadRow(block.sourceX, block.sourceY + y, row(y));
    }
    for (int y = 0; y < block.h; ++y) {
        WriteKept(*target, block.x, block.y + y, row(y), keep);
    }
    return true;
}

HDC SelectedIntoOf(HGDIOBJ object) {
    const Bitmap* bitmap = HandleTable::FindAs<Bitmap>(object);
    return bitmap == nullptr ? 0 : bitmap->SelectedInto();
}

}  // namespace

HBITMAP StockBitmap() {
    static const HBITMAP stock = HandleTable::Insert(Bitmap::Create(1, 1, 1));
    return stock;
}

HDC CreateCompatibleDC() {
    return HandleTable::Insert(std::make_unique<DeviceContext>(StockBitmap()));
}

bool DeleteDC(HDC dc) {
    if (HandleTable::FindAs<DeviceContext>(dc) == nullptr) {
        return false;
    }
    return DeleteObject(dc);
}

HBITMAP CreateDIBSection(const BITMAPINFOHEADER& header, std::span<const RGBQUAD> colors,
                         std::uint8_t** bits) {
    if (bits != nullptr) {
        *bits = nullptr;
    }
    if (header.biPlanes != 1 || header.biCompression != BI_RGB) {
        return 0;
    }
    std::unique_ptr<Bitmap> bitmap =
        Bitmap::Create(header.biWidth, header.biHeight, header.biBitCount, colors);
    if (!bitmap) {
        return 0;
    }
    std::uint8_t* pixels = bitmap->Bits();
    const HBITMAP handle = HandleTable::Insert(std::move(bitmap));
    if (handle != 0 && bits != nullptr) {
        *bits = pixels;
    }
    return handle;
}

HBITMAP CreateCompatibleBitmap(int width, int height) {
    return HandleTable::Insert(Bitmap::Create(width, height, 32));
}

bool DeleteObject(HGDIOBJ object) {
    if (object == 0 || object == StockBitmap()) {
        return false;
    }
    if (auto* dc = HandleTable::FindAs<DeviceContext>(object)) {
        if (Bitmap* selected = BitmapFromHandle(dc->Selected())) {
            selected->SetSelectedInto(0);
        }
    } else if (const HDC owner = SelectedIntoOf(object); owner != 0) {
        HandleTable::FindAs<DeviceContext>(owner)->Select(StockBitmap());
    }
    return HandleTable::Remove(object) != nullptr;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    auto* context = HandleTable::FindAs<DeviceContext>(dc);
    Bitmap* bitmap = BitmapFromHandle(object);
    if (context == nullptr || bitmap == nullptr) {
        return 0;
    }
    const HBITMAP previous = context->Selected();
    if (previous == object) {
        return previous;
    }
    const bool isStock = object == StockBitmap();
    if (!isStock && bitmap->SelectedInto() != 0) {
        return 0;
    }
    if (Bitmap* old = BitmapFromHandle(previous); old != nullptr && previous != StockBitmap()) {
        old->SetSelectedInto(0);
    }
    if (!isStock) {
        bitmap->SetSelectedInto(dc);
    }
    context->Select(object);
    return previous;
}

HBITMAP GetCurrentBitmap(HDC dc) {
    const auto* context = HandleTable::FindAs<DeviceContext>(dc);
    return context == nullptr ? 0 : context->Selected();
}

Bitmap* BitmapFromHandle(HBITMAP bitmap) {
    return HandleTable::FindAs<Bitmap>(bitmap);
}

Bitmap* BitmapOfDC(HDC dc) {
    return BitmapFromHandle(GetCurrentBitmap(dc));
}

bool GetObject(HBITMAP handle, BITMAP& description) {
    Bitmap* bitmap = BitmapFromHandle(handle);
    if (bitmap == nullptr) {
        return false;
    }
    description.bmType = 0;
    description.bmWidth = bitmap->Width();
    description.bmHeight = bitmap->Height();
    description.bmWidthBytes = static_cast<std::int32_t>(bitmap->Stride());
    description.bmPlanes = 1;
    description.bmBitsPixel = static_cast<std::uint16_t>(bitmap->BitCount());
    description.bmBits = bitmap->Bits();
    return true;
}

bool FillRect(HDC dc, const RECT& rect, COLORREF color) {
    Bitmap* bitmap = BitmapOfDC(dc);
    if (bitmap == nullptr) {
        return false;
    }
    const Bgra pixel = Bgra::FromColor(SystemColors::TranslateColor(color));
    const int left = std::max(rect.left, 0);
    const int top = std::max(rect.top, 0);
    const int right = std::min(rect.right, bitmap->Width());
    const int bottom = std::min(rect.bottom, bitmap->Height());
    // A rectangle wholly off the bitmap, as a highlight scrolled out of a view is, fills nothing.
    if (left >= right || top >= bottom) {
        return true;
    }
    for (int x = left; x < right; ++x) {
        bitmap->WritePixel(x, top, pixel);
    }
    for (int y = top + 1; y < bottom; ++y) {
        if (IsByteAligned(*bitmap)) {
            const std::size_t bytes =
                static_cast<std::size_t>(right - left) * (bitmap->BitCount() / 8);
            std::copy_n(bitmap->Bits() + PixelOffset(*bitmap, left, top), bytes,
                        bitmap->Bits() + PixelOffset(*bitmap, left, y));
            continue;
        }
        for (int x = left; x < right; ++x) {
            bitmap->WritePixel(x, y, pixel);
        }
    }
    return true;
}

bool BitBlt(HDC target, int x, int y, int w, int h, HDC source, int sourceX, int sourceY) {
    Bitmap* targetBitmap = BitmapOfDC(target);
    const Bitmap* sourceBitmap = BitmapOfDC(source);
    Block block{x, y, w, h, sourceX, sourceY};
    if (targetBitmap != nullptr && sourceBitmap != nullptr &&
        (!ClipBlock(block, *targetBitmap, *sourceBitmap) ||
         CopyRows(*targetBitmap, block, *sourceBitmap))) {
        return true;
    }
    return CopyBlock(target, {x, y, w, h, sourceX, sourceY}, source, KeepAll{});
}

bool TransparentBlt(HDC target, int x, int y, int w, int h, HDC source, int sourceX, int sourceY,
                    COLORREF transparent) {
    const Bitmap* sourceBitmap = BitmapOfDC(source);
    if (sourceBitmap == nullptr) {
        return false;
    }
    const COLORREF skipped = sourceBitmap->MapColor(SystemColors::TranslateColor(transparent));
    return CopyBlock(target, {x, y, w, h, sourceX, sourceY}, source,
                     [skipped](Bgra pixel) { return pixel.Rgb() != skipped; });
}

COLORREF GetPixel(HDC dc, int x, int y) {
    const Bitmap* bitmap = BitmapOfDC(dc);
    if (bitmap == nullptr || !bitmap->Contains(x, y)) {
        return CLR_INVALID;
    }
    return bitmap->ReadPixel(x, y).Rgb();
}

int GetDIBits(HBITMAP handle, unsigned startScan, unsigned scanLines, std::span<std::uint8_t> bits,
              BITMAPINFO& info, std::span<const RGBQUAD> colorTable) {
    const Bitmap* bitmap = BitmapFromHandle(handle);
    BITMAPINFOHEADER& header = info.bmiHeader;
    const int bitCount = header.biBitCount;
    if (bitmap == nullptr || !Bitmap::IsSupportedBitCount(bitCount) ||
        startScan >= static_cast<unsigned>(bitmap->Height())) {
        return 0;
    }
    const std::size_t rowBytes = Bitmap::RowBytes(bitmap->Width(), bitCount);
    if (bits.empty()) {
        header.biSizeImage = static_cast<std::uint32_t>(rowBytes * bitmap->Height());
        return 1;
    }
    const int lines = static_cast<int>(
        std::min<unsigned>(scanLines, static_cast<unsigned>(bitmap->Height()) - startScan));
    if (lines < 1 || bits.size() < rowBytes * static_cast<std::size_t>(lines)) {
        return 0;
    }
    std::unique_ptr<Bitmap> converted =
        Bitmap::Create(bitmap->Width(), lines, bitCount, colorTable);
    if (!converted) {
        return 0;
    }
    // Scan line s is picture row (Height - 1 - s); the converted block keeps the same order.
    const int firstPictureRow = bitmap->Height() - static_cast<int>(startScan) - lines;
    const Block rows{0, 0, bitmap->Width(), lines, 0, firstPictureRow};
    if (!CopyRows(*converted, rows, *bitmap)) {
        CopyBetween(*converted, rows, *bitmap, KeepAll{});
    }
    std::copy_n(converted->Bits(), rowBytes * static_cast<std::size_t>(lines), bits.begin());
    const std::span<const RGBQUAD> table = converted->ColorTable();
    std::copy(table.begin(), table.end(), info.bmiColors);
    return lines;
}

}  // namespace gdi
