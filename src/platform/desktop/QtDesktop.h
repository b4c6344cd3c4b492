// SPDX-License-Identifier: MIT
#pragma once

#include "platform/desktop/Desktop.h"
#include "platform/desktop/QtClipboardSource.h"

namespace desktop {

// The desktop services on Qt's dialogs, clipboard, screens and shell.
class QtDesktop : public Desktop {
  public:
    MessageAnswer MessageBox(QWidget* owner, const QString& text, MessageButtons buttons,
                             MessageIcon icon, const QString& title) override;
    QStringList OpenFileDialog(QWidget* owner, const FileDialogRequest& request) override;
    QString FolderDialog(QWidget* owner, const QString& start) override;
    QString SaveFileDialog(QWidget* owner, const FileDialogRequest& request) override;
    std::optional<QString> InputBox(QWidget* owner, const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    const picture::ClipboardSource& Clipboard() const override { return m_Clipboard; }
    void CopyImage(const QImage& image) override;
    std::optional<gdi::COLORREF> ChooseColor(QWidget* owner, gdi::COLORREF initial) override;
    gdi::COLORREF ScreenPixelUnderPointer() override;
    void SetTopMost(QWidget* window, bool on) override;
    bool IsTopMost(const QWidget* window) const override;
    bool OpenWebPage(const QString& address) override;
    QString PicturesFolder() const override;
    QString TempFolder() const override;

    // Qt's form of a filter line: the description, then the patterns blank-separated in brackets.
    static QString QtFilter(const FileFilter& filter);
    // The extension, without its dot, that a typed name without one gets while qtFilter is
    // chosen: the filter's first pattern's, else the request's default.
    static QString SuffixFor(const FileDialogRequest& request, const QString& qtFilter);
    // The filter whose patterns take the initial name's extension; the first when none does.
    static int InitialFilter(const FileDialogRequest& request);
    // "Temp", else "TMPDIR", else "/tmp", ending with the separator.
    static QString TempFolderFrom(const QString& temp, const QString& tmpdir);

  private:
    QtClipboardSource m_Clipboard;
};

}  // namespace desktop
