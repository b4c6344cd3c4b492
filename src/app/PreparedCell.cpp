// SPDX-License-Identifier: MIT
#include "app/PreparedCell.h"

#include <algorithm>

#include "app/FitInCell.h"
#include "app/clsImgList.h"
#include "image/PixelBlender.h"
#include "image/PixelView.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/SystemColors.h"

namespace {

// The worker's own 24-bit bitmap, reused from cell to cell. Flattening at 24 bits needs no
// drawing context, and making a surface with its handles for every cell had the workers waiting
// on each other's locks.
gdi::Bitmap* WorkerFlatBitmap(int w, int h) {
    thread_local std::unique_ptr<gdi::Bitmap> flat;
    if (!flat || flat->Width() != w || flat->Height() != h) {
        flat = gdi::Bitmap::Create(w, h, 24);
    }
    return flat.get();
}

// As filling the whole of a surface with the colour would.
void Fill24(gdi::Bitmap& bitmap, gdi::COLORREF color) {
    const gdi::Bgra pixel = gdi::Bgra::FromColor(gdi::SystemColors::TranslateColor(color));
    for (int x = 0; x < bitmap.Width(); ++x) {
        bitmap.WritePixel(x, 0, pixel);
    }
    const std::size_t rowBytes = static_cast<std::size_t>(bitmap.Width()) * 3;
    for (int y = 1; y < bitmap.Height(); ++y) {
        std::copy_n(bitmap.PixelBytes(0, 0), rowBytes, bitmap.PixelBytes(0, y));
    }
}

}  // namespace

std::unique_ptr<PreparedCell> PreparedCell::Make(const CellFormat& format, const std::string& path,
                                                 const c32bppDIB* image,
                                                 const StripDocument::AlphaQuestion& askAlpha) {
    auto cell = std::make_unique<PreparedCell>(StripDocument::AddResult::Refused);
    c32bppDIB& picture = cell->m_Image;
    const int w = format.width, h = format.height;
    picture.SetHighQualityInterpolation(format.depth == 32);
    if (image != nullptr) {
        image->CopyImageTo(picture);
    } else if (!picture.LoadPicture_File(path, w, h, false, format.depth)) {
        cell->m_Result = StripDocument::AddResult::NotDecoded;
        cell->m_LoadError = picture.LoadError();
        return cell;
    }
    if (picture.Handle() == 0 ||
        ((picture.Width() != w || picture.Height() != h) &&
         !(format.keepAspectRatio ? FitInCell::Apply(picture, w, h) : picture.Resize(w, h)))) {
        return cell;
    }
    if (format.depth < 32) {
        cell->Flatten(format, askAlpha);
    }
    cell->Cut(format);
    return cell;
}

// Into the store's own format here, on the worker, so that adding it only appends it; the
// pictures it was made from are no longer needed then.
void PreparedCell::Cut(const CellFormat& format) {
    m_Cell = m_Flat24 != nullptr
                 ? clsImgList::CutCell(*m_Flat24, format.width, format.height, format.depth,
                                       m_MaskColor, format.colorTable)
                 : clsImgList::CutCell(Bitmap(), format.width, format.height, format.depth,
                                       m_MaskColor, format.colorTable);
    m_Flat24 = nullptr;
    m_Image.DestroyDIB();
    m_Flat.Destroy();
    if (m_Cell.colors) {
        m_Result = StripDocument::AddResult::Added;
    }
}

gdi::HBITMAP PreparedCell::Bitmap() const {
    return m_Flat.hDib() != 0 ? m_Flat.hDib() : m_Image.Handle();
}

// Onto a surface of the strip's depth; the 32-bit picture is no longer needed then.
void PreparedCell::Flatten(const CellFormat& format, const StripDocument::AlphaQuestion& askAlpha) {
    const int w = format.width, h = format.height;
    m_MaskColor = format.backColor;
    if (m_Image.HavePixelsAlpha()) {
        const auto answer =
            askAlpha ? askAlpha(m_Image) : StripDocument::AlphaAnswer{true, format.backColor};
        if (answer.remove) {
            m_Image.RemoveAlpha();
        } else {
            m_MaskColor = answer.colorBack;
        }
    }
    if (format.depth == 24) {
        FlattenTo24Bits(w, h);
    } else if (m_Flat.Create(w, h, format.depth, format.colorTable) != 0) {
        m_Flat.Fill(m_MaskColor);
        m_Image.Render(m_Flat.hDC(), 0, 0, w, h, 0, 0, 0, 0, 100, true, true, nullptr, -1, 0, 0,
                       false);
        m_Flat.RestoreDC();
    }
    m_Image.DestroyDIB();
}

void PreparedCell::FlattenTo24Bits(int w, int h) {
    gdi::Bitmap* flat = WorkerFlatBitmap(w, h);
    if (flat == nullptr || m_Image.BitsPointer() == nullptr || m_Image.Width() != w ||
        m_Image.Height() != h) {
        return;
    }
    Fill24(*flat, m_MaskColor);
    constexpr std::uint8_t kOpaque = 255;
    PixelBlender::Blend({m_Image.BitsPointer(), w, h}, 0, 0, {flat->Bits(), w, h, 3, 0, 0}, w, h,
                        kOpaque);
    m_Flat24 = flat;
}
