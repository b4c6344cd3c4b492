// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class AddReport;
class QTreeWidget;
class QPushButton;

// The last add command's report: each image that was not added, with the reason.
class FrmAddReport : public QDialog {
    Q_OBJECT

  public:
    FrmAddReport(const AddReport& report, QWidget* parent);

    QTreeWidget* LstFailures;
    QPushButton* CmdClose;
};
