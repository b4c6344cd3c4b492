// SPDX-License-Identifier: MIT
#include "fallback/QtPixelReader.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

namespace {

// The largest rectangle of the picture's aspect that fits the target, centred in it.
QRectF CentredFit(QSizeF picture, QSizeF target) {
    const QSizeF fitted = picture.isEmpty() ? target : picture.scaled(target, Qt::KeepAspectRatio);
    return {QPointF((target.width() - fitted.width()) / 2, (target.height() - fitted.height()) / 2),
            fitted};
}

}  // namespace

QtPixelReader::QtPixelReader(QByteArray bytes, std::uint64_t maxPixels)
    : m_Bytes(std::move(bytes)), m_MaxPixels(maxPixels) {}

QtPixelReader::Outcome QtPixelReader::Read(int drawWidth, int drawHeight) {
    if (drawWidth > 0 && drawHeight > 0) {
        const Outcome drawn = Draw(drawWidth, drawHeight);
        if (drawn != Outcome::NotReadable) {
            return drawn;
        }
    }
    return Decode();
}

bool QtPixelReader::Fits(QSize size) const {
    return static_cast<std::uint64_t>(size.width()) * static_cast<std::uint64_t>(size.height()) <=
           m_MaxPixels;
}

QtPixelReader::Outcome QtPixelReader::Draw(int width, int height) {
    m_Declared = QSize(width, height);
    if (!Fits(m_Declared)) {
        return Outcome::TooLarge;
    }
    QSvgRenderer renderer(m_Bytes);
    if (!renderer.isValid()) {
        return Outcome::NotReadable;
    }
    m_Image = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    if (m_Image.isNull()) {
        return Outcome::NotReadable;
    }
    m_Image.fill(Qt::transparent);
    QPainter painter(&m_Image);
    renderer.render(&painter, CentredFit(renderer.viewBoxF().size(), m_Image.size()));
    painter.end();
    m_HasAlpha = true;
    return Outcome::Decoded;
}

// The size the picture declares is checked before a pixel is decoded.
QtPixelReader::Outcome QtPixelReader::Decode() {
    QBuffer buffer(&m_Bytes);
    QImageReader reader(&buffer);
    const std::uint64_t megabytes = (m_MaxPixels * 4 + (1 << 20) - 1) >> 20;
    reader.setAllocationLimit(static_cast<int>(std::min<std::uint64_t>(megabytes, INT32_MAX)));
    m_Declared = reader.size();
    if (m_Declared.isValid() && !Fits(m_Declared)) {
        return Outcome::TooLarge;
    }
    m_Image = reader.read();
    if (m_Image.isNull() || !Fits(m_Image.size())) {
        // A format no plugin knows is told as such by the caller.
        if (reader.error() != QImageReader::UnsupportedFormatError) {
            m_Message = reader.errorString();
        }
        return m_Image.isNull() ? Outcome::NotReadable : Outcome::TooLarge;
    }
    m_HasAlpha = m_Image.hasAlphaChannel();
    m_Image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return m_Image.isNull() ? Outcome::NotReadable : Outcome::Decoded;
}
