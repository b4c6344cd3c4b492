// SPDX-License-Identifier: MIT
#include "app/clsImgList.h"

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemColors.h"

gdi::HIMAGELIST clsImgList::Init(int Width, int Height, int Colors,
                                 std::span<const gdi::RGBQUAD> ColorTable) {
    m_List.Reset();
    m_IconWidth = Width;
    m_IconHeight = Height;
    m_Colors = Colors;
    m_ColorTable.assign(ColorTable.begin(), ColorTable.end());
    if (gdi::Bitmap::IsSupportedBitCount(Colors)) {
        m_List.Reset(gdi::ImageList::Create(Width, Height, ListFlags(Colors), ColorTable));
    }
    return m_List.Get();
}

// A depth of 1 leaves only the mask flag: the list's default 16-colour format.
unsigned clsImgList::ListFlags(int Colors) {
    return static_cast<unsigned>(Colors) | gdi::ImageList::ILC_MASK;
}

gdi::COLORREF clsImgList::ListMaskColor(gdi::COLORREF MaskColor) {
    return MaskColor == gdi::CLR_NONE ? gdi::CLR_NONE
                                      : gdi::SystemColors::TranslateColor(MaskColor);
}

bool clsImgList::AddBitmap(gdi::HBITMAP hBitmap, gdi::COLORREF MaskColor) {
    gdi::ImageList* list = gdi::ImageList::FromHandle(m_List.Get());
    if (list == nullptr) {
        return false;
    }
    return list->Add(hBitmap, ListMaskColor(MaskColor)) >= 0;
}

gdi::ImageList::Image clsImgList::CutCell(gdi::HBITMAP hBitmap, int Width, int Height, int Colors,
                                          gdi::COLORREF MaskColor,
                                          std::span<const gdi::RGBQUAD> ColorTable) {
    const gdi::Bitmap* source = gdi::BitmapFromHandle(hBitmap);
    return source == nullptr ? gdi::ImageList::Image{}
                             : CutCell(*source, Width, Height, Colors, MaskColor, ColorTable);
}

gdi::ImageList::Image clsImgList::CutCell(const gdi::Bitmap& Source, int Width, int Height,
                                          int Colors, gdi::COLORREF MaskColor,
                                          std::span<const gdi::RGBQUAD> ColorTable) {
    if (!gdi::Bitmap::IsSupportedBitCount(Colors)) {
        return {};
    }
    return gdi::ImageList::CutFirst(Source, Width, Height, ListFlags(Colors),
                                    ListMaskColor(MaskColor), ColorTable);
}

bool clsImgList::AddCell(gdi::ImageList::Image Cell) {
    gdi::ImageList* list = gdi::ImageList::FromHandle(m_List.Get());
    return list != nullptr && list->AddImage(std::move(Cell)) >= 0;
}

const gdi::ImageList::Image* clsImgList::Cell(int iIcon) const {
    const gdi::ImageList* list = gdi::ImageList::FromHandle(m_List.Get());
    return list != nullptr ? list->ImageAt(iIcon) : nullptr;
}

bool clsImgList::Draw(int iIcon, gdi::HDC hDC, int X, int Y) const {
    const gdi::ImageList* list = gdi::ImageList::FromHandle(m_List.Get());
    return list != nullptr && list->Draw(iIcon, hDC, X, Y);
}

int clsImgList::ImageCount() const {
    const gdi::ImageList* list = gdi::ImageList::FromHandle(m_List.Get());
    return list == nullptr ? 0 : list->ImageCount();
}

void clsImgList::Clear() {
    if (gdi::ImageList* list = gdi::ImageList::FromHandle(m_List.Get())) {
        list->SetImageCount(0);
    }
}

void clsImgList::Retain(const std::vector<int>& kept) {
    if (gdi::ImageList* list = gdi::ImageList::FromHandle(m_List.Get())) {
        list->Retain(kept);
    }
}

void clsImgList::SetBackColor(gdi::COLORREF Color) {
    if (gdi::ImageList* list = gdi::ImageList::FromHandle(m_List.Get())) {
        list->SetBkColor(gdi::SystemColors::TranslateColor(Color));
    }
}
