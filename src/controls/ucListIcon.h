// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "platform/gdi/GdiTypes.h"

class QMimeData;
class QPainter;
class QScrollBar;

// The strip view: one row of cells side by side, each an image of an image list shown at its own
// size, with a selection, keyboard and mouse navigation, horizontal scrolling and a marker where
// dropped files will go. It holds no pixels: items are indexes into the list it draws from.
class ucListIcon : public QWidget {
    Q_OBJECT

  public:
    static constexpr gdi::COLORREF kDefaultBackColor = 0x8000000F;
    static constexpr gdi::COLORREF kHighlightColor = 0x8000000D;
    static constexpr int kSlotPadding = 8;
    static constexpr int kLineStep = 10;
    // Zoom factors in order; the pixel grid shows from kGridZoom on.
    static constexpr int kZoomSteps[] = {1, 2, 3, 4, 6, 8};
    static constexpr int kGridZoom = 4;
    static constexpr gdi::COLORREF kGridColor = 0x808080;

    explicit ucListIcon(QWidget* parent = nullptr);

    gdi::HIMAGELIST hImageList() const { return m_ImageList; }
    void SethImageList(gdi::HIMAGELIST list);

    void AddItem(int iIcon);
    void InsertItem(int Index, int iIcon);
    void Remove(int Index);
    void Clear();
    int ItemCount() const { return static_cast<int>(m_Items.size()); }
    // -1 for a position that holds no item.
    int IconIndex(int Index) const;
    void SetIconIndex(int Index, int iIcon);
    int ListIndex() const;
    void SetListIndex(int Index);
    // The selected positions, ascending: ListIndex and the cells Ctrl+click, Shift+click and
    // Shift+arrow added to it. Edits of the items leave ListIndex alone selected.
    std::vector<int> SelectedItems() const;
    // Selects the positions; the first becomes ListIndex. Raises SelChange.
    void SetSelection(const std::vector<int>& positions);
    // Scrolls the least that shows the item whole; the selection stays.
    void EnsureVisible(int Index);

    gdi::COLORREF BackColor() const { return m_BackColor; }
    void SetBackColor(gdi::COLORREF color);
    int BorderStyle() const { return m_BorderStyle; }
    void SetBorderStyle(int style);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    void SetBackCheckerBoard(bool on);
    bool BackCheckerBoard() const { return m_CheckerBoard; }

    void Refresh();
    // The tooltip of the item at a position; the host knows what a cell is.
    using ItemText = std::function<QString(int Index)>;
    void SetItemToolTip(ItemText text) { m_ItemToolTip = std::move(text); }
    QString ItemToolTip(int Index) const;
    // Each cell pixel shown as a zoom x zoom square; a factor not among kZoomSteps is ignored.
    int Zoom() const { return m_Zoom; }
    void SetZoom(int zoom);
    // The next step in or out from zoom (direction +1 or -1), zoom itself at either end.
    static int NextZoom(int zoom, int direction);
    bool PixelGrid() const { return m_PixelGrid; }
    void SetPixelGrid(bool on);
    // The background, highlight and cells at the given device pixel ratio. A cell pixel covers
    // the same whole number of device pixels everywhere, so no pixel comes out uneven.
    QImage RenderCells(double devicePixelRatio) const;
    // Device pixels per cell pixel: the zoom times the ratio, rounded down, at least 1.
    static int DevicePixelsPerCellPixel(int zoom, double devicePixelRatio);
    // The largest zoom step at which a picture of width x height fits a box; 1 when none does.
    static int ZoomToFit(int width, int height, int boxWidth, int boxHeight);
    // The drop marker: a line with a small solid triangle at each end. Color -1 draws with the
    // painter's pen and brush as they are.
    static void DrawLine(QPainter& painter, int X1, int Y1, int X2, int Y2, gdi::COLORREF Color,
                         int BorderWidth);

    // Read-outs of the layout, in pixels.
    int ClientWidth() const;
    int ClientHeight() const { return m_ImageHeight * m_Zoom + 2 * kSlotPadding; }
    int PageItems() const { return ClientWidth() / SlotWidth(); }
    int ScrollRangeMaximum() const { return SlotWidth() * (ItemCount() + 1); }
    int ScrollPosition() const;
    int DropMarker() const { return m_DropMarker; }
    QScrollBar* HorizontalScrollBar() const { return m_ScrollBar; }
    // The position under a point of the client area.
    int HitTest(int x) const;
    // The slot of a position in the control's own pixels, scrolled as shown.
    QRect ItemRect(int Index) const;

  signals:
    void Resize();
    void SelChange(int Index);
    // IndexPos holds the insertion position; the handler may change it.
    void OLEDragDrop(const QMimeData* Data, int* IndexPos);
    // Shift: 1 shift, 2 control, 4 alt, combined.
    void KeyDown(int KeyCode, int Shift);
    // Button: 1 left, 2 right, 4 middle.
    void MouseDown(int Button, int Shift, int X, int Y);
    // The item at Index was dragged and released before position IndexPos (0 to ItemCount).
    void ItemMove(int Index, int IndexPos);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    int SlotWidth() const { return m_ImageWidth * m_Zoom + kSlotPadding; }
    int Border() const { return m_BorderStyle == 1 ? 1 : 0; }
    QPoint ClientPoint(QPointF widgetPoint) const;
    void UpdateScrollRange();
    // The position a navigation key moves the selection to; nothing for other keys.
    std::optional<int> KeyTarget(int key) const;
    void TrackDrag(QDropEvent* event);
    void EndItemDrag();
    // Clicks and keys with Shift select from the anchor, with Ctrl toggle one position.
    void ExtendSelection(int target);
    void ToggleSelected(int position);
    void MakeCurrent(int position);
    void PaintBackground(gdi::HDC dc) const;
    void PaintGrid(gdi::HDC dc, int left, int top, int perPixel) const;
    void PaintMarks(QPainter& painter) const;

    std::vector<int> m_Items;
    int m_ListIndex = -1;
    int m_DropMarker = -1;
    // Positions selected besides ListIndex, and where a range selection starts.
    std::vector<int> m_Selected;
    int m_Anchor = -1;
    // A press on a cell of a larger selection keeps it for a drag; a release without one leaves
    // that cell alone selected.
    bool m_CollapseOnRelease = false;
    // The item a left press landed on, while the button is down, and where it was pressed.
    int m_PressedItem = -1;
    QPoint m_PressPoint;
    bool m_DraggingItem = false;
    gdi::HIMAGELIST m_ImageList = 0;
    int m_ImageWidth = 16;
    int m_ImageHeight = 16;
    gdi::COLORREF m_BackColor = kDefaultBackColor;
    int m_BorderStyle = 1;
    bool m_CheckerBoard = false;
    int m_Zoom = 1;
    bool m_PixelGrid = true;
    QScrollBar* m_ScrollBar;
    ItemText m_ItemToolTip;
};
