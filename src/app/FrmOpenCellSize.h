// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace desktop {
class Desktop;
}

// Asks for the cell size a strip file is to be cut into, starting from the size the file
// proposes. The boxes are checked as in the New Bitmap dialog, and the cells must fit the strip.
// Ok sets Tag "1" and hides it, so the caller can read the size.
class FrmOpenCellSize : public QDialog {
    Q_OBJECT

  public:
    FrmOpenCellSize(desktop::Desktop& desktop, const QString& fileName, int stripWidth,
                    int stripHeight, int proposedCellWidth, QWidget* parent = nullptr);

    // The message when the cells are wider or taller than the strip.
    static QString FitMessage(int stripWidth, int stripHeight);

    int IconWidth() const { return m_IconWidth; }
    int IconHeight() const { return m_IconHeight; }
    QString Tag() const { return m_Tag; }

    QLabel* LblDimensions;
    QLabel* LblIcons;
    QLineEdit* TxtSizeWidth;
    QLineEdit* TxtSizeHeight;
    QPushButton* CmdOk;
    QPushButton* CmdCancel;

  private:
    bool ValidateBox(QLineEdit* box);
    void ShowCellCount();
    void Confirm();

    desktop::Desktop& m_Desktop;
    int m_StripWidth;
    int m_StripHeight;
    int m_IconWidth;
    int m_IconHeight;
    QString m_Tag;
    bool m_Validating = false;
};
