// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>

#include "controls/FrmColorPicker.h"
#include "controls/PreviewBoard.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/UniqueGdiObject.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class c32bppDIB;
class ClsDIB;

namespace desktop {
class Desktop;
}

// Asks how an image with partly transparent pixels is to be flattened for a strip below 32
// bits, showing both answers side by side over a checkerboard: the left with those pixels
// dropped, the right blended over ColorBack with that colour transparent. Accept hides it.
class FrmAlphaPixels : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kPreviewSize = PreviewBoard::kSize;

    explicit FrmAlphaPixels(desktop::Desktop& desktop, QWidget* parent = nullptr);
    ~FrmAlphaPixels() override;

    gdi::COLORREF ColorBack() const { return m_ColorBack; }
    // Paints the swatch; the right preview is redrawn by the callers that need it.
    void SetColorBack(gdi::COLORREF color);
    void SetDIB(const c32bppDIB& image);
    // Under the explanation: which image is asked about (a file, the clipboard, a module icon).
    void SetSourceName(const QString& source);

    // The two previews as shown.
    QImage LeftPreview() const { return m_Left; }
    QImage RightPreview() const { return m_Right; }
    FrmColorPicker* ColorPicker() const { return m_Picker; }
    // The previews' background, shared with the other dialogs' previews.
    static QImage Checkerboard();
    // Where an image of this size starts so that it sits centred in a preview of boardSize.
    static int CentredOrigin(int size, int boardSize = kPreviewSize);
    // Device pixels per image pixel in the previews: an image smaller than them is enlarged as
    // the strip view zooms, by the largest step at which it still fits.
    static int PreviewPixelSize(int width, int height, double devicePixelRatio);

    QLabel* Label1;
    QLabel* LblSource;
    QLabel* Picture1;
    QLabel* Picture2;
    QRadioButton* OptRemove;
    QRadioButton* OptPreserve;
    QLabel* PicBackColor;
    QPushButton* CmdBackColor;
    QPushButton* CmdDropper;
    QCheckBox* Check1;
    QPushButton* CmdAccept;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void DrawLeftPreview();
    void ShowPreview(QLabel* picture, QImage& shown, QImage drawn) const;
    void RedrawRightPreview();
    void OpenPalette();
    void PickScreenColor();

    desktop::Desktop& m_Desktop;
    gdi::COLORREF m_ColorBack = 0;
    // The previews are drawn in device pixels at this ratio.
    double m_Scale = 1;
    std::unique_ptr<c32bppDIB> m_Source;
    std::unique_ptr<c32bppDIB> m_CutOut;
    std::unique_ptr<ClsDIB> m_Canvas;
    QImage m_Left;
    QImage m_Right;
    QPointer<FrmColorPicker> m_Picker;
};
