#include "platform/desktop/QtFallbackImageLoader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstring>

#include "image/c32bppDIB.h"

bool QtFallbackImageLoader::Load(std::span<const std::uint8_t> bytes, c32bppDIB& host,
                                 bool& hasAlpha) const {
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer);
    // Refuse what would need more than 256 MiB of pixels before anything is decoded.
    reader.setAllocationLimit(256);
    QImage image = reader.read();
    if (image.isNull() || !host.InitializeDIB(image.width(), image.height())) {
        return false;
    }
    hasAlpha = image.hasAlphaChannel();
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    const auto rowBytes = static_cast<std::size_t>(host.scanWidth());
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(
            host.BitsPointer() + static_cast<std::size_t>(image.height() - 1 - y) * rowBytes,
            image.constScanLine(y), rowBytes);
    }
    return true;
}
