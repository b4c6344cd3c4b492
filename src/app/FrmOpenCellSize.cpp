// SPDX-License-Identifier: MIT
#include "app/FrmOpenCellSize.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/FrmOptionNew.h"
#include "platform/desktop/Desktop.h"

FrmOpenCellSize::FrmOpenCellSize(desktop::Desktop& desktop, const QString& fileName, int stripWidth,
                                 int stripHeight, int proposedCellWidth, QWidget* parent)
    : QDialog(parent),
      m_Desktop(desktop),
      m_StripWidth(stripWidth),
      m_StripHeight(stripHeight),
      m_IconWidth(proposedCellWidth),
      m_IconHeight(stripHeight) {
    setWindowTitle(QString("Open with Cell Size"));
    LblDimensions =
        new QLabel(QString("Dimensions: %1x%2 Pixels").arg(stripWidth).arg(stripHeight));
    LblIcons = new QLabel;
    TxtSizeWidth = new QLineEdit(QString::number(m_IconWidth));
    TxtSizeHeight = new QLineEdit(QString::number(m_IconHeight));
    CmdOk = new QPushButton("Ok");
    CmdCancel = new QPushButton("Cancel");
    CmdOk->setDefault(true);
    for (QLineEdit* box : {TxtSizeWidth, TxtSizeHeight}) {
        box->setMaximumWidth(60);
        connect(box, &QLineEdit::editingFinished, this, [this, box] { ValidateBox(box); });
    }
    connect(CmdOk, &QPushButton::clicked, this, &FrmOpenCellSize::Confirm);
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::hide);
    auto* fields = new QFormLayout(this);
    fields->addRow(new QLabel("File: " + fileName));
    fields->addRow(LblDimensions);
    fields->addRow("Icon Width:", TxtSizeWidth);
    fields->addRow("Icon Height:", TxtSizeHeight);
    fields->addRow(LblIcons);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOk);
    buttons->addWidget(CmdCancel);
    fields->addRow(buttons);
    ShowCellCount();
}

QString FrmOpenCellSize::FitMessage(int stripWidth, int stripHeight) {
    return QString("The cells must fit in the strip: at most %1x%2 Pixels")
        .arg(stripWidth)
        .arg(stripHeight);
}

bool FrmOpenCellSize::ValidateBox(QLineEdit* box) {
    if (m_Validating) {
        return true;
    }
    m_Validating = true;
    const std::optional<int> value = FrmOptionNew::CheckSizeBox(m_Desktop, this, box);
    if (value) {
        (box == TxtSizeWidth ? m_IconWidth : m_IconHeight) = *value;
        ShowCellCount();
    }
    m_Validating = false;
    return value.has_value();
}

void FrmOpenCellSize::ShowCellCount() {
    LblIcons->setText("Icons: " +
                      QString::number(m_IconWidth > 0 ? m_StripWidth / m_IconWidth : 0));
}

void FrmOpenCellSize::Confirm() {
    for (QLineEdit* box : {TxtSizeWidth, TxtSizeHeight}) {
        if (focusWidget() == box && !ValidateBox(box)) {
            return;
        }
    }
    if (m_IconWidth > m_StripWidth || m_IconHeight > m_StripHeight) {
        m_Desktop.MessageBox(this, FitMessage(m_StripWidth, m_StripHeight),
                             desktop::MessageButtons::Ok, desktop::MessageIcon::None,
                             windowTitle());
        return;
    }
    m_Tag = "1";
    hide();
}
