// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <optional>

class QLineEdit;
class QListWidget;

namespace desktop {
class Desktop;
}

// Picks one icon group: a module's groups, or the one icon of an .ico file, shown as thumbnails.
class FrmIconChooser : public QDialog {
    Q_OBJECT

  public:
    struct Choice {
        QString path;
        int index = 0;
    };

    FrmIconChooser(desktop::Desktop& desktop, QWidget* parent, const QString& startPath);

    // Asks modally; nothing when cancelled.
    static std::optional<Choice> Ask(desktop::Desktop& desktop, QWidget* parent,
                                     const QString& startPath);
    void SetPath(const QString& path);

    QLineEdit* TxtPath;
    QListWidget* LstGroups;

  private:
    void Browse();

    desktop::Desktop& m_Desktop;
};
