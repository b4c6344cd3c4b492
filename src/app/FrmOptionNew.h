// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QPointer>
#include <array>
#include <optional>

#include "controls/FrmColorPicker.h"
#include "platform/gdi/GdiTypes.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace desktop {
class Desktop;
}

// The New Bitmap dialog: cell size, colour depth and background colour of a new strip. It
// hides itself on Ok or Cancel; Tag "1" means confirmed.
class FrmOptionNew : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kRangeMessage =
        "The value must be greater than 0 and less than 256";

    explicit FrmOptionNew(desktop::Desktop& desktop, QWidget* parent = nullptr);

    int IconWidth() const { return m_IconWidth; }
    int IconHeight() const { return m_IconHeight; }
    int ColorDep() const { return m_ColorDep; }
    gdi::COLORREF ColorBack() const { return m_ColorBack; }
    QString Tag() const { return m_Tag; }

    // The controls, under their names, for the window that drives the dialog and for tests.
    std::array<QRadioButton*, 6> OptSize{};
    std::array<QRadioButton*, 6> OptColor{};
    std::array<QLabel*, 2> Label1{};
    QLineEdit* TxtSizeWidth;
    QLineEdit* TxtSizeHeight;
    QCheckBox* ChkSquare;
    QLabel* PicBackColor;
    QPushButton* CmdPalette;
    QPushButton* CmdOk;
    QPushButton* CmdCancel;
    FrmColorPicker* ColorPicker() const { return m_Picker; }

    // Rounds a typed size to a whole number, halves to even; nothing when it is not a number or
    // does not fit 16 bits.
    static std::optional<int> ParseSize(const QString& text);
    // The size in the box, rounded, when it is from 1 to 256; otherwise the owner shows the range
    // message and the focus goes back to the box.
    static std::optional<int> CheckSizeBox(desktop::Desktop& desktop, QWidget* owner,
                                           QLineEdit* box);
    // The leading number of a text, 0 when there is none.
    static int LeadingNumber(const QString& text);

  protected:
    bool event(QEvent* event) override;

  private:
    QWidget* BuildSizeFrame();
    QWidget* BuildColorFrame();
    void ChooseSize(int index);
    void ChooseColor(int index);
    bool ValidateBox(QLineEdit* box);
    void OpenPalette();
    void ShowSwatch();
    void Confirm();

    desktop::Desktop& m_Desktop;
    int m_IconWidth = 16;
    int m_IconHeight = 16;
    int m_ColorDep = 32;
    gdi::COLORREF m_ColorBack = 0xFF00FF;
    QString m_Tag;
    QPointer<FrmColorPicker> m_Picker;
    bool m_Validating = false;
};
