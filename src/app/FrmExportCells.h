// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <vector>

#include "app/CellExport.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace desktop {
class Desktop;
}

// Asks where and as what the cells are exported: a folder and PNG or icon files. It names the
// files they become; Ok sets Tag "1" and hides it, so the caller can read the choice.
class FrmExportCells : public QDialog {
    Q_OBJECT

  public:
    FrmExportCells(desktop::Desktop& desktop, const QString& stripName,
                   const std::vector<int>& positions, int cellWidth, int cellHeight,
                   const QString& startFolder, QWidget* parent = nullptr);

    QString Folder() const;
    CellExport::Format Format() const;
    QString Tag() const { return m_Tag; }

    QLabel* LblFiles;
    QLineEdit* TxtFolder;
    QPushButton* CmdBrowse;
    QRadioButton* OptPng;
    QRadioButton* OptIco;
    QPushButton* CmdOk;
    QPushButton* CmdCancel;

  private:
    void ShowFileNames();
    void Browse();
    void Confirm();

    desktop::Desktop& m_Desktop;
    std::string m_StripName;
    std::vector<int> m_Positions;
    QString m_Tag;
};
