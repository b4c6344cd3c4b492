#include "platform/desktop/QtFallbackImageLoader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <cstring>

#include "image/c32bppDIB.h"

namespace {

QByteArray Wrap(std::span<const std::uint8_t> bytes) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                   static_cast<qsizetype>(bytes.size()));
}

// The largest rectangle of the picture's aspect that fits the target, centred in it.
QRectF CentredFit(QSizeF picture, QSizeF target) {
    const QSizeF fitted = picture.isEmpty() ? target : picture.scaled(target, Qt::KeepAspectRatio);
    return {QPointF((target.width() - fitted.width()) / 2, (target.height() - fitted.height()) / 2),
            fitted};
}

}  // namespace

bool QtFallbackImageLoader::Load(std::span<const std::uint8_t> bytes, c32bppDIB& host,
                                 bool& hasAlpha) const {
    QBuffer buffer;
    buffer.setData(Wrap(bytes));
    QImageReader reader(&buffer);
    // Refuse what would need more than 256 MiB of pixels before anything is decoded.
    reader.setAllocationLimit(256);
    QImage image = reader.read();
    hasAlpha = image.hasAlphaChannel();
    return CopyPixels(std::move(image), host);
}

bool QtFallbackImageLoader::LoadScalable(std::span<const std::uint8_t> bytes, int width, int height,
                                         c32bppDIB& host) const {
    QSvgRenderer renderer(Wrap(bytes));
    if (!renderer.isValid()) {
        return false;
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return false;
    }
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, CentredFit(renderer.viewBoxF().size(), image.size()));
    painter.end();
    return CopyPixels(std::move(image), host);
}

bool QtFallbackImageLoader::CopyPixels(QImage image, c32bppDIB& host) {
    if (image.isNull() || !host.InitializeDIB(image.width(), image.height())) {
        return false;
    }
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    const auto rowBytes = static_cast<std::size_t>(host.scanWidth());
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(
            host.BitsPointer() + static_cast<std::size_t>(image.height() - 1 - y) * rowBytes,
            image.constScanLine(y), rowBytes);
    }
    return true;
}
