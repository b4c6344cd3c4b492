// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include "import/MdlInternet.h"

class QLabel;
class QPushButton;

// Runs a download on a worker thread while the window stays responsive: a busy cursor at once,
// and this dialog with Cancel when the download takes longer than kShowAfterMs.
class FrmDownload : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kShowAfterMs = 500;

    FrmDownload(QWidget* owner, const QString& address);

    // The download's result; false as well when the user cancelled it.
    bool Run(const MdlInternet::Download& download);
    bool Cancelled() const { return m_Cancelled; }

    QLabel* LblAddress;
    QPushButton* CmdCancel;

  private:
    bool m_Cancelled = false;
};
