// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/picture/ClipboardSource.h"

class QImage;
class QWidget;

namespace desktop {

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageIcon { None, Information, Question, Exclamation, Critical };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// One line of a file dialog's type list: "Bitmap (*.bmp;*.dib)" with "*.bmp;*.dib;".
struct FileFilter {
    QString description;
    QString patterns;
};

struct FileDialogRequest {
    std::vector<FileFilter> filters;
    bool multiSelect = false;
    // Appended to a saved name that has no extension, with its dot: ".bmp".
    QString defaultExtension;
    QString initialName;
};

// The desktop services every window and dialog goes through, so that tests can answer them.
class Desktop {
  public:
    virtual ~Desktop() = default;

    virtual MessageAnswer MessageBox(QWidget* owner, const QString& text, MessageButtons buttons,
                                     MessageIcon icon, const QString& title) = 0;
    // The chosen files; empty when the user cancels.
    virtual QStringList OpenFileDialog(QWidget* owner, const FileDialogRequest& request) = 0;
    // The chosen file; empty when the user cancels. The dialog asks before overwriting.
    virtual QString SaveFileDialog(QWidget* owner, const FileDialogRequest& request) = 0;
    // The chosen folder, starting in `start`; empty when the user cancels.
    virtual QString FolderDialog(QWidget* owner, const QString& start) = 0;
    // The typed text; nothing when the user cancels.
    virtual std::optional<QString> InputBox(QWidget* owner, const QString& prompt,
                                            const QString& title, const QString& defaultText) = 0;
    virtual const picture::ClipboardSource& Clipboard() const = 0;
    // Puts a picture on the clipboard (QtClipboardImage's formats).
    virtual void CopyImage(const QImage& image) = 0;
    // The desktop colour dialog, which takes a colour typed in hex; nothing when cancelled.
    virtual std::optional<gdi::COLORREF> ChooseColor(QWidget* owner, gdi::COLORREF initial) = 0;
    // The colour of the screen pixel under the pointer.
    virtual gdi::COLORREF ScreenPixelUnderPointer() = 0;
    // Puts the window into the topmost band or out of it, without moving or sizing it.
    virtual void SetTopMost(QWidget* window, bool on) = 0;
    virtual bool IsTopMost(const QWidget* window) const = 0;
    virtual bool OpenWebPage(const QString& address) = 0;
    // Folders end with the path separator; empty when unknown.
    virtual QString PicturesFolder() const = 0;
    virtual QString TempFolder() const = 0;
};

}  // namespace desktop
