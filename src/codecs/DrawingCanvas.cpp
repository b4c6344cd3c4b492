// SPDX-License-Identifier: MIT
#include "codecs/DrawingCanvas.h"

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/HandleTable.h"

DrawingCanvas::DrawingCanvas(DecodedImage& image) : m_Image(image) {
    m_Pixels = image.Pixels();
    m_Bitmap = gdi::HandleTable::Insert(std::move(image.m_Pixels));
    m_Dc.Reset(gdi::CreateCompatibleDC());
    if (m_Dc) {
        m_Previous = gdi::SelectObject(m_Dc.Get(), m_Bitmap);
    }
}

DrawingCanvas::~DrawingCanvas() {
    if (m_Previous != 0) {
        gdi::SelectObject(m_Dc.Get(), m_Previous);
    }
    m_Dc.Reset();
    std::unique_ptr<gdi::GdiObject> bitmap = gdi::HandleTable::Remove(m_Bitmap);
    m_Image.m_Pixels.reset(static_cast<gdi::Bitmap*>(bitmap.release()));
}
