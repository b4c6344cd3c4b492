// SPDX-License-Identifier: MIT
#include "app/FrmExportCells.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/IconFileWriter.h"
#include "platform/desktop/Desktop.h"

FrmExportCells::FrmExportCells(desktop::Desktop& desktop, const QString& stripName,
                               const std::vector<int>& positions, int cellWidth, int cellHeight,
                               const QString& startFolder, QWidget* parent)
    : QDialog(parent),
      m_Desktop(desktop),
      m_StripName(stripName.toStdString()),
      m_Positions(positions) {
    setWindowTitle(QString("Export Cells"));
    LblFiles = new QLabel;
    TxtFolder = new QLineEdit(startFolder);
    TxtFolder->setMinimumWidth(280);
    CmdBrowse = new QPushButton(QString("Browse") + QChar(0x2026));
    OptPng = new QRadioButton("PNG images (*.png)");
    OptIco = new QRadioButton("Icons (*.ico)");
    OptPng->setChecked(true);
    // An icon image is at most 256 pixels on each side.
    const bool iconSized =
        cellWidth <= IconFileWriter::kMaxSize && cellHeight <= IconFileWriter::kMaxSize;
    OptIco->setEnabled(iconSized);
    if (!iconSized) {
        OptIco->setToolTip("Icons are at most 256 x 256 pixels");
    }
    CmdOk = new QPushButton("Ok");
    CmdCancel = new QPushButton("Cancel");
    CmdOk->setDefault(true);
    connect(OptPng, &QRadioButton::toggled, this, &FrmExportCells::ShowFileNames);
    connect(CmdBrowse, &QPushButton::clicked, this, &FrmExportCells::Browse);
    connect(CmdOk, &QPushButton::clicked, this, &FrmExportCells::Confirm);
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::hide);
    auto* folder = new QHBoxLayout;
    folder->addWidget(TxtFolder, 1);
    folder->addWidget(CmdBrowse);
    auto* formats = new QHBoxLayout;
    formats->addWidget(OptPng);
    formats->addWidget(OptIco);
    formats->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOk);
    buttons->addWidget(CmdCancel);
    auto* fields = new QFormLayout(this);
    fields->addRow("Folder:", folder);
    fields->addRow("Format:", formats);
    fields->addRow(LblFiles);
    fields->addRow(buttons);
    ShowFileNames();
}

QString FrmExportCells::Folder() const {
    return TxtFolder->text().trimmed();
}

CellExport::Format FrmExportCells::Format() const {
    return OptIco->isChecked() ? CellExport::Format::Ico : CellExport::Format::Png;
}

// The first and the last name, so the user sees what the files will be called.
void FrmExportCells::ShowFileNames() {
    if (m_Positions.empty()) {
        LblFiles->clear();
        return;
    }
    const auto name = [this](int position) {
        return QString::fromStdString(CellExport::FileName(m_StripName, position, Format()));
    };
    const QString first = name(m_Positions.front());
    LblFiles->setText(m_Positions.size() == 1 ? QString("1 cell: %1").arg(first)
                                              : QString("%1 cells: %2 to %3")
                                                    .arg(m_Positions.size())
                                                    .arg(first, name(m_Positions.back())));
}

void FrmExportCells::Browse() {
    const QString chosen = m_Desktop.FolderDialog(this, Folder());
    if (!chosen.isEmpty()) {
        TxtFolder->setText(chosen);
    }
}

void FrmExportCells::Confirm() {
    if (Folder().isEmpty()) {
        m_Desktop.MessageBox(this, "Choose the folder the cells go to", desktop::MessageButtons::Ok,
                             desktop::MessageIcon::None, windowTitle());
        return;
    }
    m_Tag = "1";
    hide();
}
