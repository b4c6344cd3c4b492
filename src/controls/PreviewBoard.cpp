// SPDX-License-Identifier: MIT
#include "controls/PreviewBoard.h"

#include <QColor>
#include <QPainter>
#include <cmath>

QImage PreviewBoard::Checkerboard(double devicePixelRatio) {
    const int size = static_cast<int>(std::lround(kSize * devicePixelRatio));
    QImage board(size, size, QImage::Format_RGB32);
    board.fill(Qt::white);
    QPainter painter(&board);
    painter.scale(devicePixelRatio, devicePixelRatio);
    int x0 = -1;
    for (int y = -1; y <= kSize; y += 6) {
        for (int x = x0; x <= kSize; x += 12) {
            painter.fillRect(x, y, 6, 6, QColor(0xCC, 0xCC, 0xCC));
        }
        x0 = x0 == -1 ? 5 : -1;
    }
    painter.setPen(QColor(0xC0, 0xC0, 0xC0));
    painter.drawRect(0, 0, kSize - 1, kSize - 1);
    return board;
}
