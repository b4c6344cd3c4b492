// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <array>
#include <vector>

#include "app/CellSize.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

// Export Strip Set: the cell sizes to write, the strips' file names ({w} and {h} stand for the
// size) and the manifest. Hides itself on Export or Cancel; Tag "1" means confirmed.
class FrmExportStripSet : public QDialog {
    Q_OBJECT

  public:
    static constexpr std::array<int, 6> kSquareSizes{16, 20, 24, 32, 48, 64};

    FrmExportStripSet(QWidget* parent, const std::vector<CellSize>& sizes, const QString& pattern,
                      const QString& manifest);

    // The ticked sizes, then the other sizes, without repeats; empty when an other size is no
    // size.
    std::vector<CellSize> Sizes() const;
    QString Pattern() const;
    QString Manifest() const;
    QString Tag() const { return m_Tag; }

    std::array<QCheckBox*, kSquareSizes.size()> ChkSize{};
    QLineEdit* TxtOtherSizes;
    QLineEdit* TxtPattern;
    QLineEdit* TxtManifest;
    QPushButton* CmdExport;
    QPushButton* CmdCancel;

  private:
    void UpdateExportButton();

    QString m_Tag;
};
