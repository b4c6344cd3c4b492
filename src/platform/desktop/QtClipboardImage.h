// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

class QMimeData;

namespace desktop {

// What goes on the clipboard for a copied picture: PNG, which keeps its alpha, a bitmap for
// programs that read only that, and Qt's own image.
class QtClipboardImage {
  public:
    static QMimeData* MimeData(const QImage& image);
};

}  // namespace desktop
