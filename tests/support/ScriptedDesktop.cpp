// SPDX-License-Identifier: MIT
#include "support/ScriptedDesktop.h"

#include <gtest/gtest.h>

#include "platform/desktop/QtBitmapBridge.h"
#include "platform/desktop/QtClipboardImage.h"

namespace {

template <typename T>
T Next(std::deque<T>& answers, const char* what, T fallback) {
    if (answers.empty()) {
        ADD_FAILURE() << "unscripted " << what;
        return fallback;
    }
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

}  // namespace

std::unique_ptr<picture::Picture> ScriptedDesktop::FakeClipboard::GetPicture() const {
    return picture::Picture::FromBitmap(desktop::QtBitmapBridge::FromQImage(image));
}

desktop::MessageAnswer ScriptedDesktop::MessageBox(QWidget*, const QString& text,
                                                   desktop::MessageButtons buttons,
                                                   desktop::MessageIcon icon,
                                                   const QString& title) {
    messages.push_back({text, buttons, icon, title});
    if (buttons == desktop::MessageButtons::Ok) {
        return desktop::MessageAnswer::Ok;
    }
    return Next(messageAnswers, "message box", desktop::MessageAnswer::Cancel);
}

QStringList ScriptedDesktop::OpenFileDialog(QWidget*, const desktop::FileDialogRequest& request) {
    fileRequests.push_back(request);
    return Next(openAnswers, "open dialog", QStringList{});
}

QString ScriptedDesktop::SaveFileDialog(QWidget*, const desktop::FileDialogRequest& request) {
    fileRequests.push_back(request);
    return Next(saveAnswers, "save dialog", QString{});
}

QString ScriptedDesktop::FolderDialog(QWidget*, const QString&) {
    return Next(folderAnswers, "folder dialog", QString{});
}

std::optional<QString> ScriptedDesktop::InputBox(QWidget*, const QString& prompt, const QString&,
                                                 const QString&) {
    inputPrompts.push_back(prompt);
    return Next(inputAnswers, "input box", std::optional<QString>{});
}

std::optional<gdi::COLORREF> ScriptedDesktop::ChooseColor(QWidget*, gdi::COLORREF initial) {
    colorRequests.push_back(initial);
    return Next(colorAnswers, "colour dialog", std::optional<gdi::COLORREF>{});
}

gdi::COLORREF ScriptedDesktop::ScreenPixelUnderPointer() {
    return Next(screenPixels, "screen pixel", gdi::COLORREF{0});
}

void ScriptedDesktop::SetTopMost(QWidget* window, bool on) {
    if (on) {
        m_TopMost.insert(window);
    } else {
        m_TopMost.remove(window);
    }
}

bool ScriptedDesktop::IsTopMost(const QWidget* window) const {
    return m_TopMost.contains(window);
}

bool ScriptedDesktop::OpenWebPage(const QString& address) {
    openedPages.push_back(address);
    return true;
}

void ScriptedDesktop::CopyImage(const QImage& image) {
    copied.reset(desktop::QtClipboardImage::MimeData(image));
}
