// SPDX-License-Identifier: MIT
#include "app/FrmAddReport.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/AddReport.h"

FrmAddReport::FrmAddReport(const AddReport& report, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Last Add Report");
    auto* column = new QVBoxLayout(this);
    const std::string notice = report.Notice();
    column->addWidget(new QLabel(notice.empty()
                                     ? QString("%1 of %1 images added").arg(report.Tried())
                                     : QString::fromStdString(notice)));
    LstFailures = new QTreeWidget;
    LstFailures->setHeaderLabels({"Image", "Reason"});
    LstFailures->setRootIsDecorated(false);
    for (const AddReport::Failure& failure : report.Failures()) {
        LstFailures->addTopLevelItem(new QTreeWidgetItem(
            {QString::fromStdString(failure.source), QString::fromStdString(failure.reason)}));
    }
    LstFailures->resizeColumnToContents(0);
    column->addWidget(LstFailures);
    CmdClose = new QPushButton("Close");
    CmdClose->setDefault(true);
    connect(CmdClose, &QPushButton::clicked, this, &QDialog::accept);
    column->addWidget(CmdClose, 0, Qt::AlignRight);
    resize(560, 280);
}
