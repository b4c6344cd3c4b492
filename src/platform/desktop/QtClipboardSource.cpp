// SPDX-License-Identifier: MIT
#include "platform/desktop/QtClipboardSource.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QStringList>

#include "platform/desktop/FallbackDecoder.h"
#include "platform/desktop/QtBitmapBridge.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"

namespace desktop {
namespace {

// The encoded picture another program offers, the lossless formats first; empty when none.
QByteArray EncodedPicture(const QMimeData& data) {
    const QStringList formats = data.formats();
    for (const QString& preferred : {QStringLiteral("image/png"), QStringLiteral("image/bmp")}) {
        if (formats.contains(preferred)) {
            return data.data(preferred);
        }
    }
    for (const QString& format : formats) {
        if (format.startsWith(QLatin1String("image/"))) {
            return data.data(format);
        }
    }
    return {};
}

// Another program's bytes are untrusted: they are decoded in the fallback decoder's process,
// never by Qt's image plugins in ours. 0 without that decoder or a picture.
gdi::HBITMAP DecodedApart(const QByteArray& bytes) {
    const FallbackDecoder* decoder = FallbackDecoder::Installed();
    if (decoder == nullptr || bytes.isEmpty()) {
        return 0;
    }
    gdi::HBITMAP handle = 0;
    const auto room = [&handle](int w, int h) -> Expected<std::span<std::uint8_t>, DecodeError> {
        handle = gdi::CreateCompatibleBitmap(w, h);
        gdi::Bitmap* bitmap = gdi::BitmapFromHandle(handle);
        if (bitmap == nullptr) {
            return DecodeError::SizeLimit(w, h);
        }
        return std::span(bitmap->Bits(), bitmap->Stride() * static_cast<std::size_t>(h));
    };
    const std::span encoded(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                            static_cast<std::size_t>(bytes.size()));
    if (!decoder->Decode(encoded, 0, 0, room) && handle != 0) {
        gdi::DeleteObject(handle);
        handle = 0;
    }
    return handle;
}

}  // namespace

bool QtClipboardSource::HasPicture() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasImage();
}

// Our own copy is an image already decoded; only that one is taken as Qt holds it.
std::unique_ptr<picture::Picture> QtClipboardSource::GetPicture() const {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard->mimeData();
    if (data == nullptr) {
        return nullptr;
    }
    const gdi::HBITMAP bitmap =
        clipboard->ownsClipboard() && data->hasImage()
            ? QtBitmapBridge::FromQImage(qvariant_cast<QImage>(data->imageData()))
            : DecodedApart(EncodedPicture(*data));
    return picture::Picture::FromBitmap(bitmap);
}

}  // namespace desktop
