// SPDX-License-Identifier: MIT
#include "platform/desktop/QtClipboardSource.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "platform/desktop/QtBitmapBridge.h"

namespace desktop {

bool QtClipboardSource::HasPicture() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasImage();
}

std::unique_ptr<picture::Picture> QtClipboardSource::GetPicture() const {
    return picture::Picture::FromBitmap(
        QtBitmapBridge::FromQImage(QGuiApplication::clipboard()->image()));
}

}  // namespace desktop
