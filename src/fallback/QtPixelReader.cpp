// SPDX-License-Identifier: MIT
#include "fallback/QtPixelReader.h"

#include <QPainter>

namespace {

// The largest rectangle of the picture's aspect that fits the target, centred in it.
QRectF CentredFit(QSizeF picture, QSizeF target) {
    const QSizeF fitted = picture.isEmpty() ? target : picture.scaled(target, Qt::KeepAspectRatio);
    return {QPointF((target.width() - fitted.width()) / 2, (target.height() - fitted.height()) / 2),
            fitted};
}

}  // namespace

QtPixelReader::QtPixelReader(QByteArray bytes, std::uint64_t maxPixels, int drawWidth,
                             int drawHeight)
    : m_Bytes(std::move(bytes)),
      m_MaxPixels(maxPixels),
      m_DrawSize(drawWidth, drawHeight),
      m_Buffer(&m_Bytes) {}

bool QtPixelReader::Fits(QSize size) const {
    return static_cast<std::uint64_t>(size.width()) * static_cast<std::uint64_t>(size.height()) <=
           m_MaxPixels;
}

// An SVG asked for at a size is drawn at it; anything else, an SVG included, is decoded at the
// size it declares.
QtPixelReader::Outcome QtPixelReader::Plan() {
    if (m_DrawSize.width() > 0 && m_DrawSize.height() > 0) {
        m_Declared = m_DrawSize;
        if (!Fits(m_Declared)) {
            return Outcome::TooLarge;
        }
        m_Renderer = std::make_unique<QSvgRenderer>(m_Bytes);
        if (m_Renderer->isValid()) {
            return Outcome::Decoded;
        }
        m_Renderer.reset();
    }
    m_Reader.setDevice(&m_Buffer);
    const std::uint64_t megabytes = (m_MaxPixels * 4 + (1 << 20) - 1) >> 20;
    m_Reader.setAllocationLimit(static_cast<int>(std::min<std::uint64_t>(megabytes, INT32_MAX)));
    if (!m_Reader.canRead()) {
        return Unreadable();
    }
    m_Declared = m_Reader.size();
    return m_Declared.isValid() && !Fits(m_Declared) ? Outcome::TooLarge : Outcome::Decoded;
}

// A format no plugin knows is told as such by the caller.
QtPixelReader::Outcome QtPixelReader::Unreadable() {
    if (m_Reader.error() != QImageReader::UnsupportedFormatError) {
        m_Message = m_Reader.errorString();
    }
    return Outcome::NotReadable;
}

QtPixelReader::Outcome QtPixelReader::Read() {
    return m_Renderer ? Draw() : Decode();
}

QtPixelReader::Outcome QtPixelReader::Draw() {
    m_Image = QImage(m_DrawSize, QImage::Format_ARGB32_Premultiplied);
    if (m_Image.isNull()) {
        return Outcome::NotReadable;
    }
    m_Image.fill(Qt::transparent);
    QPainter painter(&m_Image);
    m_Renderer->render(&painter, CentredFit(m_Renderer->viewBoxF().size(), m_Image.size()));
    painter.end();
    m_HasAlpha = true;
    return Outcome::Decoded;
}

QtPixelReader::Outcome QtPixelReader::Decode() {
    m_Image = m_Reader.read();
    if (m_Image.isNull()) {
        return Unreadable();
    }
    if (!Fits(m_Image.size())) {
        return Outcome::TooLarge;
    }
    m_HasAlpha = m_Image.hasAlphaChannel();
    m_Image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return m_Image.isNull() ? Outcome::NotReadable : Outcome::Decoded;
}
