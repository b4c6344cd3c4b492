// SPDX-License-Identifier: MIT
#include "app/FrmExportStripSet.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "app/StripProject.h"

FrmExportStripSet::FrmExportStripSet(QWidget* parent, const std::vector<CellSize>& sizes,
                                     const QString& pattern, const QString& manifest)
    : QDialog(parent) {
    setWindowTitle(QString("Export Strip Set") + QChar(0x2026));
    auto* ticks = new QHBoxLayout;
    QStringList others;
    for (std::size_t i = 0; i < kSquareSizes.size(); ++i) {
        const int side = kSquareSizes[i];
        ChkSize[i] = new QCheckBox(QString("%1 x %1").arg(side));
        ChkSize[i]->setChecked(std::find(sizes.begin(), sizes.end(), CellSize{side, side}) !=
                               sizes.end());
        ticks->addWidget(ChkSize[i]);
        connect(ChkSize[i], &QCheckBox::toggled, this, &FrmExportStripSet::UpdateExportButton);
    }
    for (const CellSize& size : sizes) {
        const bool ticked =
            size.width == size.height &&
            std::find(kSquareSizes.begin(), kSquareSizes.end(), size.width) != kSquareSizes.end();
        if (!ticked) {
            others << QString::fromStdString(StripProject::CellSizeText(size));
        }
    }
    TxtOtherSizes = new QLineEdit(others.join(", "));
    TxtOtherSizes->setPlaceholderText("for example 40x40, 96x64");
    TxtPattern = new QLineEdit(pattern);
    TxtManifest = new QLineEdit(manifest);
    TxtManifest->setPlaceholderText("none");
    CmdExport = new QPushButton("Export");
    CmdCancel = new QPushButton("Cancel");
    CmdExport->setDefault(true);
    auto* form = new QFormLayout(this);
    form->addRow("Cell sizes:", ticks);
    form->addRow("Other sizes:", TxtOtherSizes);
    form->addRow("Strip files ({w}, {h}):", TxtPattern);
    form->addRow("Manifest:", TxtManifest);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdExport);
    buttons->addWidget(CmdCancel);
    form->addRow(buttons);
    for (QLineEdit* box : {TxtOtherSizes, TxtPattern}) {
        connect(box, &QLineEdit::textChanged, this, &FrmExportStripSet::UpdateExportButton);
    }
    connect(CmdExport, &QPushButton::clicked, this, [this] {
        m_Tag = "1";
        hide();
    });
    connect(CmdCancel, &QPushButton::clicked, this, &QWidget::hide);
    UpdateExportButton();
}

std::vector<CellSize> FrmExportStripSet::Sizes() const {
    std::vector<CellSize> sizes;
    const auto add = [&](const CellSize& size) {
        if (std::find(sizes.begin(), sizes.end(), size) == sizes.end()) {
            sizes.push_back(size);
        }
    };
    for (std::size_t i = 0; i < kSquareSizes.size(); ++i) {
        if (ChkSize[i]->isChecked()) {
            add({kSquareSizes[i], kSquareSizes[i]});
        }
    }
    for (const QString& text : TxtOtherSizes->text().split(',', Qt::SkipEmptyParts)) {
        const auto size = StripProject::ParseCellSize(text.trimmed().toStdString());
        if (!size) {
            return {};
        }
        add(*size);
    }
    return sizes;
}

QString FrmExportStripSet::Pattern() const {
    return TxtPattern->text().trimmed();
}

QString FrmExportStripSet::Manifest() const {
    return TxtManifest->text().trimmed();
}

// Several sizes written to one name would overwrite each other.
void FrmExportStripSet::UpdateExportButton() {
    const std::vector<CellSize> sizes = Sizes();
    const bool named = Pattern().contains("{w}") || Pattern().contains("{h}");
    CmdExport->setEnabled(!sizes.empty() && !Pattern().isEmpty() && (sizes.size() == 1 || named));
}
