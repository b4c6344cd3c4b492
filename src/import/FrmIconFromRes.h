// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

#include "import/FrmIconChooser.h"
#include "import/IconGroup.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class c32bppDIB;

namespace desktop {
class Desktop;
}

// Picks one image of an icon group of a module or of an icon file; "Acept" decodes it into
// PickedImage, sets Tag "1" and hides the dialog.
class FrmIconFromRes : public QDialog {
    Q_OBJECT

  public:
    using Chooser = std::function<std::optional<FrmIconChooser::Choice>(const QString& start)>;

    // The chooser asks for a module or icon file and a group in it.
    FrmIconFromRes(desktop::Desktop& desktop, QWidget* parent, const QString& defaultIconModule,
                   Chooser chooser);
    ~FrmIconFromRes() override;

    const c32bppDIB& PickedImage() const { return *m_Picked; }
    QString Tag() const { return m_Tag; }
    // The module or file picked last; the next dialog of this run starts there.
    QString DefaultIconModule() const { return m_DefaultIconModule; }
    QImage Preview() const { return m_Preview; }
    // The picked icon as tilewright-cli names it: the icon file, or MODULE:icon:N.
    QString SourceAddress() const { return m_SourceAddress; }

    QLineEdit* TxtResFile;
    QPushButton* Command1;
    QListWidget* lbIcon;
    QLabel* Picture1;
    QPushButton* CmdAceptar;
    QPushButton* CmdCancel;

  private:
    void OpenIcons();
    void ShowPreview(int row);
    void Accept();

    desktop::Desktop& m_Desktop;
    Chooser m_Chooser;
    QString m_DefaultIconModule;
    IconGroup m_Icons;
    std::unique_ptr<c32bppDIB> m_Picked;
    QImage m_Preview;
    QString m_Tag;
    QString m_SourceAddress;
};
