// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QMimeData>
#include <QSet>
#include <deque>
#include <memory>

#include "platform/desktop/Desktop.h"

// The desktop for window tests: every dialog is answered from a queue the test fills, and every
// message and request is recorded. A call with nothing queued fails the running test; a message
// with only an OK button needs no answer.
class ScriptedDesktop : public desktop::Desktop {
  public:
    struct Message {
        QString text;
        desktop::MessageButtons buttons;
        desktop::MessageIcon icon;
        QString title;
    };

    class FakeClipboard : public picture::ClipboardSource {
      public:
        bool HasPicture() const override { return !image.isNull(); }
        std::unique_ptr<picture::Picture> GetPicture() const override;
        QImage image;
    };

    desktop::MessageAnswer MessageBox(QWidget* owner, const QString& text,
                                      desktop::MessageButtons buttons, desktop::MessageIcon icon,
                                      const QString& title) override;
    QStringList OpenFileDialog(QWidget* owner, const desktop::FileDialogRequest& request) override;
    QString SaveFileDialog(QWidget* owner, const desktop::FileDialogRequest& request) override;
    QString FolderDialog(QWidget* owner, const QString& start) override;
    std::optional<QString> InputBox(QWidget* owner, const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    const picture::ClipboardSource& Clipboard() const override { return clipboard; }
    void CopyImage(const QImage& image) override;
    std::optional<gdi::COLORREF> ChooseColor(QWidget* owner, gdi::COLORREF initial) override;
    gdi::COLORREF ScreenPixelUnderPointer() override;
    void SetTopMost(QWidget* window, bool on) override;
    bool IsTopMost(const QWidget* window) const override;
    bool OpenWebPage(const QString& address) override;
    QString PicturesFolder() const override { return picturesFolder; }
    QString TempFolder() const override { return tempFolder; }

    std::deque<desktop::MessageAnswer> messageAnswers;
    std::deque<QStringList> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<QString> folderAnswers;
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<gdi::COLORREF> screenPixels;
    std::deque<std::optional<gdi::COLORREF>> colorAnswers;

    std::vector<Message> messages;
    std::vector<desktop::FileDialogRequest> fileRequests;
    QStringList inputPrompts;
    std::vector<gdi::COLORREF> colorRequests;
    QStringList openedPages;
    FakeClipboard clipboard;
    // What the program put on the clipboard last, in the formats it offers.
    std::unique_ptr<QMimeData> copied;
    QString picturesFolder = "/pictures/";
    QString tempFolder = "/tmp/";

  private:
    QSet<const QWidget*> m_TopMost;
};
