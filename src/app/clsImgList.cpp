#include "app/clsImgList.h"

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/SystemColors.h"

gdi::HIMAGELIST clsImgList::Init(int Width, int Height, int Colors) {
    m_List.Reset();
    m_IconWidth = Width;
    m_IconHeight = Height;
    m_Colors = Colors;
    // A depth of 1 leaves only the mask flag: the list's default 16-colour format.
    if (gdi::Bitmap::IsSupportedBitCount(Colors)) {
        const unsigned flags = static_cast<unsigned>(Colors) | gdi::ImageList::ILC_MASK;
        m_List.Reset(gdi::ImageList::Create(Width, Height, flags));
    }
    return m_List.Get();
}

bool clsImgList::AddBitmap(gdi::HBITMAP hBitmap, gdi::COLORREF MaskColor) {
    gdi::ImageList* list = gdi::ImageList::FromHandle(m_List.Get());
    if (list == nullptr) {
        return false;
    }
    const gdi::COLORREF mask =
        MaskColor == gdi::CLR_NONE ? gdi::CLR_NONE : gdi::SystemColors::TranslateColor(MaskColor);
    return list->Add(hBitmap, mask) >= 0;
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
