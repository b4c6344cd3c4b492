// SPDX-License-Identifier: MIT
#include "controls/FrmColorPicker.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "controls/ControlAccessibility.h"
#include "platform/desktop/Desktop.h"
#include "platform/desktop/QtBitmapBridge.h"

namespace {

constexpr int kHighlightSize = 21;

// A framed, filled rectangle whose right and bottom edges are exclusive, as the swatch geometry
// is given.
void FramedRect(QPainter& painter, int left, int top, int right, int bottom, gdi::COLORREF fill) {
    painter.setPen(desktop::QtBitmapBridge::ToQColor(FrmColorPicker::kFrameColor));
    painter.setBrush(desktop::QtBitmapBridge::ToQColor(fill));
    painter.drawRect(left, top, right - left - 1, bottom - top - 1);
}

}  // namespace

FrmColorPicker::FrmColorPicker(desktop::Desktop& desktop, QWidget* owner)
    : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint),
      m_Desktop(desktop),
      m_Shape1(new QFrame(this)) {
    ControlAccessibility::Install();
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    setFixedSize(kWidth, kHeight + kMoreColorsHeight);
    m_Shape1->setGeometry(0, 0, kHighlightSize, kHighlightSize);
    m_Shape1->setStyleSheet("border: 1px solid #316ac5; background: transparent;");
    m_Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_Shape1->hide();
}

void FrmColorPicker::PopUpColor(QWidget* FrmOwner, int xLeft, int yTop,
                                gdi::COLORREF DefaultColor) {
    move(FrmOwner->mapToGlobal(QPoint(xLeft, yTop)));
    m_DefaultColor = DefaultColor;
    DrawSurface(DefaultColor);
    show();
    if (m_Desktop.IsTopMost(FrmOwner->window())) {
        m_Desktop.SetTopMost(this, true);
    }
}

void FrmColorPicker::DrawSurface(gdi::COLORREF defaultColor) {
    m_Surface = QImage(kWidth, kHeight, QImage::Format_RGB32);
    m_Surface.fill(desktop::QtBitmapBridge::ToQColor(kSurfaceColor));
    QPainter painter(&m_Surface);
    painter.setPen(desktop::QtBitmapBridge::ToQColor(kFrameColor));
    painter.drawRect(0, 0, kWidth - 1, kHeight - 1);
    FramedRect(painter, 4, 5, 80, 22, defaultColor);
    for (std::size_t i = 0; i < kSwatches.size(); ++i) {
        const int x = 4 + 20 * static_cast<int>(i % 4);
        const int y = 27 + 20 * static_cast<int>(i / 4);
        FramedRect(painter, x, y, x + 16, y + 16, kSwatches[i]);
    }
}

gdi::COLORREF FrmColorPicker::SurfaceColor(QPoint point) const {
    if (!m_Surface.valid(point)) {
        return gdi::CLR_INVALID;
    }
    return desktop::QtBitmapBridge::FromQColor(m_Surface.pixelColor(point));
}

// Swatches and the current-colour bar are the only pixels in neither fixed colour.
bool FrmColorPicker::IsSelectable(QPoint point) const {
    const gdi::COLORREF color = SurfaceColor(point);
    return color != gdi::CLR_INVALID && color != kSurfaceColor && color != kFrameColor;
}

void FrmColorPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_Surface);
    const QRect more = MoreColorsRect();
    FramedRect(painter, more.left(), more.top() - 1, more.right() + 1, more.bottom() + 1,
               kSurfaceColor);
    QFont small = font();
    small.setPixelSize(10);
    painter.setFont(small);
    painter.setPen(Qt::black);
    painter.drawText(more, Qt::AlignCenter, kMoreColorsText);
}

void FrmColorPicker::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (!IsSelectable(point)) {
        m_Shape1->hide();
        return;
    }
    // 20 across but 22 down: with the grid starting at y 27 this still lands on the swatch.
    m_Shape1->move(point.x() / 20 * 20 + 2, point.y() / 22 * 20 + 5);
    m_Shape1->show();
}

void FrmColorPicker::mousePressEvent(QMouseEvent* event) {
    m_Pressed = true;
    // A press outside closes the pop-up without a pick.
    QWidget::mousePressEvent(event);
}

void FrmColorPicker::mouseReleaseEvent(QMouseEvent* event) {
    // The release of the press that opened the pop-up is not a click on it.
    if (!m_Pressed) {
        return;
    }
    const QPoint point = event->position().toPoint();
    if (MoreColorsRect().contains(point)) {
        ChooseMoreColors();
        return;
    }
    if (IsSelectable(point)) {
        PickColor(SurfaceColor(point));
        return;
    }
    close();
}

void FrmColorPicker::PickColor(gdi::COLORREF color) {
    emit SelectColor(color);
    close();
}

void FrmColorPicker::ChooseMoreColors() {
    const QPointer<FrmColorPicker> self(this);
    m_ChoosingMore = true;
    hide();
    const std::optional<gdi::COLORREF> chosen =
        m_Desktop.ChooseColor(parentWidget(), m_DefaultColor);
    if (!self) {
        return;
    }
    m_ChoosingMore = false;
    if (chosen) {
        emit SelectColor(*chosen);
    }
    close();
}

bool FrmColorPicker::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && !m_ChoosingMore) {
        close();
    }
    return QWidget::event(event);
}
