// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/UniqueGdiObject.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;

namespace desktop {
class Desktop;
}
namespace pe {
class PeModule;
}

// Lists the bitmap resources of a module, previews the selected one and proposes its cell size
// and mask colour; Ok sets Tag "1" and hides it, so the caller can read the choice.
class FrmLoadFromRes : public QDialog {
    Q_OBJECT

  public:
    // What the dialog asks of the strip editor, handed over by the main window.
    struct StripRules {
        // The cell width proposed for a strip bitmap of this size.
        std::function<int(int width, int height)> proposedCellWidth;
        // The mask colour of a strip bitmap of that many cells.
        std::function<gdi::COLORREF(gdi::HBITMAP bitmap, int cellWidth, int cellHeight, int cells)>
            findMaskColor;
        // The size in a size box, or none after telling the user why it is not one.
        std::function<std::optional<int>(QWidget* owner, QLineEdit* box)> checkSizeBox;
    };

    FrmLoadFromRes(desktop::Desktop& desktop, StripRules rules, QWidget* parent = nullptr);
    ~FrmLoadFromRes() override;

    void SetPath(const QString& Path);
    QString ResID() const { return m_ResID; }
    gdi::HBITMAP BITMAP() const { return m_Bitmap.Get(); }
    int ColorDep() const { return m_ColorDep; }
    int IconWidth() const { return m_IconWidth; }
    int IconHeight() const { return m_IconHeight; }
    gdi::COLORREF MaskColor() const { return m_MaskColor; }
    QString Tag() const { return m_Tag; }

    QListWidget* LstBitmaps;
    QLabel* PicBitmap;
    QLabel* LblName;
    QLabel* LblSize;
    QLabel* LblDimensions;
    QLabel* LblBpp;
    QLabel* LblIcons;
    QLabel* LblMaskColor;
    QLabel* PicMaskColor;
    QLineEdit* TxtSizeWidth;
    QLineEdit* TxtSizeHeight;
    QPushButton* CmdOk;
    QPushButton* CmdCancel;

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void SelectEntry(int row);
    void ShowMaskColor();
    void ShowPreview();
    bool ValidateBox(QLineEdit* box);
    void Confirm();

    desktop::Desktop& m_Desktop;
    StripRules m_Rules;
    QString m_Path;
    QScrollArea* m_PreviewArea;
    std::unique_ptr<pe::PeModule> m_Module;
    QString m_ResID;
    gdi::UniqueGdiObject m_Bitmap;
    int m_ColorDep = 0;
    int m_IconWidth = 0;
    int m_IconHeight = 0;
    gdi::COLORREF m_MaskColor = gdi::CLR_NONE;
    QString m_Tag;
    bool m_Validating = false;
};
