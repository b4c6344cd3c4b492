// SPDX-License-Identifier: MIT
#include "controls/ucListIcon.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>
#include <QStyle>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <optional>

#include "controls/AccessibleControl.h"
#include "controls/ControlAccessibility.h"
#include "platform/desktop/QtBitmapBridge.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/UniqueGdiObject.h"

namespace {

constexpr gdi::Bgra kCheckerWhite{255, 255, 255, 255};
constexpr gdi::Bgra kCheckerGrey{204, 204, 204, 255};

int ShiftMask(Qt::KeyboardModifiers modifiers) {
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

int ButtonNumber(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            return 0;
    }
}

bool CarriesFileList(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) {
        return false;
    }
    const QList<QUrl> urls = data->urls();
    return !urls.isEmpty() &&
           std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

// Rounds as the layout arithmetic does: to the nearest integer, halves to even.
int RoundEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

}  // namespace

ucListIcon::ucListIcon(QWidget* parent) : QWidget(parent), m_ScrollBar(new QScrollBar(this)) {
    ControlAccessibility::Install();
    m_ScrollBar->setOrientation(Qt::Horizontal);
    m_ScrollBar->setSingleStep(kLineStep);
    connect(m_ScrollBar, &QScrollBar::valueChanged, this, [this] { update(); });
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    Refresh();
}

void ucListIcon::SethImageList(gdi::HIMAGELIST list) {
    m_ImageList = list;
    if (const gdi::ImageList* images = gdi::ImageList::FromHandle(list)) {
        m_ImageWidth = images->IconWidth();
        m_ImageHeight = images->IconHeight();
    }
    Refresh();
}

void ucListIcon::AddItem(int iIcon) {
    InsertItem(ItemCount(), iIcon);
}

void ucListIcon::InsertItem(int Index, int iIcon) {
    const int at = std::clamp(Index, 0, ItemCount());
    m_Selected.clear();
    m_Items.insert(m_Items.begin() + at, iIcon);
    if (m_ListIndex == -1) {
        m_ListIndex = 0;
    }
    UpdateScrollRange();
}

void ucListIcon::Remove(int Index) {
    if (Index < 0 || Index >= ItemCount()) {
        return;
    }
    m_Items.erase(m_Items.begin() + Index);
    m_Selected.clear();
    if (m_ListIndex > ItemCount() - 1) {
        m_ListIndex = ItemCount() - 1;
        emit SelChange(m_ListIndex);
    }
    UpdateScrollRange();
    update();
}

void ucListIcon::Clear() {
    m_Items.clear();
    m_Selected.clear();
    m_ListIndex = -1;
    m_ScrollBar->setValue(0);
    Refresh();
    emit SelChange(-1);
}

int ucListIcon::IconIndex(int Index) const {
    return Index >= 0 && Index < ItemCount() ? m_Items[static_cast<std::size_t>(Index)] : -1;
}

void ucListIcon::SetIconIndex(int Index, int iIcon) {
    if (Index >= 0 && Index < ItemCount()) {
        m_Items[static_cast<std::size_t>(Index)] = iIcon;
        update();
    }
}

int ucListIcon::ListIndex() const {
    return m_ListIndex >= 0 && m_ListIndex < ItemCount() ? m_ListIndex : -1;
}

void ucListIcon::SetListIndex(int Index) {
    m_Selected.clear();
    m_Anchor = Index;
    MakeCurrent(Index);
}

void ucListIcon::MakeCurrent(int position) {
    m_ListIndex = position;
    EnsureVisible(position);
    update();
    AccessibleControl::NotifyFocus(this, position);
    emit SelChange(position);
}

std::vector<int> ucListIcon::SelectedItems() const {
    std::vector<int> selected = m_Selected;
    selected.push_back(ListIndex());
    std::erase_if(selected, [this](int p) { return p < 0 || p >= ItemCount(); });
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    return selected;
}

void ucListIcon::SetSelection(const std::vector<int>& positions) {
    if (positions.empty()) {
        return;
    }
    m_Selected = positions;
    m_Anchor = *std::min_element(positions.begin(), positions.end());
    MakeCurrent(m_Anchor);
}

void ucListIcon::ExtendSelection(int target) {
    const int anchor = m_Anchor >= 0 && m_Anchor < ItemCount() ? m_Anchor
                       : ListIndex() >= 0                      ? ListIndex()
                                                               : target;
    m_Anchor = anchor;
    m_Selected.clear();
    for (int p = std::min(anchor, target); p <= std::max(anchor, target); ++p) {
        m_Selected.push_back(p);
    }
    MakeCurrent(target);
}

// The last selected cell stays selected: a selection is never empty while there are cells.
void ucListIcon::ToggleSelected(int position) {
    std::vector<int> selected = SelectedItems();
    const auto at = std::find(selected.begin(), selected.end(), position);
    if (at == selected.end()) {
        selected.push_back(position);
    } else if (selected.size() > 1) {
        selected.erase(at);
    }
    m_Selected = selected;
    m_Anchor = position;
    const bool kept = std::find(selected.begin(), selected.end(), position) != selected.end();
    MakeCurrent(kept ? position : selected.front());
}

void ucListIcon::SetBackColor(gdi::COLORREF color) {
    m_BackColor = color;
    update();
}

void ucListIcon::SetBorderStyle(int style) {
    m_BorderStyle = style;
    Refresh();
}

void ucListIcon::SetBackCheckerBoard(bool on) {
    m_CheckerBoard = on;
    update();
}

int ucListIcon::ClientWidth() const {
    return std::max(width() - 2 * Border(), 0);
}

int ucListIcon::ScrollPosition() const {
    return m_ScrollBar->value();
}

QRect ucListIcon::ItemRect(int Index) const {
    return {SlotWidth() * Index - ScrollPosition() + Border(), Border(), SlotWidth(),
            ClientHeight()};
}

int ucListIcon::HitTest(int x) const {
    return (x + ScrollPosition()) / SlotWidth();
}

void ucListIcon::Refresh() {
    UpdateScrollRange();
    // The bar sits below the cells; the height shows it only when the row is wider than the view.
    const bool needsBar = ScrollRangeMaximum() >= ClientWidth();
    const int barHeight = m_ScrollBar->sizeHint().height();
    setFixedHeight(2 * Border() + ClientHeight() + (needsBar ? barHeight : 0));
    m_ScrollBar->setGeometry(Border(), Border() + ClientHeight(), ClientWidth(), barHeight);
    update();
}

void ucListIcon::UpdateScrollRange() {
    // The last position still shows the empty slot after the last item at the right edge.
    m_ScrollBar->setPageStep(std::max(ClientWidth(), 1));
    m_ScrollBar->setRange(0, std::max(ScrollRangeMaximum() - ClientWidth(), 0));
    m_ScrollBar->setEnabled(ScrollRangeMaximum() >= ClientWidth());
}

void ucListIcon::EnsureVisible(int Index) {
    const int w = SlotWidth();
    const int s = Index;
    if (s < 0 || s >= ItemCount()) {
        return;
    }
    if (w * s < ScrollPosition()) {
        m_ScrollBar->setValue(w * s);
    } else if (w * (s + 1) > ScrollPosition() + ClientWidth()) {
        m_ScrollBar->setValue(w * s - ClientWidth() + w);
    }
}

QPoint ucListIcon::ClientPoint(QPointF widgetPoint) const {
    return widgetPoint.toPoint() - QPoint(Border(), Border());
}

void ucListIcon::resizeEvent(QResizeEvent*) {
    Refresh();
    emit Resize();
}

void ucListIcon::mousePressEvent(QMouseEvent* event) {
    const QPoint point = ClientPoint(event->position());
    const int position = HitTest(point.x());
    if (position >= 0 && position < ItemCount()) {
        const std::vector<int> selected = SelectedItems();
        const bool inBlock = selected.size() > 1 && std::find(selected.begin(), selected.end(),
                                                              position) != selected.end();
        if (event->modifiers().testFlag(Qt::ShiftModifier)) {
            ExtendSelection(position);
        } else if (event->modifiers().testFlag(Qt::ControlModifier)) {
            ToggleSelected(position);
        } else if (inBlock && event->button() == Qt::LeftButton) {
            m_CollapseOnRelease = true;
            MakeCurrent(position);
        } else if (!inBlock) {
            SetListIndex(position);
        }
        if (event->button() == Qt::LeftButton) {
            m_PressedItem = position;
            m_PressPoint = point;
        }
    }
    emit MouseDown(ButtonNumber(event->button()), ShiftMask(event->modifiers()), point.x(),
                   point.y());
}

// A cell dragged inside the view shows the drop marker where it would land; leaving the view
// cancels the drag.
void ucListIcon::mouseMoveEvent(QMouseEvent* event) {
    if (m_PressedItem < 0 || !event->buttons().testFlag(Qt::LeftButton)) {
        return;
    }
    const QPoint point = ClientPoint(event->position());
    if (!m_DraggingItem &&
        (point - m_PressPoint).manhattanLength() < QApplication::startDragDistance()) {
        return;
    }
    if (!QRect(0, 0, ClientWidth(), ClientHeight()).contains(point)) {
        EndItemDrag();
        return;
    }
    m_DraggingItem = true;
    m_DropMarker = std::min(HitTest(point.x()), ItemCount());
    update();
}

void ucListIcon::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const bool dragged = m_DraggingItem;
    const int from = m_PressedItem, before = m_DropMarker;
    EndItemDrag();
    if (dragged) {
        emit ItemMove(from, before);
    } else if (m_CollapseOnRelease && from >= 0) {
        SetListIndex(from);
    }
    m_CollapseOnRelease = false;
}

void ucListIcon::EndItemDrag() {
    if (m_DraggingItem) {
        m_DropMarker = -1;
        update();
    }
    m_DraggingItem = false;
    m_PressedItem = -1;
}

std::optional<int> ucListIcon::KeyTarget(int key) const {
    const int last = ItemCount() - 1;
    switch (key) {
        case Qt::Key_Left:
            return m_ListIndex >= 1 ? std::optional(m_ListIndex - 1) : std::nullopt;
        case Qt::Key_Right:
            return m_ListIndex < last ? std::optional(m_ListIndex + 1) : std::nullopt;
        case Qt::Key_Home:
            return 0;
        case Qt::Key_End:
            return last;
        case Qt::Key_PageUp:
            return std::max(m_ListIndex - PageItems(), 0);
        case Qt::Key_PageDown:
            return std::min(m_ListIndex + PageItems(), last);
        default:
            return std::nullopt;
    }
}

void ucListIcon::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        EndItemDrag();
    }
    // An empty row has nothing to move to; the key is still reported.
    if (ItemCount() > 0) {
        if (const std::optional<int> target = KeyTarget(event->key())) {
            if (event->modifiers().testFlag(Qt::ShiftModifier)) {
                ExtendSelection(*target);
            } else {
                SetListIndex(*target);
            }
        }
    }
    emit KeyDown(event->key(), ShiftMask(event->modifiers()));
}

void ucListIcon::wheelEvent(QWheelEvent* event) {
    const int delta =
        event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta > 0) {
        m_ScrollBar->setValue(ScrollPosition() - kLineStep);
    } else if (delta < 0) {
        m_ScrollBar->setValue(ScrollPosition() + kLineStep);
    }
    event->accept();
}

void ucListIcon::TrackDrag(QDropEvent* event) {
    if (!CarriesFileList(event->mimeData())) {
        // Other data (a dropped address) keeps the marker and the proposed effect.
        event->acceptProposedAction();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QPoint point = ClientPoint(event->position());
    m_DropMarker = point.x() < 0 || point.y() < 0 ? -1 : std::min(HitTest(point.x()), ItemCount());
    update();
}

void ucListIcon::dragEnterEvent(QDragEnterEvent* event) {
    TrackDrag(event);
}

void ucListIcon::dragMoveEvent(QDragMoveEvent* event) {
    TrackDrag(event);
}

void ucListIcon::dragLeaveEvent(QDragLeaveEvent*) {
    m_DropMarker = -1;
    update();
}

void ucListIcon::dropEvent(QDropEvent* event) {
    int position = m_DropMarker;
    emit OLEDragDrop(event->mimeData(), &position);
    event->acceptProposedAction();
    m_DropMarker = -1;
    update();
}

QString ucListIcon::ItemToolTip(int Index) const {
    return m_ItemToolTip && Index >= 0 && Index < ItemCount() ? m_ItemToolTip(Index) : QString();
}

bool ucListIcon::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    const int position = HitTest(ClientPoint(help->pos()).x());
    const QString text = ItemToolTip(position);
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        const int x = SlotWidth() * position - ScrollPosition() + Border();
        QToolTip::showText(help->globalPos(), text, this,
                           QRect(x, Border(), SlotWidth(), ClientHeight()));
    }
    return true;
}

void ucListIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(Border(), Border(), RenderCells(devicePixelRatioF()));
    painter.translate(Border(), Border());
    PaintMarks(painter);
    painter.resetTransform();
    if (Border() != 0) {
        painter.setPen(palette().color(QPalette::Mid));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

// Background, highlight and cells are drawn by the image list into a bitmap of the client size in
// device pixels, so cells look exactly as the strip will hold them.
QImage ucListIcon::RenderCells(double devicePixelRatio) const {
    const auto device = [devicePixelRatio](double logical) {
        return RoundEven(logical * devicePixelRatio);
    };
    gdi::UniqueGdiObject surface(gdi::CreateCompatibleBitmap(
        std::max(static_cast<int>(std::ceil(ClientWidth() * devicePixelRatio)), 1),
        static_cast<int>(std::ceil(ClientHeight() * devicePixelRatio))));
    gdi::UniqueGdiObject dc(gdi::CreateCompatibleDC());
    gdi::SelectObject(dc.Get(), surface.Get());
    PaintBackground(dc.Get());
    const gdi::ImageList* images = gdi::ImageList::FromHandle(m_ImageList);
    const int perPixel = DevicePixelsPerCellPixel(m_Zoom, devicePixelRatio);
    const std::vector<int> selected = SelectedItems();
    const int w = SlotWidth();
    const int first = std::max(RoundEven(static_cast<double>(ScrollPosition()) / w) - 1, 0);
    const int last =
        std::min(RoundEven(static_cast<double>(ClientWidth()) / w) + first + 1, ItemCount() - 1);
    for (int i = first; i <= last; ++i) {
        const int x = w * i - ScrollPosition();
        if (std::binary_search(selected.begin(), selected.end(), i)) {
            gdi::FillRect(dc.Get(), {device(x), 0, device(x + w), device(ClientHeight())},
                          kHighlightColor);
        }
        const int left = device(x + 4), top = device(kSlotPadding);
        if (images != nullptr) {
            images->DrawZoomed(IconIndex(i), dc.Get(), left, top, perPixel);
        }
        if (m_PixelGrid && m_Zoom >= kGridZoom) {
            PaintGrid(dc.Get(), left, top, perPixel);
        }
    }
    gdi::SelectObject(dc.Get(), gdi::StockBitmap());
    QImage cells = desktop::QtBitmapBridge::ToQImage(*gdi::BitmapFromHandle(surface.Get()),
                                                     desktop::QtBitmapBridge::Alpha::Opaque);
    cells.setDevicePixelRatio(devicePixelRatio);
    return cells;
}

int ucListIcon::DevicePixelsPerCellPixel(int zoom, double devicePixelRatio) {
    // A little slack, so that 2 x 1.5 is 3 and not 2.9999.
    return std::max(static_cast<int>(std::floor(zoom * devicePixelRatio + 1e-6)), 1);
}

int ucListIcon::ZoomToFit(int width, int height, int boxWidth, int boxHeight) {
    int fitting = kZoomSteps[0];
    for (const int zoom : kZoomSteps) {
        if (std::int64_t{width} * zoom <= boxWidth && std::int64_t{height} * zoom <= boxHeight) {
            fitting = zoom;
        }
    }
    return fitting;
}

// A line before every cell pixel and one after the last, one device pixel wide.
void ucListIcon::PaintGrid(gdi::HDC dc, int left, int top, int perPixel) const {
    const int right = left + m_ImageWidth * perPixel, bottom = top + m_ImageHeight * perPixel;
    for (int column = 0; column <= m_ImageWidth; ++column) {
        const int x = left + column * perPixel;
        gdi::FillRect(dc, {x, top, x + 1, bottom + 1}, kGridColor);
    }
    for (int row = 0; row <= m_ImageHeight; ++row) {
        const int y = top + row * perPixel;
        gdi::FillRect(dc, {left, y, right + 1, y + 1}, kGridColor);
    }
}

void ucListIcon::SetZoom(int zoom) {
    if (std::find(std::begin(kZoomSteps), std::end(kZoomSteps), zoom) == std::end(kZoomSteps) ||
        zoom == m_Zoom) {
        return;
    }
    // The selected cell, or else the left edge, stays in view.
    const double leftCell = static_cast<double>(ScrollPosition()) / SlotWidth();
    m_Zoom = zoom;
    Refresh();
    m_ScrollBar->setValue(RoundEven(leftCell * SlotWidth()));
    EnsureVisible(ListIndex());
}

int ucListIcon::NextZoom(int zoom, int direction) {
    const auto* at = std::find(std::begin(kZoomSteps), std::end(kZoomSteps), zoom);
    if (at == std::end(kZoomSteps)) {
        return kZoomSteps[0];
    }
    const auto position = at - std::begin(kZoomSteps) + (direction > 0 ? 1 : -1);
    return position < 0 || position >= std::ssize(kZoomSteps) ? zoom : kZoomSteps[position];
}

void ucListIcon::SetPixelGrid(bool on) {
    m_PixelGrid = on;
    update();
}

void ucListIcon::PaintBackground(gdi::HDC dc) const {
    gdi::Bitmap* surface = gdi::BitmapOfDC(dc);
    if (!m_CheckerBoard) {
        gdi::FillRect(dc, {0, 0, surface->Width(), surface->Height()}, m_BackColor);
        return;
    }
    for (int y = 0; y < surface->Height(); ++y) {
        for (int x = 0; x < surface->Width(); ++x) {
            const bool white = ((x & 2) == 0) == ((y & 2) == 0);
            surface->WritePixel(x, y, white ? kCheckerWhite : kCheckerGrey);
        }
    }
}

// The focus rectangle and the drop marker go over the cells.
void ucListIcon::PaintMarks(QPainter& painter) const {
    const int w = SlotWidth();
    if (ListIndex() >= 0) {
        const int x = w * ListIndex() - ScrollPosition();
        QPen dotted(Qt::white, 1, Qt::CustomDashLine);
        dotted.setDashPattern({1, 1});
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.drawRect(x, 0, w - 1, ClientHeight() - 1);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (m_DropMarker >= 0) {
        const int x = w * m_DropMarker - ScrollPosition();
        DrawLine(painter, x, 0, x, ClientHeight() - 1, 0x000000, 1);
    }
}

void ucListIcon::DrawLine(QPainter& painter, int X1, int Y1, int X2, int Y2, gdi::COLORREF Color,
                          int BorderWidth) {
    painter.save();
    if (Color != gdi::CLR_NONE) {
        const QColor color = desktop::QtBitmapBridge::ToQColor(Color);
        painter.setPen(QPen(color, BorderWidth));
        painter.setBrush(color);
    }
    painter.drawLine(X1, Y1, X2, Y2);
    painter.drawPolygon(QPolygon({QPoint(X1 - 3, Y1), QPoint(X1, Y1 + 3), QPoint(X1 + 3, Y1)}));
    painter.drawPolygon(QPolygon({QPoint(X2 - 3, Y2), QPoint(X2, Y2 - 3), QPoint(X2 + 3, Y2)}));
    painter.restore();
}
