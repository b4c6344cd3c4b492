// SPDX-License-Identifier: MIT
#include "platform/desktop/QtDesktop.h"

#include <QClipboard>
#include <QColorDialog>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

#include "platform/desktop/QtBitmapBridge.h"
#include "platform/desktop/QtClipboardImage.h"

namespace desktop {

namespace {

QMessageBox::StandardButtons ButtonsOf(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return QMessageBox::Ok;
        case MessageButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::None:
            return QMessageBox::NoIcon;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

MessageAnswer AnswerOf(int button) {
    switch (button) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        case QMessageBox::Ok:
            return MessageAnswer::Ok;
        default:
            return MessageAnswer::Cancel;
    }
}

QString WithSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith('/')) {
        return folder;
    }
    return folder + '/';
}

void ApplyFilters(QFileDialog& dialog, const FileDialogRequest& request) {
    QStringList filters;
    for (const FileFilter& filter : request.filters) {
        filters.push_back(QtDesktop::QtFilter(filter));
    }
    dialog.setNameFilters(filters);
}

}  // namespace

MessageAnswer QtDesktop::MessageBox(QWidget* owner, const QString& text, MessageButtons buttons,
                                    MessageIcon icon, const QString& title) {
    QMessageBox box(IconOf(icon), title, text, ButtonsOf(buttons), owner);
    return AnswerOf(box.exec());
}

QStringList QtDesktop::OpenFileDialog(QWidget* owner, const FileDialogRequest& request) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A single name may be typed for a file that does not exist yet; it is returned as chosen.
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    ApplyFilters(dialog, request);
    if (!request.initialName.isEmpty()) {
        dialog.selectFile(request.initialName);
    }
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList{};
}

QString QtDesktop::FolderDialog(QWidget* owner, const QString& start) {
    return QFileDialog::getExistingDirectory(owner, QString(), start);
}

QString QtDesktop::SaveFileDialog(QWidget* owner, const FileDialogRequest& request) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    ApplyFilters(dialog, request);
    if (!request.filters.empty()) {
        dialog.selectNameFilter(QtFilter(request.filters[InitialFilter(request)]));
    }
    dialog.setDefaultSuffix(SuffixFor(request, dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &request](const QString& chosen) {
                         dialog.setDefaultSuffix(SuffixFor(request, chosen));
                     });
    if (!request.initialName.isEmpty()) {
        dialog.selectFile(request.initialName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front();
}

std::optional<QString> QtDesktop::InputBox(QWidget* owner, const QString& prompt,
                                           const QString& title, const QString& defaultText) {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(owner, title, prompt, QLineEdit::Normal, defaultText, &accepted);
    if (!accepted) {
        return std::nullopt;
    }
    return text;
}

// Qt's own dialog rather than the platform's: it always has the field for a hex colour.
std::optional<gdi::COLORREF> QtDesktop::ChooseColor(QWidget* owner, gdi::COLORREF initial) {
    const QColor chosen = QColorDialog::getColor(QtBitmapBridge::ToQColor(initial), owner, {},
                                                 QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return QtBitmapBridge::FromQColor(chosen);
}

gdi::COLORREF QtDesktop::ScreenPixelUnderPointer() {
    const QPoint point = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(point);
    if (screen == nullptr) {
        return 0;
    }
    const QPoint local = point - screen->geometry().topLeft();
    const QImage pixel = screen->grabWindow(0, local.x(), local.y(), 1, 1).toImage();
    if (pixel.isNull()) {
        return 0;
    }
    return QtBitmapBridge::FromQColor(pixel.pixelColor(0, 0));
}

void QtDesktop::CopyImage(const QImage& image) {
    QGuiApplication::clipboard()->setMimeData(QtClipboardImage::MimeData(image));
}

void QtDesktop::SetTopMost(QWidget* window, bool on) {
    if (IsTopMost(window) == on) {
        return;
    }
    // Changing the flag hides the window; show it again where it was, without activating it.
    const bool visible = window->isVisible();
    const QRect geometry = window->geometry();
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) {
        window->setGeometry(geometry);
        window->show();
    }
    window->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

bool QtDesktop::IsTopMost(const QWidget* window) const {
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

bool QtDesktop::OpenWebPage(const QString& address) {
    return QDesktopServices::openUrl(QUrl(address));
}

QString QtDesktop::PicturesFolder() const {
    return WithSeparator(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
}

QString QtDesktop::TempFolder() const {
    return TempFolderFrom(qEnvironmentVariable("Temp"), qEnvironmentVariable("TMPDIR"));
}

QString QtDesktop::QtFilter(const FileFilter& filter) {
    QStringList patterns = filter.patterns.split(';', Qt::SkipEmptyParts);
    return filter.description + " (" + patterns.join(' ') + ")";
}

QString QtDesktop::SuffixFor(const FileDialogRequest& request, const QString& qtFilter) {
    for (const FileFilter& filter : request.filters) {
        const QString first = filter.patterns.section(';', 0, 0);
        if (QtFilter(filter) == qtFilter && first.startsWith("*.") && first.indexOf('*', 1) < 0) {
            return first.mid(2);
        }
    }
    return request.defaultExtension.startsWith('.') ? request.defaultExtension.mid(1)
                                                    : request.defaultExtension;
}

int QtDesktop::InitialFilter(const FileDialogRequest& request) {
    const QString suffix = QFileInfo(request.initialName).suffix();
    for (std::size_t index = 0; index < request.filters.size() && !suffix.isEmpty(); ++index) {
        const QStringList patterns = request.filters[index].patterns.split(';', Qt::SkipEmptyParts);
        if (patterns.contains("*." + suffix, Qt::CaseInsensitive)) {
            return static_cast<int>(index);
        }
    }
    return 0;
}

QString QtDesktop::TempFolderFrom(const QString& temp, const QString& tmpdir) {
    if (!temp.isEmpty()) {
        return WithSeparator(temp);
    }
    if (!tmpdir.isEmpty()) {
        return WithSeparator(tmpdir);
    }
    return "/tmp/";
}

}  // namespace desktop
