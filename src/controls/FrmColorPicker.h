// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QWidget>
#include <array>

#include "platform/gdi/GdiTypes.h"

class QFrame;

namespace desktop {
class Desktop;
}

// The colour pop-up: sixteen swatches and a bar with the colour in use, opened below the button
// that asked for it. It closes after a click and when it loses activation.
class FrmColorPicker : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kWidth = 85;
    static constexpr int kHeight = 108;
    // "More Colours…" is a row of its own below the swatches, so their surface stays as it is.
    static constexpr int kMoreColorsHeight = 20;
    static constexpr const char* kMoreColorsText = "More Colours…";
    static constexpr gdi::COLORREF kSurfaceColor = 0xFEFEFE;
    static constexpr gdi::COLORREF kFrameColor = 0xC56A31;
    static constexpr std::array<gdi::COLORREF, 16> kSwatches{
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

    // Destroys itself when it closes.
    explicit FrmColorPicker(desktop::Desktop& desktop, QWidget* owner);

    // (xLeft, yTop) is a point of the owner's client area: the pop-up's top-left corner goes there.
    void PopUpColor(QWidget* FrmOwner, int xLeft, int yTop, gdi::COLORREF DefaultColor);

    // The colour drawn at a point of the surface; CLR_INVALID outside it.
    gdi::COLORREF SurfaceColor(QPoint point) const;
    const QFrame* HighlightFrame() const { return m_Shape1; }
    static QRect MoreColorsRect() { return {0, kHeight, kWidth, kMoreColorsHeight}; }
    gdi::COLORREF DefaultColor() const { return m_DefaultColor; }
    // What a click on a swatch or on "More Colours…" does, also for assistive technology.
    void PickColor(gdi::COLORREF color);
    void ChooseMoreColors();

  signals:
    void SelectColor(unsigned int newColor);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void DrawSurface(gdi::COLORREF defaultColor);
    bool IsSelectable(QPoint point) const;

    desktop::Desktop& m_Desktop;
    QImage m_Surface;
    QFrame* m_Shape1;
    bool m_Pressed = false;
    gdi::COLORREF m_DefaultColor = 0;
    // While the colour dialog is open the pop-up is hidden and losing activation closes nothing.
    bool m_ChoosingMore = false;
};
