// SPDX-License-Identifier: MIT
#include "app/PreparedCell.h"

#include "app/FitInCell.h"
#include "app/clsImgList.h"
#include "image/PixelBlender.h"
#include "image/PixelView.h"

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
    m_Cell = clsImgList::CutCell(Bitmap(), format.width, format.height, format.depth, m_MaskColor,
                                 format.colorTable);
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
    if (m_Flat.Create(w, h, format.depth, format.colorTable) != 0) {
        m_Flat.Fill(m_MaskColor);
        DrawOnFlat(format);
        m_Flat.RestoreDC();
    }
    m_Image.DestroyDIB();
}

// At 24 bits the picture is blended straight into the surface's pixels. Drawing through the
// surface's context would copy them to a second surface and back, which makes two more handles
// and allocations on every cell that the workers then wait on each other's locks for.
void PreparedCell::DrawOnFlat(const CellFormat& format) {
    const int w = format.width, h = format.height;
    if (format.depth == 24 && m_Image.BitsPointer() != nullptr && m_Image.Width() == w &&
        m_Image.Height() == h) {
        constexpr std::uint8_t kOpaque = 255;
        PixelBlender::Blend({m_Image.BitsPointer(), w, h}, 0, 0, {m_Flat.lpBits(), w, h, 3, 0, 0},
                            w, h, kOpaque);
        return;
    }
    m_Image.Render(m_Flat.hDC(), 0, 0, w, h, 0, 0, 0, 0, 100, true, true, nullptr, -1, 0, 0, false);
}
