#include "codecs/DrawingCanvas.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"

DrawingCanvas::DrawingCanvas(const DecodedImage& image) {
    gdi::BITMAPINFOHEADER header;
    header.biSize = 40;
    header.biWidth = image.Width();
    header.biHeight = image.Height();
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = gdi::BI_RGB;
    header.biSizeImage = static_cast<std::uint32_t>(image.Pixels().size());
    std::uint8_t* bits = nullptr;
    m_Bitmap.Reset(gdi::CreateDIBSection(header, {}, &bits));
    if (!m_Bitmap) {
        return;
    }
    m_Pixels = {bits, image.Pixels().size()};
    m_Dc.Reset(gdi::CreateCompatibleDC());
    m_Previous = gdi::SelectObject(m_Dc.Get(), m_Bitmap.Get());
}

DrawingCanvas::~DrawingCanvas() {
    if (m_Previous != 0) {
        gdi::SelectObject(m_Dc.Get(), m_Previous);
    }
}

void DrawingCanvas::CopyTo(DecodedImage& image) const {
    std::copy(m_Pixels.begin(), m_Pixels.end(), image.Pixels().begin());
}
