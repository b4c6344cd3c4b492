// SPDX-License-Identifier: MIT
#include "platform/desktop/QtClipboardImage.h"

#include <QBuffer>
#include <QMimeData>

namespace desktop {
namespace {

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, format) ? bytes : QByteArray();
}

}  // namespace

QMimeData* QtClipboardImage::MimeData(const QImage& image) {
    auto* data = new QMimeData;
    const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    data->setImageData(straight);
    data->setData("image/png", Encoded(straight, "PNG"));
    data->setData("image/bmp", Encoded(straight.convertToFormat(QImage::Format_RGB32), "BMP"));
    return data;
}

}  // namespace desktop
